// The engine against the real platform under Wine: a real process tree, the real TCP table
// call and the real execution-state call.
#include "engine/Connections.h"
#include "engine/Evaluator.h"
#include "engine/GpuUsage_win.h"
#include "engine/PowerRequest.h"
#include "engine/PowerRequest_win.h"
#include "engine/Sampler_win.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

struct Tick {
    DWORD at;          // ms since the tree started
    int32_t processes;
    uint32_t cpu;      // permille over the tick
    WatchState state;
};

// The cpu of the busiest single member over a sample, from its counters before and after.
uint32_t BusiestMember(const std::vector<ProcessCounters>& before, const PreviousTable& after, uint64_t elapsed) {
    uint32_t busiest = 0;
    for (int32_t i = 0; elapsed && i < after.count; i++) {
        for (const ProcessCounters& b : before) {
            if (b.pid == after.entries[i].pid && b.creationTime == after.entries[i].creationTime &&
                after.entries[i].cpuTime >= b.cpuTime) {
                busiest = std::max(busiest, static_cast<uint32_t>((after.entries[i].cpuTime - b.cpuTime) * 1000 / elapsed));
            }
        }
    }
    return busiest;
}

TEST(EngineWine, FollowsARealBusyTree) {
    auto sampler = std::make_unique<ProcessSampler>();
    auto tree = std::make_unique<WatchedTree>();
    auto evaluator = std::make_unique<ActivityEvaluator>();
    SystemProcessQuery query;
    InitProcessPlatform(sampler.get(), &query);
    ASSERT_NE(query.query, nullptr);

    WorkSwitch work(L"pellacord-engine-work");
    PROCESS_INFORMATION root = StartHelper(L"busytree.exe", L"2 " + work.Schedule() + L" 120000");
    ASSERT_NE(root.hProcess, nullptr);
    DWORD started = GetTickCount();
    ASSERT_EQ(AttachWatchedTree(sampler.get(), tree.get(), root.dwProcessId), 1);

    LimitTable limits;
    SetDefaultLimits(&limits);
    limits.rows[WAIT_ROW].value = 30000;
    ResetEvaluator(evaluator.get(), &limits);

    std::vector<Tick> ticks;
    std::vector<uint32_t> members;
    ActivitySample sample;
    uint32_t busiest = 0;        // the tree's cpu on its busiest tick
    uint32_t busiestMember = 0;  // the busiest single member's cpu on that tick
    int32_t mostProcesses = 0;
    bool busyWhileBurning = false;
    bool burning = true;
    DWORD phaseStart = started;
    // While the work is on: until all three processes burn together. Then, with the work off,
    // until the average falls under the limit. Each phase has its own bound.
    for (;;) {
        std::vector<ProcessCounters> before(tree->previous.entries, tree->previous.entries + tree->previous.count);
        ASSERT_EQ(SampleWatchedTree(sampler.get(), tree.get(), &sample), 1);
        WatchState state = EvaluateActivity(evaluator.get(), &sample, 0);
        uint32_t cpu = sample.elapsed ? static_cast<uint32_t>(sample.cpuTime * 1000 / sample.elapsed) : 0;
        ticks.push_back({GetTickCount() - started, sample.processCount, cpu, state});
        for (int32_t i = 0; i < tree->memberCount; i++) {
            if (std::find(members.begin(), members.end(), tree->memberPids[i]) == members.end()) {
                members.push_back(tree->memberPids[i]);
            }
        }
        if (burning) {
            mostProcesses = std::max(mostProcesses, sample.processCount);
            if (cpu > busiest) {
                busiest = cpu;
                busiestMember = BusiestMember(before, tree->previous, sample.elapsed);
            }
            busyWhileBurning |= state == STATE_BUSY && evaluator->overMetric == Index(METRIC_CPU);
            bool seen = mostProcesses == 3 && busiest >= 2 * busiestMember && busiest >= 300 && busyWhileBurning;
            if (seen || GetTickCount() - phaseStart > 30000) {
                work.Off();
                burning = false;
                phaseStart = GetTickCount();
            }
        } else if (state == STATE_GRACE || GetTickCount() - phaseStart > 15000) {
            break;
        }
        Sleep(500);
    }

    const Tick& last = ticks.back();
    std::string trace;
    for (const Tick& t : ticks) {
        trace += std::to_string(t.at) + "ms:" + std::to_string(t.processes) + "p/" + std::to_string(t.cpu) + "/" +
                 StateLogName(t.state) + " ";
    }
    printf("ticks: %s\n", trace.c_str());
    EXPECT_EQ(mostProcesses, 3) << trace;
    // The members' work adds up: three burning processes use about three times what any one of
    // them does, whatever share of the cores a loaded machine leaves them.
    EXPECT_GE(busiest, 300u) << trace;
    EXPECT_GE(busiest, 2 * busiestMember) << trace << " busiest member " << busiestMember;
    EXPECT_TRUE(busyWhileBurning) << trace;
    EXPECT_LE(last.cpu, 100u) << trace;
    EXPECT_EQ(last.state, STATE_GRACE) << trace;

    // The root ends: the tree goes on with the children it started, and ends with them.
    TerminateProcess(root.hProcess, 0);
    WaitForSingleObject(root.hProcess, 5000);
    EXPECT_EQ(SampleWatchedTree(sampler.get(), tree.get(), &sample), 1);
    EXPECT_TRUE(tree->rootGone);
    EXPECT_EQ(sample.processCount, 2) << "the children were not followed";
    for (uint32_t pid : members) {
        KillPid(pid);
    }
    EXPECT_EQ(SampleWatchedTree(sampler.get(), tree.get(), &sample), 0);
    EXPECT_EQ(tree->attached, 0);
    EXPECT_EQ(SampleWatchedTree(sampler.get(), tree.get(), &sample), 0);
    CloseHandle(root.hThread);
    CloseHandle(root.hProcess);
    FreeProcessPlatform(&query);
}

TEST(EngineWine, ReadsAProcessAlone) {
    ProcessCounters self;
    ASSERT_EQ(ReadProcessAlone(GetCurrentProcessId(), &self), 1);
    EXPECT_GT(self.creationTime, 0u);
    EXPECT_GT(self.workingSet, 0u);
    EXPECT_EQ(ReadProcessAlone(0xFFFFFFF0u, &self), 0);
}

TEST(EngineWine, TcpTableCallReturnsATableAndGrowsTheBuffer) {
    TcpTableApi api;
    LoadTcpTableApi(&api);
    ASSERT_NE(api.module, nullptr);
    ASSERT_NE(api.getExtendedTcpTable, nullptr);
    uint32_t size = 0;
    const uint8_t* table = QueryTcpTable(&api, FAMILY_IPV4, &size);
    ASSERT_NE(table, nullptr);
    EXPECT_GE(size, 4u);
    EXPECT_GE(api.bufferSize, size);
    EXPECT_GE(api.bufferSize, TCP_TABLE_SLACK);
    // A count over both families reuses the one block: the slack covers the small growth of
    // a quiet system's tables.
    const uint8_t* block = api.buffer;
    uint32_t blockSize = api.bufferSize;
    uint32_t self = GetCurrentProcessId();
    auto members = std::make_unique<PidSet>();
    BuildPidSet(members.get(), &self, 1);
    CountTreeConnections(&api, members.get());
    EXPECT_EQ(api.buffer, block);
    EXPECT_EQ(api.bufferSize, blockSize);
    UnloadTcpTableApi(&api);
    EXPECT_EQ(api.buffer, nullptr);
    EXPECT_EQ(api.module, nullptr);
}

// The platform saw the flags: SetThreadExecutionState answers each call with the state that
// was in force before it.
// The real GPU statistics calls: Wine keeps none, and its query answers success with nothing
// filled, which must read as no data, with no handle left open.
TEST(EngineWine, GpuStatisticsWithoutDataAreNoData) {
    const GpuPlatform p = WindowsGpuPlatform();
    DWORD handlesBefore = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &handlesBefore));

    void* self = p.openProcess(p.context, GetCurrentProcessId());
    ASSERT_NE(self, nullptr);
    GpuAdapter adapter = {};
    adapter.nodeCount = 1;
    uint64_t running = 12345;
    EXPECT_NE(p.readEngine(p.context, self, &adapter, 0, &running), GpuRead::Value);
    EXPECT_EQ(running, 12345u);
    p.closeProcess(p.context, self);

    auto source = std::make_unique<GpuSource>();
    LoadGpuSource(source.get());
    auto usage = std::make_unique<GpuUsage>();
    auto tree = std::make_unique<WatchedTree>();
    tree->previous.count = 1;
    tree->previous.entries[0].pid = GetCurrentProcessId();
    tree->previous.entries[0].creationTime = 1;
    for (int i = 0; i < 10; i++) {
        ActivitySample sample = {};
        SampleGpu(source.get(), usage.get(), tree.get(), (100 + i) * 10000000ull, &sample);
        EXPECT_FALSE(sample.gpuKnown);
        EXPECT_EQ(sample.gpu, 0u);
        tree->previous.unchanged = true;
    }
    ReleaseGpuUsage(usage.get());
    DWORD handlesAfter = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &handlesAfter));
    EXPECT_EQ(handlesAfter, handlesBefore);
}

TEST(EngineWine, ExecutionStateReachesThePlatform) {
    PowerRequest r = MakePowerRequest(SetExecutionStateWin);
    SetPowerRequest(&r, 1, 1);
    EXPECT_EQ(PowerRequestAccepted(&r), 1);
    EXPECT_EQ(SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED), 0x80000003u);
    ReleasePowerRequest(&r);
    EXPECT_EQ(SetThreadExecutionState(ES_CONTINUOUS), 0x80000000u);
}

}  // namespace
