#include "engine/Evaluator.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr uint64_t SECOND = 10000000;

struct EvaluatorFixture : ::testing::Test {
    LimitTable limits;
    std::unique_ptr<ActivityEvaluator> e = std::make_unique<ActivityEvaluator>();

    void SetUp() override {
        SetDefaultLimits(&limits);
        ResetEvaluator(e.get(), &limits);
    }
    void Prime() { Step(ActivitySample{}); }
    WatchState Step(ActivitySample s, int32_t connections = 0) {
        return EvaluateActivity(e.get(), &s, connections);
    }
    // One second with the given cpu permille.
    WatchState Cpu(uint64_t permille) {
        ActivitySample s{};
        s.cpuTime = permille * SECOND / 1000;
        s.elapsed = SECOND;
        return Step(s);
    }
};

TEST_F(EvaluatorFixture, FirstSampleOnlyPrimes) {
    ActivitySample heavy{};
    heavy.cpuTime = 50 * SECOND;
    heavy.elapsed = SECOND;
    heavy.workingSet = 123;
    EXPECT_EQ(Step(heavy, 3), STATE_BUSY);
    EXPECT_EQ(e->primed, 1);
    EXPECT_EQ(e->overMetric, -1);
    EXPECT_EQ(e->meters[Index(METRIC_CPU)].recentCount, 0);
    EXPECT_EQ(e->workingSet, 123u);
    EXPECT_EQ(e->connections, 3);

    EXPECT_EQ(Cpu(0), STATE_GRACE);
    EXPECT_EQ(e->quietMs, 1000u);
}

TEST_F(EvaluatorFixture, ZeroElapsedChangesNothing) {
    Prime();
    Cpu(0);
    ActivitySample none{};
    none.cpuTime = 99 * SECOND;
    none.workingSet = 77;
    EXPECT_EQ(Step(none, 5), STATE_GRACE);
    EXPECT_EQ(e->meters[Index(METRIC_CPU)].recentCount, 1);
    EXPECT_EQ(e->quietMs, 1000u);
    EXPECT_EQ(e->workingSet, 77u);  // stored on every call
    EXPECT_EQ(e->connections, 5);
}

TEST_F(EvaluatorFixture, IdleWhenQuietReachesTheWait) {
    limits.rows[WAIT_ROW].value = 30000;
    ResetEvaluator(e.get(), &limits);
    Prime();
    for (int tick = 1; tick <= 29; tick++) {
        ASSERT_EQ(Cpu(0), STATE_GRACE) << tick;
    }
    EXPECT_EQ(Cpu(0), STATE_IDLE);
    EXPECT_EQ(e->quietMs, 30000u);
    EXPECT_FALSE(WantsLock(e->state));
    // New work returns to BUSY at once and clears the quiet time.
    for (int i = 0; i < 4; i++) {
        Cpu(0);
    }
    EXPECT_EQ(Cpu(1000), STATE_BUSY);
    EXPECT_EQ(e->quietMs, 0u);
    EXPECT_TRUE(WantsLock(e->state));
}

TEST_F(EvaluatorFixture, QuietTimeIsWholeMillisecondsPerTick) {
    Prime();
    ActivitySample s{};
    s.elapsed = 10005000;
    Step(s);
    Step(s);
    EXPECT_EQ(e->quietMs, 2000u);
}

TEST_F(EvaluatorFixture, FiveSampleAverageAtOrAboveTheLimit) {
    struct Case { std::vector<uint64_t> permille; uint32_t average; int over; };
    const Case cases[] = {
        {{200}, 200, 1},
        {{0, 0, 0, 0, 1000}, 200, 1},
        {{0, 0, 0, 0, 999}, 199, 0},
        {{1000, 0, 0, 0, 0, 0}, 0, 0},  // the burst has left the five-sample window
        {{199, 199, 199, 199, 199}, 199, 0},
    };
    for (const Case& c : cases) {
        ResetEvaluator(e.get(), &limits);
        Prime();
        for (uint64_t p : c.permille) {
            Cpu(p);
        }
        EXPECT_EQ(e->meters[Index(METRIC_CPU)].average, c.average);
        EXPECT_EQ(static_cast<int>(e->meters[Index(METRIC_CPU)].over), c.over);
        EXPECT_EQ(e->overMetric, c.over ? Index(METRIC_CPU) : -1);
    }
}

TEST_F(EvaluatorFixture, RatesFromTotalsAndSaturation) {
    Prime();
    ActivitySample s{};
    s.cpuTime = 2000000;
    s.diskBytes = 5000000000000ull;  // far above 4 GB/s
    s.otherBytes = 1024;
    s.pageFaults = 30;
    s.elapsed = SECOND;
    Step(s);
    EXPECT_EQ(e->meters[Index(METRIC_CPU)].current, 200u);
    EXPECT_EQ(e->meters[Index(METRIC_DISK)].current, 4294967295u);
    EXPECT_EQ(e->meters[Index(METRIC_NET)].current, 1024u);
    EXPECT_EQ(e->meters[Index(METRIC_MEM)].current, 30u);

    // Huge counters over a long gap: the product would wrap 64 bits, the rate must not.
    ActivitySample gap{};
    gap.cpuTime = 18000000000000000000ull;
    gap.diskBytes = 4000000000000000000ull;
    gap.elapsed = 4000000000000000000ull / 3;
    Step(gap);
    EXPECT_EQ(e->meters[Index(METRIC_CPU)].current, 13500u);  // a wrapped product would give 10
    EXPECT_EQ(e->meters[Index(METRIC_DISK)].current, 30000000u);
}

TEST_F(EvaluatorFixture, NetCountsOnlyWithAConnection) {
    Prime();
    ActivitySample s{};
    s.otherBytes = 1000000;
    s.elapsed = SECOND;
    Step(s, 0);
    EXPECT_EQ(e->meters[Index(METRIC_NET)].average, 1000000u);
    EXPECT_EQ(e->meters[Index(METRIC_NET)].over, 0u);
    EXPECT_EQ(e->state, STATE_GRACE);
    Step(s, 1);
    EXPECT_EQ(e->meters[Index(METRIC_NET)].over, 1u);
    EXPECT_EQ(e->overMetric, Index(METRIC_NET));
}

TEST_F(EvaluatorFixture, LowestOverMetricIsNamed) {
    Prime();
    ActivitySample s{};
    s.diskBytes = 100000000;
    s.pageFaults = 100000;
    s.elapsed = SECOND;
    Step(s);
    EXPECT_EQ(e->overMetric, Index(METRIC_DISK));
    s.cpuTime = SECOND;
    Step(s);
    EXPECT_EQ(e->overMetric, Index(METRIC_CPU));
}

TEST(UpdateMeter, AutoRaise) {
    LimitTable limits;
    SetDefaultLimits(&limits);
    const LimitRow* cpu = &limits.rows[Index(METRIC_CPU)];
    struct Case {
        const char* name;
        int samples;
        uint32_t floor, peak, last;
        uint32_t limit, raised, over;
    };
    // `samples` rates: the floor, one peak, then the floor again, ending with `last`.
    const Case cases[] = {
        {"29 samples never raise", 29, 100, 300, 100, 200, 0, 0},
        {"30 samples with bursts raise", 30, 100, 300, 100, 300, 1, 0},
        {"a burst of exactly twice the floor raises", 30, 100, 200, 100, 300, 1, 0},
        {"flat history keeps the limit", 30, 100, 150, 120, 200, 0, 0},
        {"never lowers a limit", 30, 50, 300, 50, 200, 0, 0},
        {"floor 0 raises nothing", 30, 0, 300, 0, 200, 0, 0},
        {"peaks still count", 30, 100, 300, 2000, 300, 1, 1},
    };
    for (const Case& c : cases) {
        auto m = std::make_unique<MetricMeter>();
        ResetMeter(m.get());
        for (int i = 0; i < c.samples; i++) {
            uint32_t r = i == 1 ? c.peak : c.floor;
            if (i >= c.samples - 5) {
                r = c.last;  // the five-sample average is the last value
            }
            UpdateMeter(m.get(), r, cpu, 1);
        }
        EXPECT_EQ(m->effectiveLimit, c.limit) << c.name;
        EXPECT_EQ(m->raised, c.raised) << c.name;
        EXPECT_EQ(m->over, c.over) << c.name;
    }
}

TEST(UpdateMeter, RaiseSaturatesAndHistoryWraps) {
    LimitRow row = {200, 50, 4000, 3, 1};
    auto m = std::make_unique<MetricMeter>();
    ResetMeter(m.get());
    UpdateMeter(m.get(), 4294967295u, &row, 1);
    for (int i = 0; i < 29; i++) {
        UpdateMeter(m.get(), 2000000000u, &row, 1);
    }
    // 2e9 * 3 does not fit; the peak is only 2.1x the floor.
    EXPECT_EQ(m->effectiveLimit, 4294967295u);
    EXPECT_EQ(m->raised, 1u);

    for (int i = 0; i < HISTORY_LENGTH; i++) {
        UpdateMeter(m.get(), 7, &row, 1);
    }
    EXPECT_EQ(m->historyCount, HISTORY_LENGTH);
    EXPECT_EQ(m->historyMin, 7u);
    EXPECT_EQ(m->historyMax, 7u);  // the old values have left the ring
    EXPECT_EQ(m->effectiveLimit, 200u);

    LimitRow idle = {0, 0, 0, 1, 1};
    UpdateMeter(m.get(), 7, &idle, 1);
    EXPECT_EQ(m->over, 0u);  // a limit of 0 is never reached
    LimitRow notWork = {1, 0, 10, 1, 0};
    UpdateMeter(m.get(), 7, &notWork, 1);
    EXPECT_EQ(m->over, 0u);
}

TEST(Evaluator, StateNames) {
    EXPECT_STREQ(StateLogName(STATE_BUSY), "BUSY");
    EXPECT_STREQ(StateLogName(STATE_GRACE), "grace");
    EXPECT_STREQ(StateLogName(STATE_IDLE), "IDLE");
}

// A tree that keeps starting short-lived processes works, though little of its processor time
// is ever seen: each tick's new members count over the last five ticks.
TEST_F(EvaluatorFixture, NewProcessesKeepTheTreeWorking) {
    Prime();
    auto spawned = [&](int32_t n) {
        ActivitySample s{};
        s.cpuTime = 80 * SECOND / 1000;  // a glimpse of each child's work, well under the limit
        s.elapsed = SECOND;
        s.newProcesses = n;
        return Step(s);
    };
    EXPECT_EQ(spawned(1), STATE_GRACE);  // one launch is no stream of work
    EXPECT_EQ(spawned(1), STATE_BUSY);
    EXPECT_EQ(e->overMetric, -1);
    EXPECT_STREQ(WorkReasonLogName(e.get()), "spawn");
    EXPECT_EQ(e->quietMs, 0u);
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(spawned(i % 3 == 0 ? 0 : 1), STATE_BUSY) << i;
    }
    // The stream stops: quiet from the tick on which fewer than two remain in the window.
    // (the window holds 1, 0, 1, 1, 0 at this point)
    EXPECT_EQ(spawned(0), STATE_BUSY);
    EXPECT_EQ(spawned(0), STATE_BUSY);
    EXPECT_EQ(spawned(0), STATE_GRACE);
    EXPECT_STREQ(WorkReasonLogName(e.get()), "-");

    // A metric over its limit is named before spawning.
    spawned(3);
    EXPECT_EQ(Cpu(3000), STATE_BUSY);
    EXPECT_STREQ(WorkReasonLogName(e.get()), "cpu");
}

}  // namespace
