#include "engine/GpuUsage.h"
#include "engine/Watch.h"

#include "tests/engine/FakeGpu.h"
#include "tests/engine/FakeProcesses.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr uint64_t SECOND = 10000000;

// (pid, adapter LUID, node, permille of the second it ran there)
using Busy = std::vector<std::tuple<uint32_t, uint32_t, uint32_t, uint64_t>>;

struct GpuFixture : ::testing::Test {
    FakeGpu fake;
    std::unique_ptr<GpuSource> source = std::make_unique<GpuSource>();
    std::unique_ptr<GpuUsage> usage = std::make_unique<GpuUsage>();
    std::unique_ptr<WatchedTree> tree = std::make_unique<WatchedTree>();
    uint64_t now = 1000 * SECOND;
    ActivitySample sample{};

    void SetUp() override { source->platform = fake.Platform(); }
    void TearDown() override { ReleaseGpuUsage(usage.get()); }

    // The members the tree's last sample found, each with its creation time.
    void Members(const std::vector<std::pair<uint32_t, uint64_t>>& members) {
        PreviousTable* p = &tree->previous;
        p->count = static_cast<int32_t>(members.size());
        for (size_t i = 0; i < members.size(); i++) {
            p->entries[i] = ProcessCounters{};
            p->entries[i].pid = members[i].first;
            p->entries[i].creationTime = members[i].second;
        }
        p->unchanged = false;
    }
    void Members(const std::vector<uint32_t>& pids) {
        std::vector<std::pair<uint32_t, uint64_t>> members;
        for (uint32_t pid : pids) {
            members.push_back({pid, 1});
        }
        Members(members);
    }
    // A second passes, in which each listed member ran on an engine for a share of it.
    void Second(const Busy& busy = {}) {
        now += SECOND;
        for (const auto& [pid, luid, node, permille] : busy) {
            fake.Running(pid, luid, node) += permille * SECOND / 1000;
        }
        SampleGpu(source.get(), usage.get(), tree.get(), now, &sample);
        tree->previous.unchanged = true;
    }
};

// Engines are summed over the members, never over each other: the measure is the busiest
// engine's. A software adapter is never read.
TEST_F(GpuFixture, TheBusiestEngineOfTheHardwareAdapters) {
    struct Case {
        const char* name;
        Busy busy;
        uint32_t gpu;
    };
    const Case cases[] = {
        {"two members on two engines", {{10, 1, 0, 400}, {11, 1, 2, 300}}, 400},
        {"and a third on the first engine", {{10, 1, 0, 400}, {11, 1, 2, 300}, {12, 1, 0, 200}}, 600},
        {"engines of two adapters", {{10, 1, 0, 300}, {11, 3, 1, 500}}, 500},
        {"the software adapter is busier", {{10, 1, 3, 100}, {11, 2, 0, 1000}}, 100},
    };
    for (const Case& c : cases) {
        fake = FakeGpu{};
        fake.adapters = {{1, 0, 4, false}, {2, 0, 2, true}, {3, 0, 2, false}};
        *source = GpuSource{};
        source->platform = fake.Platform();
        ReleaseGpuUsage(usage.get());
        *usage = GpuUsage{};
        Members(std::vector<uint32_t>{10, 11, 12});
        for (int i = 0; i < 12; i++) {
            Second(c.busy);
        }
        EXPECT_TRUE(sample.gpuKnown) << c.name;
        EXPECT_EQ(sample.gpu, c.gpu) << c.name;
        EXPECT_EQ(fake.readsOnLuid[2], 0) << c.name;
    }
}

// A handle is opened once for each member and kept while it is one; a pid taken by another
// process is another member.
TEST_F(GpuFixture, MembersJoinAndLeave) {
    fake.adapters = {{1, 0, 2, false}};
    Members(std::vector<uint32_t>{10, 11});
    for (int i = 0; i < 5; i++) {
        Second({{10, 1, 0, 300}});
    }
    EXPECT_EQ(fake.opened, 2);
    EXPECT_EQ(fake.open, (std::multiset<uint32_t>{10, 11}));

    Members(std::vector<uint32_t>{10, 12});  // 11 left; 12, long running, joined and starts on the GPU
    fake.Running(12, 1, 1) = 5 * SECOND;
    for (int i = 0; i < 16; i++) {
        Second({{10, 1, 0, 300}, {12, 1, 1, 700}});
    }
    EXPECT_EQ(fake.opened, 3);
    EXPECT_EQ(fake.closed, 1);
    EXPECT_EQ(fake.open, (std::multiset<uint32_t>{10, 12}));
    EXPECT_EQ(sample.gpu, 700u);

    Members({{10, 1}, {12, 2}});  // 12 exited and its pid went to a new process
    Second({{10, 1, 0, 300}});
    EXPECT_EQ(fake.opened, 4);
    EXPECT_EQ(fake.closed, 2);
    for (int i = 0; i < 10; i++) {
        Second({{10, 1, 0, 300}});
    }
    EXPECT_EQ(fake.opened, 4) << "an unchanged tree opens nothing";
    EXPECT_EQ(sample.gpu, 300u);

    // A process started a moment ago that already ran on the GPU is read in full at its first
    // probe: it is seen within the probe's period, not two of them.
    tree->previous.wallTime = now;
    Members({{10, 1}, {12, 2}, {13, now - 2 * SECOND}});
    fake.Running(13, 1, 1) = SECOND / 2;
    int seen = 0;
    for (int i = 1; i <= 8 && seen == 0; i++) {
        Second({{10, 1, 0, 300}, {13, 1, 1, 600}});
        seen = sample.gpu == 600 ? i : 0;
    }
    EXPECT_GT(seen, 0);

    Members(std::vector<uint32_t>{});
    Second();
    EXPECT_TRUE(fake.open.empty());
    Members(std::vector<uint32_t>{20});
    Second();
    ReleaseGpuUsage(usage.get());
    EXPECT_TRUE(fake.open.empty());
    EXPECT_EQ(fake.opened, fake.closed);
}

// Quiet members are read in turn, each at least once in 7 ticks, so the reads of a tick stay
// bounded; one that starts using the GPU is in the measure within 8 ticks, whatever the phase.
TEST_F(GpuFixture, TheProbeFindsANewGpuUserWithinEightTicks) {
    constexpr uint32_t MEMBERS = 100;
    constexpr int32_t ENGINES = 16;
    for (int phase : {0, 3, 5}) {
        fake = FakeGpu{};
        fake.adapters = {{1, 0, 8, false}, {3, 0, 8, false}};
        *source = GpuSource{};
        source->platform = fake.Platform();
        ReleaseGpuUsage(usage.get());
        *usage = GpuUsage{};
        std::vector<uint32_t> pids;
        for (uint32_t i = 0; i < MEMBERS; i++) {
            pids.push_back(1000 + i);
            fake.Running(1000 + i, 1, 0) = SECOND;  // each used the GPU once, long ago
        }
        Members(pids);
        int32_t most = 0;
        for (int i = 0; i < 14 + phase; i++) {
            fake.readsOf.clear();
            for (int k = 0; k < GPU_PROBE_TICKS; k++) {
                Second();
                most = usage->calls > most ? usage->calls : most;
            }
            for (uint32_t pid : pids) {
                ASSERT_GE(fake.readsOf[pid], ENGINES) << pid << " was not read in " << GPU_PROBE_TICKS << " ticks";
            }
        }
        EXPECT_LE(most, static_cast<int32_t>((MEMBERS + GPU_PROBE_TICKS - 1) / GPU_PROBE_TICKS) * ENGINES);
        EXPECT_EQ(sample.gpu, 0u);
        EXPECT_TRUE(sample.gpuKnown);

        int seenAfter = 0;
        for (int k = 1; k <= 10 && seenAfter == 0; k++) {
            Second({{1057, 3, 5, 500}});
            seenAfter = sample.gpu == 500 ? k : 0;
        }
        EXPECT_GE(seenAfter, 1) << "phase " << phase;
        EXPECT_LE(seenAfter, 8) << "phase " << phase;
    }
}

// An adapter whose LUID stops answering (a driver update) is skipped, and the adapters are
// listed again once a minute has passed since the last listing, not on every failure.
TEST_F(GpuFixture, AFailedAdapterIsListedAgainAtMostOnceAMinute) {
    fake.adapters = {{1, 0, 2, false}};
    Members(std::vector<uint32_t>{10});
    for (int i = 0; i < 10; i++) {
        Second({{10, 1, 1, 500}});
    }
    ASSERT_EQ(sample.gpu, 500u);
    EXPECT_EQ(fake.lists, 1);

    fake.goneLuids = {1};
    fake.adapters = {{5, 0, 2, false}};
    fake.Running(10, 5, 1) = fake.Running(10, 1, 1);
    Second({{10, 5, 1, 500}});
    const int failedReads = fake.readsOnLuid[1];
    for (int i = 0; i < 45; i++) {
        Second({{10, 5, 1, 500}});
    }
    EXPECT_EQ(fake.lists, 1);
    EXPECT_EQ(fake.readsOnLuid[1], failedReads) << "a failed adapter is not read again until listed";
    int back = 0;
    for (int i = 1; i <= 30 && back == 0; i++) {
        Second({{10, 5, 1, 500}});
        back = sample.gpu == 500 ? i : 0;
    }
    EXPECT_EQ(fake.lists, 2);
    EXPECT_GT(back, 0);
}

// A first listing that finds nothing (a start at logon before the driver is up) is tried again a
// minute later, and so is one that finds no new adapter: the engines are numbered anew only when
// the list changed, so a member read in full stays so.
TEST_F(GpuFixture, TheAdaptersAreListedAgainEachMinute) {
    fake.cannotList = true;
    fake.adapters = {{1, 0, 2, false}};
    Members(std::vector<uint32_t>{10});
    Second({{10, 1, 0, 500}});
    EXPECT_EQ(fake.lists, 1);
    fake.cannotList = false;
    int seen = 0;
    for (int i = 1; i <= 75 && seen == 0; i++) {
        Second({{10, 1, 0, 500}});
        seen = sample.gpu == 500 ? i : 0;
    }
    EXPECT_EQ(fake.lists, 2);
    EXPECT_GT(seen, 50);
    const uint32_t generation = source->generation;
    for (int i = 0; i < 65; i++) {
        Second({{10, 1, 0, 500}});
        ASSERT_EQ(sample.gpu, 500u) << "second " << i;
    }
    EXPECT_EQ(fake.lists, 3);
    EXPECT_EQ(source->generation, generation);
}

// A tree that shrank leaves only its members in the index, however far up the pool they were.
TEST_F(GpuFixture, TheIndexHoldsOnlyMembers) {
    fake.adapters = {{1, 0, 1, false}};
    std::vector<uint32_t> many;
    for (uint32_t i = 0; i < 2000; i++) {
        many.push_back(4 * (i + 1));
    }
    Members(many);
    Second();
    Members(std::vector<uint32_t>(many.end() - 20, many.end()));
    Second();
    EXPECT_EQ(usage->used, 20);
    EXPECT_EQ(usage->index.count, 20);
    EXPECT_EQ(fake.open.size(), 20u);
    for (uint32_t pid : std::vector<uint32_t>(many.end() - 20, many.end())) {
        EXPECT_GE(PidSetIndexOf(&usage->index, pid), 0) << pid;
    }
}

// No GPU data is never an idle GPU: too old a build reads nothing at all, and where every read
// comes back empty (as under Wine) the measure is not known.
TEST_F(GpuFixture, NoDataIsNotAnIdleGpu) {
    struct Case {
        const char* name;
        uint32_t build;
        bool cannotList;
        bool opens;
    };
    const Case cases[] = {
        {"Windows 10 1709", 16299, false, false},
        {"no adapter list", 19045, true, false},
        {"every read empty", 19045, false, true},
    };
    for (const Case& c : cases) {
        fake = FakeGpu{};
        fake.build = c.build;
        fake.cannotList = c.cannotList;
        fake.adapters = {{1, 0, 4, false}};
        *source = GpuSource{};
        source->platform = fake.Platform();
        ReleaseGpuUsage(usage.get());
        *usage = GpuUsage{};
        Members(std::vector<uint32_t>{10, 11});
        for (int i = 0; i < 10; i++) {
            Second();
        }
        EXPECT_FALSE(sample.gpuKnown) << c.name;
        EXPECT_EQ(sample.gpu, 0u) << c.name;
        EXPECT_EQ(fake.opened > 0, c.opens) << c.name;
        EXPECT_EQ(fake.lists, c.build >= GPU_FIRST_BUILD ? 1 : 0) << c.name;
    }
}

uint32_t g_executionState = 0;

uint32_t RecordState(uint32_t flags) {
    g_executionState = flags;
    return 1;
}

// A job whose processor, disk and I/O are quiet while its GPU works: BUSY for the GPU, the
// lock held through the wait after the GPU stops, then IDLE. Before the GPU has data, the tick
// line is what it always was.
TEST(GpuWatch, AGpuJobHoldsTheLockThroughTheWait) {
    FakeProcesses processes;
    processes.now = 1000 * SECOND;
    processes.Add(500, 4, 10 * SECOND);
    processes.Add(4, 0, SECOND);
    auto sampler = std::make_unique<ProcessSampler>();
    sampler->platform = processes.Platform();
    FakeGpu fake;
    fake.adapters = {{1, 0, 4, false}};
    auto gpu = std::make_unique<GpuSource>();
    gpu->platform = fake.Platform();
    LimitTable limits;
    SetDefaultLimits(&limits);
    limits.rows[WAIT_ROW].value = 30000;
    bool keepDisplayOn = false;
    auto watch = std::make_unique<Watch>();
    InitWatch(watch.get(), &limits, &keepDisplayOn, RecordState);
    ASSERT_TRUE(AttachWatch(watch.get(), sampler.get(), 500));
    watch->status.watchMode = WATCH_ON;
    watch->status.sampling = true;
    TcpTableApi tcp{};
    auto second = [&](uint64_t gpuPermille) {
        processes.now += SECOND;
        if (gpuPermille) {
            fake.Running(500, 1, 2) += gpuPermille * SECOND / 1000;
        }
        return TickWatch(watch.get(), sampler.get(), &tcp, gpu.get());
    };

    WatchTick t = {};
    for (int i = 0; i < 3; i++) {
        t = second(0);
        EXPECT_EQ(std::string(t.line).find("gpu"), std::string::npos) << t.line;
    }
    for (int i = 0; i < 12; i++) {
        t = second(900);
    }
    EXPECT_EQ(t.state, STATE_BUSY);
    EXPECT_TRUE(t.hold);
    EXPECT_NE(std::string(t.line).find(" mem=0/3000 gpu=900/200 ws=0MB"), std::string::npos) << t.line;
    EXPECT_NE(std::string(t.line).find("-> BUSY (gpu)"), std::string::npos) << t.line;
    EXPECT_NE(g_executionState, 0u);

    int idleAfter = 0;
    for (int i = 1; i <= 60 && idleAfter == 0; i++) {
        t = second(0);
        if (t.state == STATE_IDLE) {
            idleAfter = i;
        } else {
            ASSERT_TRUE(t.hold) << "second " << i << ": " << t.line;
        }
    }
    EXPECT_GE(idleAfter, 30);
    EXPECT_LE(idleAfter, 36);
    EXPECT_FALSE(t.hold);
    EXPECT_NE(std::string(t.line).find("gpu=0/200"), std::string::npos) << t.line;
    StopSampling(watch.get());
    EXPECT_TRUE(fake.open.empty());
}

}  // namespace
