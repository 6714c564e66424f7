#include "engine/Sampler.h"

#include "tests/engine/FakeProcesses.h"
#include "tests/engine/ReferenceMark.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr uint64_t SECOND = 10000000;

struct SamplerFixture : ::testing::Test {
    FakeProcesses fake;
    std::unique_ptr<ProcessSampler> sampler = std::make_unique<ProcessSampler>();
    std::unique_ptr<WatchedTree> tree = std::make_unique<WatchedTree>();
    ActivitySample sample{};

    void SetUp() override { sampler->platform = fake.Platform(); }

    int32_t Tick(uint64_t advance = SECOND) {
        fake.now += advance;
        return SampleWatchedTree(sampler.get(), tree.get(), &sample);
    }
    std::vector<uint32_t> Members() const {
        return std::vector<uint32_t>(tree->memberPids, tree->memberPids + tree->memberCount);
    }
};

SnapshotEntry E(uint32_t pid, uint32_t parentPid) {
    return SnapshotEntry{pid, parentPid, 0, 0};
}

SnapshotEntry Seed(uint32_t pid, uint32_t parentPid) {
    return SnapshotEntry{pid, parentPid, 0, 1};
}

std::vector<uint8_t> Marks(std::vector<SnapshotEntry> entries, uint32_t root, bool reference) {
    auto scratch = std::make_unique<DescendantScratch>();
    if (reference) {
        ReferenceMarkDescendants(entries.data(), static_cast<int32_t>(entries.size()), root);
    } else {
        MarkDescendants(entries.data(), static_cast<int32_t>(entries.size()), root, 0, scratch.get());
    }
    std::vector<uint8_t> marks;
    for (const SnapshotEntry& e : entries) {
        marks.push_back(e.inTree);
    }
    return marks;
}

// A chain root -> g1 -> g2 ... of `depth` generations, listed youngest first, so every pass
// finds exactly one more generation.
std::vector<SnapshotEntry> ReversedChain(int depth) {
    std::vector<SnapshotEntry> entries;
    for (int g = depth; g >= 1; g--) {
        entries.push_back(E(static_cast<uint32_t>(1000 + g), static_cast<uint32_t>(1000 + g - 1)));
    }
    entries.push_back(E(1000, 4));
    return entries;
}

TEST(MarkDescendants, KnownShapes) {
    struct Case {
        const char* name;
        std::vector<SnapshotEntry> entries;
        std::vector<uint8_t> marks;
    };
    const Case cases[] = {
        {"grandchild, child, root", {E(30, 20), E(20, 10), E(10, 1), E(40, 1)}, {1, 1, 1, 0}},
        {"parents first: one pass", {E(10, 1), E(20, 10), E(30, 20)}, {1, 1, 1}},
        {"parent pid 0 joins nothing", {E(10, 0), E(0, 0), E(20, 0)}, {1, 0, 0}},
        {"duplicate root pid entries", {E(10, 1), E(11, 10), E(10, 2)}, {1, 1, 1}},
        {"self parent and a cycle", {E(50, 50), E(60, 70), E(70, 60), E(10, 1)}, {0, 0, 0, 1}},
        // A member whose parent has exited seeds the tree with its own children.
        {"an orphaned member and its child", {E(30, 20), Seed(20, 15), E(10, 1), E(40, 15)}, {1, 1, 1, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Marks(c.entries, 10, false), c.marks) << c.name;
        EXPECT_EQ(Marks(c.entries, 10, true), c.marks) << c.name << " (reference)";
    }
}

TEST(MarkDescendants, SixtyFourGenerationsWhenChildrenPrecedeParents) {
    std::vector<uint8_t> marks = Marks(ReversedChain(70), 1000, false);
    // Entries are listed youngest first: generation g sits at index 70 - g.
    for (int g = 1; g <= 70; g++) {
        EXPECT_EQ(marks[static_cast<size_t>(70 - g)], g <= 64 ? 1 : 0) << "generation " << g;
    }
    EXPECT_EQ(marks.back(), 1);
}

// Listed parents first, as systems mostly list them, a chain deeper than the rounds is found
// whole in one call: a child later in the table joins in its parent's round.
TEST(MarkDescendants, ParentsFirstChainInOneCall) {
    std::vector<SnapshotEntry> chain = ReversedChain(70);
    std::reverse(chain.begin(), chain.end());  // root, g1, g2, ... g70
    std::vector<uint8_t> marks = Marks(chain, 1000, false);
    EXPECT_EQ(std::count(marks.begin(), marks.end(), 1), 71);
}

TEST(MarkDescendants, AgreesWithThePlainRuleOnRandomSnapshots) {
    std::mt19937 rng(12345);
    auto scratch = std::make_unique<DescendantScratch>();
    for (int round = 0; round < 600; round++) {
        int n = 1 + static_cast<int>(rng() % (round % 20 == 0 ? 2048 : 200));
        uint32_t pidRange = 4 + rng() % static_cast<uint32_t>(n * 2);  // small ranges give duplicates
        std::vector<SnapshotEntry> entries(static_cast<size_t>(n));
        for (SnapshotEntry& e : entries) {
            e.pid = rng() % pidRange;
            e.parentPid = rng() % 8 == 0 ? 0 : rng() % pidRange;
            e.inTree = (round % 2 == 1 && rng() % 16 == 0) ? 1 : 0;  // members that outlived their parents
            e.creationTime = round % 4 == 1 ? rng() % 4 : 0;  // ties, and parents younger than children
        }
        if (round % 3 == 0) {
            // Deep chains listed child before parent, the ordering that needs the most rounds.
            uint32_t base = pidRange + 10;
            int depth = 1 + static_cast<int>(rng() % 100);
            for (int g = 0; g < depth && g < n; g++) {
                size_t at = static_cast<size_t>(g);
                entries[at].pid = base + static_cast<uint32_t>(depth - g);
                entries[at].parentPid = base + static_cast<uint32_t>(depth - g - 1);
                entries[at].creationTime = 0;
            }
            std::uniform_int_distribution<int> pick(0, n - 1);
            entries[static_cast<size_t>(pick(rng))].pid = base;
        }
        uint32_t root = round % 3 == 0 ? pidRange + 10 : rng() % pidRange;
        uint64_t setBack = round % 8 == 5 ? rng() % 3 : 0;
        std::vector<SnapshotEntry> fast = entries;
        MarkDescendants(fast.data(), n, root, setBack, scratch.get());
        ReferenceMarkDescendants(entries.data(), n, root, setBack);
        for (int i = 0; i < n; i++) {
            ASSERT_EQ(fast[static_cast<size_t>(i)].inTree, entries[static_cast<size_t>(i)].inTree)
                << "round " << round << " entry " << i;
        }
    }
}

TEST_F(SamplerFixture, FirstSampleIsABaselineThenDeltasFollow) {
    fake.now = 100 * SECOND;
    fake.Add(10, 1, 50 * SECOND, 1000);
    fake.Add(11, 10, 60 * SECOND, 2000).counters.workingSet = 4096;
    fake.Add(99, 1, 10 * SECOND, 500);  // unrelated
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    EXPECT_EQ(tree->rootCreationTime, 50 * SECOND);

    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(sample.elapsed, 0u);
    EXPECT_EQ(sample.cpuTime, 0u);
    EXPECT_EQ(sample.workingSet, 0u);
    EXPECT_EQ(sample.processCount, 2);
    EXPECT_EQ(Members(), (std::vector<uint32_t>{10, 11}));

    fake.Find(10)->counters.cpuTime += 300;
    fake.Find(11)->counters.cpuTime += 700;
    fake.Find(11)->counters.ioBytes = 5000;
    fake.Find(11)->counters.otherBytes = 60;
    fake.Find(11)->counters.pageFaults = 7;
    fake.Find(99)->counters.cpuTime += 1000000;
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(sample.elapsed, SECOND);
    EXPECT_EQ(sample.cpuTime, 1000u);
    EXPECT_EQ(sample.diskBytes, 5000u);
    EXPECT_EQ(sample.otherBytes, 60u);
    EXPECT_EQ(sample.pageFaults, 7u);
    EXPECT_EQ(sample.workingSet, 4096u);
}

TEST_F(SamplerFixture, NewAndJoiningChildren) {
    fake.now = 100 * SECOND;
    fake.Add(10, 1, 50 * SECOND);
    fake.Add(20, 1, 90 * SECOND, 7000);  // exists already, not yet in the tree
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);  // baseline at 101 s

    // A child created during the interval brings all of its time; a process that existed
    // before the interval and was re-parented into the tree brings nothing yet.
    fake.Add(30, 10, 101 * SECOND + 1, 5000000);
    fake.Find(20)->parentPid = 10;
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(sample.cpuTime, 5000000u);
    EXPECT_EQ(sample.processCount, 3);

    fake.Find(20)->counters.cpuTime += 40;
    fake.Find(30)->counters.cpuTime += 2;
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(sample.cpuTime, 42u);

    // 30 exits and a new child of the root takes its pid and its place in the list at once:
    // it is a new process that brings all of its time, not the old one going on.
    FakeProcess* reused = fake.Find(30);
    reused->counters.creationTime = fake.now + 1;
    reused->counters.cpuTime = 900;
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(sample.cpuTime, 900u);
    EXPECT_EQ(sample.newProcesses, 1);
}

TEST_F(SamplerFixture, CountersThatGoBackAddNothing) {
    fake.now = 10 * SECOND;
    FakeProcess& root = fake.Add(10, 1, 1);
    root.counters.ioBytes = 9000;
    root.counters.cpuTime = 500;
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);
    fake.Find(10)->counters.ioBytes = 0;  // the I/O query failed this time
    fake.Find(10)->counters.cpuTime = 800;
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(sample.diskBytes, 0u);
    EXPECT_EQ(sample.cpuTime, 300u);
}

TEST_F(SamplerFixture, WhoIsNotAMember) {
    fake.now = 100 * SECOND;
    fake.Add(10, 1, 50 * SECOND);
    fake.Add(20, 10, 40 * SECOND);        // parent id is the root's, but older than the root
    fake.Add(21, 20, 60 * SECOND);        // its child: a stranger's child, so none of the tree's
    fake.Add(30, 10, 60 * SECOND).readable = false;
    fake.Add(31, 0, 60 * SECOND);         // parent id 0
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(Members(), (std::vector<uint32_t>{10}));
}

TEST_F(SamplerFixture, WideTreesAreMeasuredWhole) {
    // 300 idle children and, listed last, one that burns a core: all of it counts.
    fake.now = 100 * SECOND;
    fake.Add(10, 1, 50 * SECOND);
    for (uint32_t i = 0; i < 300; i++) {
        fake.Add(1000 + i, 10, 60 * SECOND);
    }
    fake.Add(5000, 10, 60 * SECOND);
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);
    fake.Find(5000)->counters.cpuTime += SECOND;
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(sample.processCount, 302);
    EXPECT_EQ(sample.cpuTime, SECOND);

    // A tree that fills the whole snapshot.
    for (uint32_t i = 0; fake.list.size() < MAX_SNAPSHOT_PROCESSES; i++) {
        fake.Add(20000 + i, 5000, 70 * SECOND);
    }
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(tree->memberCount, MAX_SNAPSHOT_PROCESSES);
    EXPECT_EQ(tree->memberPids[MAX_SNAPSHOT_PROCESSES - 1], fake.list.back().pid);
}

TEST_F(SamplerFixture, MembersOutliveTheirParents) {
    // root -> shell -> compiler; the shell exits while the compiler works on.
    fake.now = 100 * SECOND;
    fake.Add(10, 1, 50 * SECOND);
    fake.Add(20, 10, 60 * SECOND);
    fake.Add(30, 20, 61 * SECOND);
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);
    fake.list.erase(fake.list.begin() + 1);  // the shell is gone
    fake.Find(30)->counters.cpuTime += SECOND / 2;
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(Members(), (std::vector<uint32_t>{10, 30}));
    EXPECT_EQ(sample.cpuTime, SECOND / 2);

    // The orphan's own new child joins the tree through it.
    fake.Add(40, 30, fake.now + SECOND / 2, SECOND / 4);
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(Members(), (std::vector<uint32_t>{10, 30, 40}));
    EXPECT_EQ(sample.cpuTime, SECOND / 4);
    EXPECT_EQ(sample.newProcesses, 1);

    // Once the orphan exits, a process that gets its pid is a stranger.
    fake.list.erase(fake.list.begin() + 1);
    fake.Add(30, 4, fake.now + SECOND / 2);
    fake.Find(30)->parentPid = 4;
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(Members(), (std::vector<uint32_t>{10, 40}));

    // A new attach starts from the root alone.
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(Members(), (std::vector<uint32_t>{10}));
}

TEST_F(SamplerFixture, AProcessStillStartingWaitsATick) {
    fake.now = 100 * SECOND;
    fake.Add(10, 1, 50 * SECOND);
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);
    // Wine shows a placeholder creation time until a new process is set up.
    fake.Add(20, 10, 0x5555555555555555ull, SECOND / 4);
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(Members(), (std::vector<uint32_t>{10}));
    fake.Find(20)->counters.creationTime = fake.now + SECOND / 2;
    fake.Find(20)->counters.cpuTime += SECOND / 4;
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(Members(), (std::vector<uint32_t>{10, 20}));
    EXPECT_EQ(sample.cpuTime, SECOND / 2);
    EXPECT_EQ(sample.newProcesses, 1);
}

TEST_F(SamplerFixture, SystemClockStepsDoNotChangeIntervals) {
    fake.now = 100000 * SECOND;
    fake.Add(10, 1, 50 * SECOND);
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);
    struct Step { const char* name; int64_t offset; };
    const Step steps[] = {{"an hour forward", 3600 * int64_t{SECOND}}, {"two hours back", -3600 * int64_t{SECOND}}};
    for (const Step& step : steps) {
        fake.wallOffset = step.offset;
        fake.Find(10)->counters.cpuTime += SECOND / 4;
        // A child started in this interval, stamped by the clock as it is now.
        uint32_t child = static_cast<uint32_t>(100 + fake.list.size());
        fake.Add(child, 10, fake.now + static_cast<uint64_t>(step.offset) + SECOND / 2, SECOND / 8);
        ASSERT_EQ(Tick(), 1) << step.name;
        EXPECT_EQ(sample.elapsed, SECOND) << step.name;
        EXPECT_EQ(sample.cpuTime, SECOND / 4 + SECOND / 8) << step.name;
        EXPECT_EQ(sample.newProcesses, 1) << step.name;
    }
}

// Creation times are system times: after the clock is set back, a child started since seems
// older than its parent, or than the root. It is a member all the same.
TEST_F(SamplerFixture, ChildrenStartedAfterTheClockIsSetBackStayMembers) {
    fake.now = 100000 * SECOND;
    fake.Add(10, 1, fake.now - 10 * SECOND);  // the root, ten seconds old
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);
    fake.Add(20, 10, fake.now + SECOND / 2);  // a member
    ASSERT_EQ(Tick(), 1);
    fake.wallOffset = -3600 * int64_t{SECOND};
    const uint64_t stamped = fake.now - 3600 * SECOND + SECOND / 2;  // by the clock as it is now
    fake.Add(30, 20, stamped);
    fake.Add(31, 10, stamped);
    ASSERT_EQ(Tick(), 1);
    ASSERT_EQ(Tick(), 1);
    std::vector<uint32_t> members = Members();
    std::sort(members.begin(), members.end());
    EXPECT_EQ(members, (std::vector<uint32_t>{10, 20, 30, 31}));
}

TEST_F(SamplerFixture, RebaselineKeepsTheMembersButStartsAnInterval) {
    fake.now = 100 * SECOND;
    fake.Add(10, 1, 50 * SECOND);
    fake.Add(20, 10, 60 * SECOND);
    fake.Add(30, 20, 61 * SECOND);
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);
    RebaselineWatchedTree(tree.get());
    fake.list.erase(fake.list.begin() + 1);
    fake.Find(30)->counters.cpuTime += 5 * SECOND;
    ASSERT_EQ(Tick(3600 * SECOND), 1);
    EXPECT_EQ(sample.elapsed, 0u);
    EXPECT_EQ(sample.cpuTime, 0u);
    EXPECT_EQ(Members(), (std::vector<uint32_t>{10, 30}));
    fake.Find(30)->counters.cpuTime += SECOND / 2;
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(sample.elapsed, SECOND);
    EXPECT_EQ(sample.cpuTime, SECOND / 2);
}

// A member's pid that an earlier, long gone process also had: a process that one started, older
// than the member, names the member's pid as its parent, yet is no child of the tree.
TEST_F(SamplerFixture, AReusedPidInsideTheTreeAdoptsNoStranger) {
    fake.now = 100 * SECOND;
    fake.Add(10, 1, 10 * SECOND);   // the root
    fake.Add(20, 10, 30 * SECOND);  // the member
    fake.Add(40, 20, 25 * SECOND);  // a stranger: younger than the root, older than the member
    fake.Add(41, 20, 35 * SECOND);  // the member's own child
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);
    ASSERT_EQ(Tick(), 1);
    std::vector<uint32_t> members = Members();
    std::sort(members.begin(), members.end());
    EXPECT_EQ(members, (std::vector<uint32_t>{10, 20, 41}));
}

// The root exits, or its id goes to another process: the tree lives on in the process it
// started (the new holder of the id is no member), and ends with that one.
TEST_F(SamplerFixture, TheTreeEndsWithItsLastProcess) {
    struct Case { const char* name; bool remove; bool reuse; bool snapshotFails; };
    const Case cases[] = {
        {"root gone", true, false, false},
        {"pid reused", false, true, false},
        {"root gone, no snapshot", true, false, true},
        {"pid reused, no snapshot", false, true, true},
    };
    for (const Case& c : cases) {
        fake = FakeProcesses{};
        fake.now = 100 * SECOND;
        sampler->platform = fake.Platform();
        fake.Add(10, 1, 50 * SECOND);
        fake.Add(11, 10, 60 * SECOND);
        ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1) << c.name;
        ASSERT_EQ(Tick(), 1) << c.name;
        if (c.remove) {
            fake.list.erase(fake.list.begin());
        }
        if (c.reuse) {
            fake.Find(10)->counters.creationTime = 99 * SECOND;
        }
        fake.snapshotFails = c.snapshotFails;
        EXPECT_EQ(Tick(), 1) << c.name;
        EXPECT_TRUE(tree->rootGone) << c.name;
        fake.snapshotFails = false;
        EXPECT_EQ(Tick(), 1) << c.name;
        EXPECT_EQ(Members(), (std::vector<uint32_t>{11})) << c.name;
        fake.list.erase(std::find_if(fake.list.begin(), fake.list.end(), [](const FakeProcess& p) { return p.pid == 11; }));
        EXPECT_EQ(Tick(), 0) << c.name;
        EXPECT_EQ(tree->attached, 0) << c.name;
        EXPECT_EQ(tree->memberCount, 0) << c.name;
        EXPECT_EQ(Tick(), 0) << c.name;  // stays detached
    }
}

// A command started in a job: every process of the job is in the tree, whatever became of its
// parent (a launcher gone before the first sample); a process outside the job is not.
TEST_F(SamplerFixture, EveryProcessOfTheCommandsJobIsInTheTree) {
    fake.now = 100 * SECOND;
    fake.Add(10, 1, 50 * SECOND).inJob = true;
    fake.Add(30, 20, 60 * SECOND).inJob = true;  // its parent 20 exited before anything was seen
    fake.Add(31, 20, 60 * SECOND);                // the same parent id, but no process of the job
    fake.jobRoot = 10;
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(Members(), (std::vector<uint32_t>{10, 30}));
    // A process that joins the job later counts like one found at the start: a child it
    // started outside the job (broken away from it) is the command's too.
    fake.Add(41, 40, 70 * SECOND);
    fake.Add(40, 20, 65 * SECOND).inJob = true;
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(Members(), (std::vector<uint32_t>{10, 30, 41, 40}));
    fake.jobRoot = 0;  // no job that can be read: the tree of parents alone
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(Members(), (std::vector<uint32_t>{10}));
}

// The job's accounting counts what its processes did, those that ended between two samples
// included: what it counts beyond the living members is added to the sample.
TEST_F(SamplerFixture, TheJobsAccountingAddsTheWorkOfProcessesThatEnded) {
    fake.now = 100 * SECOND;
    fake.Add(10, 1, 50 * SECOND, SECOND).inJob = true;
    fake.jobRoot = 10;
    fake.jobAccounting = true;
    fake.jobTotals = JobTotals{SECOND, 4096, 0, 100, 1};
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);
    // A second: the root worked a quarter of it; a child started and ended within it, working
    // half of it, reading 8 KB and faulting 50 times.
    fake.Find(10)->counters.cpuTime += SECOND / 4;
    fake.jobTotals = JobTotals{SECOND + SECOND / 4 + SECOND / 2, 4096 + 8192, 0, 150, 2};
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(sample.cpuTime, SECOND / 4 + SECOND / 2);
    EXPECT_EQ(sample.diskBytes, 8192u);
    EXPECT_EQ(sample.pageFaults, 50u);
    EXPECT_EQ(sample.newProcesses, 1);
    // Without accounting (Wine keeps none), the living members alone.
    fake.jobAccounting = false;
    fake.Find(10)->counters.cpuTime += SECOND / 4;
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(sample.cpuTime, SECOND / 4);
}

// A root alone ends the tree when it exits, with a list or without one.
TEST_F(SamplerFixture, ARootAloneEndsTheTree) {
    for (bool snapshotFails : {false, true}) {
        fake = FakeProcesses{};
        fake.now = 100 * SECOND;
        sampler->platform = fake.Platform();
        fake.Add(10, 1, 50 * SECOND);
        ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
        ASSERT_EQ(Tick(), 1);
        fake.list.clear();
        fake.snapshotFails = snapshotFails;
        EXPECT_EQ(Tick(), 0) << snapshotFails;
        EXPECT_EQ(tree->attached, 0) << snapshotFails;
    }
}

TEST_F(SamplerFixture, NoSnapshotKeepsThePreviousCounters) {
    fake.now = 100 * SECOND;
    fake.Add(10, 1, 50 * SECOND, 0);
    fake.Add(11, 10, 60 * SECOND, 0);
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);

    fake.snapshotFails = true;
    fake.Find(11)->counters.cpuTime = 300;
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(sample.processCount, 1);
    EXPECT_EQ(sample.elapsed, 0u);
    EXPECT_EQ(tree->memberCount, 0);

    fake.snapshotFails = false;
    fake.Find(11)->counters.cpuTime = 500;
    ASSERT_EQ(Tick(), 1);
    EXPECT_EQ(sample.elapsed, 2 * SECOND);  // both intervals
    EXPECT_EQ(sample.cpuTime, 500u);
}

TEST_F(SamplerFixture, ClockThatDoesNotAdvanceGivesNoInterval) {
    fake.now = 100 * SECOND;
    fake.Add(10, 1, 50 * SECOND);
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 1);
    ASSERT_EQ(Tick(), 1);
    fake.Find(10)->counters.cpuTime = 50;
    ASSERT_EQ(Tick(0), 1);
    EXPECT_EQ(sample.elapsed, 0u);
    fake.now -= SECOND;
    ASSERT_EQ(Tick(0), 1);
    EXPECT_EQ(sample.elapsed, 0u);
}

TEST_F(SamplerFixture, AttachToAnUnreadableProcessFails) {
    fake.Add(10, 1, 50 * SECOND).readable = false;
    EXPECT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 10), 0);
    EXPECT_EQ(tree->rootPid, 10u);
    EXPECT_EQ(tree->rootCreationTime, 0u);
    EXPECT_EQ(tree->attached, 0);
    EXPECT_EQ(AttachWatchedTree(sampler.get(), tree.get(), 77), 0);
    EXPECT_EQ(Tick(), 0);
}

}  // namespace
