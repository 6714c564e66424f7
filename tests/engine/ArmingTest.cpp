#include "engine/Arming.h"
#include "engine/PowerRequest.h"
#include "engine/Sampler.h"

#include "tests/engine/FakeProcesses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr uint64_t SECOND = 10000000;

struct ArmingFixture : ::testing::Test {
    FakeProcesses fake;
    std::unique_ptr<ProcessSampler> sampler = std::make_unique<ProcessSampler>();
    std::unique_ptr<ArmingState> arming = std::make_unique<ArmingState>();
    std::unique_ptr<PidSet> watched = std::make_unique<PidSet>();
    std::vector<uint32_t> watchedPids;
    const char16_t* images[2] = {u"render.exe", u"backup.exe"};

    void SetUp() override {
        sampler->platform = fake.Platform();
        ArmAfresh(arming.get());
        fake.Add(4, 0, 1).image = u"System";
        fake.Add(500, 4, 2).image = u"explorer.exe";
    }
    FakeProcess& Start(uint32_t pid, uint32_t parent, const char16_t* image) {
        fake.now += SECOND;
        FakeProcess& p = fake.Add(pid, parent, fake.now);
        p.image = image;
        return p;
    }
    // One look, as a tick makes it: the pids found, each with its image's index.
    std::vector<std::pair<uint32_t, int32_t>> Look(int32_t capacity = 8) {
        BuildPidSet(watched.get(), watchedPids.data(), static_cast<int32_t>(watchedPids.size()));
        const PidSet* trees[] = {watched.get()};
        ArmedProcess found[8];
        BeginSamplerRound(sampler.get());
        int32_t n = FindArmedProcesses(arming.get(), sampler.get(), images, 2, trees, 1, found, capacity);
        EndSamplerRound(sampler.get());
        std::vector<std::pair<uint32_t, int32_t>> out;
        for (int32_t i = 0; i < n; i++) {
            EXPECT_EQ(sampler->snapshot[found[i].entry].pid, found[i].pid);
            out.emplace_back(found[i].pid, found[i].image);
        }
        return out;
    }
};

using Found = std::vector<std::pair<uint32_t, int32_t>>;

TEST_F(ArmingFixture, NewProcessesOfTheImagesInAnyCaseOnce) {
    Start(600, 500, u"RENDER.EXE");
    EXPECT_EQ(Look(), (Found{{600, 0}}));  // running at the first look: watched too
    EXPECT_EQ(Look(), Found{});            // looked at once
    Start(601, 500, u"notepad.exe");
    Start(602, 500, u"backup.exe");
    EXPECT_EQ(Look(), (Found{{602, 1}}));
}

TEST_F(ArmingFixture, AProcessInsideAWatchedTreeStartsNothing) {
    Start(600, 500, u"build.exe");
    watchedPids = {600, 700};
    Start(700, 600, u"render.exe");
    EXPECT_EQ(Look(), Found{});
    // Nor once that tree's watch is over: it joined it.
    watchedPids.clear();
    EXPECT_EQ(Look(), Found{});
}

TEST_F(ArmingFixture, AReusedIdIsANewProcess) {
    Start(600, 500, u"render.exe");
    EXPECT_EQ(Look(), (Found{{600, 0}}));
    fake.list.pop_back();
    EXPECT_EQ(Look(), Found{});
    Start(600, 500, u"render.exe");  // the same id, created later
    EXPECT_EQ(Look(), (Found{{600, 0}}));
}

TEST_F(ArmingFixture, ChildrenOfAFoundProcessAndRoomForMore) {
    Start(600, 500, u"render.exe");
    Start(601, 600, u"render.exe");  // its worker: in its tree
    Start(602, 500, u"render.exe");
    Start(603, 500, u"render.exe");
    EXPECT_EQ(Look(2), (Found{{600, 0}, {602, 0}}));
    // The one there was no room for is found at the next look.
    EXPECT_EQ(Look(2), (Found{{603, 0}}));
    // Rules that change look at every process again.
    ArmAfresh(arming.get());
    EXPECT_EQ(Look(8), (Found{{600, 0}, {602, 0}, {603, 0}}));
}

TEST_F(ArmingFixture, NoListLeavesTheLastLook) {
    Start(600, 500, u"render.exe");
    fake.snapshotFails = true;
    EXPECT_EQ(Look(), Found{});
    fake.snapshotFails = false;
    EXPECT_EQ(Look(), (Found{{600, 0}}));
}

// Trees sampled in one round share one process list, and a process in two trees is read once.
TEST_F(ArmingFixture, ARoundTakesOneListAndReadsEachProcessOnce) {
    Start(600, 500, u"a.exe").counters.cpuTime = 0;
    Start(601, 600, u"b.exe");
    Start(700, 500, u"c.exe");
    auto outer = std::make_unique<WatchedTree>();
    auto inner = std::make_unique<WatchedTree>();
    auto other = std::make_unique<WatchedTree>();
    ASSERT_TRUE(AttachWatchedTree(sampler.get(), outer.get(), 600));
    ASSERT_TRUE(AttachWatchedTree(sampler.get(), inner.get(), 601));
    ASSERT_TRUE(AttachWatchedTree(sampler.get(), other.get(), 700));
    for (int tick = 0; tick < 3; tick++) {
        fake.now += SECOND;
        fake.Find(601)->counters.cpuTime += SECOND / 2;
        fake.snapshots = 0;
        fake.countersRead.clear();
        BeginSamplerRound(sampler.get());
        ActivitySample a, b, c;
        ASSERT_TRUE(SampleWatchedTree(sampler.get(), outer.get(), &a));
        ASSERT_TRUE(SampleWatchedTree(sampler.get(), inner.get(), &b));
        ASSERT_TRUE(SampleWatchedTree(sampler.get(), other.get(), &c));
        EndSamplerRound(sampler.get());
        EXPECT_EQ(fake.snapshots, 1);
        std::vector<uint32_t> reads = fake.countersRead;
        std::sort(reads.begin(), reads.end());
        EXPECT_EQ(reads, (std::vector<uint32_t>{600, 601, 700}));
        EXPECT_EQ(a.processCount, 2);
        EXPECT_EQ(b.processCount, 1);
        if (tick > 0) {
            // The shared process's work counts in both trees.
            EXPECT_EQ(a.cpuTime, SECOND / 2);
            EXPECT_EQ(b.cpuTime, SECOND / 2);
            EXPECT_EQ(c.cpuTime, 0u);
        }
    }
    // Outside a round each tree takes its own list, as a single watch always did.
    fake.snapshots = 0;
    ActivitySample a;
    SampleWatchedTree(sampler.get(), outer.get(), &a);
    SampleWatchedTree(sampler.get(), other.get(), &a);
    EXPECT_EQ(fake.snapshots, 2);
}

std::vector<uint32_t> g_applied;
uint32_t Apply(uint32_t flags) {
    g_applied.push_back(flags);
    return flags;
}

// Three watches' requests on one thread: the system is held exactly while any of them holds
// it, and the display while any asks for it.
TEST(ExecutionStateMux, HeldWhileAnySlotHolds) {
    g_applied.clear();
    ExecutionStateMux mux{{}, Apply};
    const uint32_t off = ES_FLAG_CONTINUOUS;
    const uint32_t held = ES_FLAG_CONTINUOUS | ES_FLAG_SYSTEM_REQUIRED;
    const uint32_t screen = held | ES_FLAG_DISPLAY_REQUIRED;
    struct Step {
        int32_t slot;
        uint32_t flags;
        uint32_t thread;
    } steps[] = {
        {0, held, held}, {3, held, held},     {0, off, held},  {5, screen, screen},
        {3, off, screen}, {5, held, held},    {5, off, off},   {8, held, held},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(SetSlotExecutionState(&mux, s.slot, s.flags), s.thread) << s.slot;
        EXPECT_EQ(g_applied.back(), s.thread);
    }
    EXPECT_EQ(SetSlotExecutionState(&mux, EXECUTION_SLOTS, held), 0u);  // no such slot
}

}  // namespace
