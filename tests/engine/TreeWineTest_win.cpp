// A watched tree that changes shape under Wine: a child left behind when its parent exits, a
// stream of children that each live a fraction of a tick, and what the platform says about
// keeping the PC awake.
#include "engine/Evaluator.h"
#include "engine/PowerLimits_win.h"
#include "engine/PowerRequest.h"
#include "engine/PowerRequest_win.h"
#include "engine/Sampler_win.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Engine {
    std::unique_ptr<ProcessSampler> sampler = std::make_unique<ProcessSampler>();
    std::unique_ptr<WatchedTree> tree = std::make_unique<WatchedTree>();
    std::unique_ptr<ActivityEvaluator> evaluator = std::make_unique<ActivityEvaluator>();
    SystemProcessQuery query{};
    LimitTable limits{};
    ActivitySample sample{};

    Engine() {
        InitProcessPlatform(sampler.get(), &query);
        SetDefaultLimits(&limits);
        ResetEvaluator(evaluator.get(), &limits);
    }
    ~Engine() { FreeProcessPlatform(&query); }
    uint32_t Cpu() const {
        return sample.elapsed ? static_cast<uint32_t>(sample.cpuTime * 1000 / sample.elapsed) : 0;
    }
    bool Member(uint32_t pid) const {
        return std::find(tree->memberPids, tree->memberPids + tree->memberCount, pid) !=
               tree->memberPids + tree->memberCount;
    }
};

// The pids of the processes whose parent is `parent`, from a fresh system snapshot.
std::vector<uint32_t> ChildrenOf(ProcessSampler* sampler, uint32_t parent) {
    std::vector<uint32_t> children;
    int32_t n = sampler->platform.snapshot(sampler->platform.context, sampler->snapshot, MAX_SNAPSHOT_PROCESSES);
    for (int32_t i = 0; i < n; i++) {
        if (sampler->snapshot[i].parentPid == parent) {
            children.push_back(sampler->snapshot[i].pid);
        }
    }
    return children;
}

bool Listed(ProcessSampler* sampler, uint32_t pid) {
    int32_t n = sampler->platform.snapshot(sampler->platform.context, sampler->snapshot, MAX_SNAPSHOT_PROCESSES);
    for (int32_t i = 0; i < n; i++) {
        if (sampler->snapshot[i].pid == pid) {
            return true;
        }
    }
    return false;
}

TEST(TreeWine, AChildOutlivesItsParentAndStaysWatched) {
    Engine e;
    // root -> middle -> leaf; the middle exits when the test sets the event, while the leaf
    // burns on.
    HANDLE middleGo = CreateEventW(nullptr, TRUE, FALSE, L"Local\\PellacordTreeTestMiddle");
    ASSERT_NE(middleGo, nullptr);
    PROCESS_INFORMATION root = StartHelper(L"spawner.exe", L"chain 120000 Local\\PellacordTreeTestMiddle");
    ASSERT_NE(root.hProcess, nullptr);
    ASSERT_EQ(AttachWatchedTree(e.sampler.get(), e.tree.get(), root.dwProcessId), 1);
    uint32_t middle = 0, leaf = 0;
    for (int i = 0; i < 200 && leaf == 0; i++) {
        Sleep(50);
        std::vector<uint32_t> m = ChildrenOf(e.sampler.get(), root.dwProcessId);
        if (!m.empty()) {
            middle = m[0];
            std::vector<uint32_t> l = ChildrenOf(e.sampler.get(), middle);
            leaf = l.empty() ? 0 : l[0];
        }
    }
    ASSERT_NE(leaf, 0u) << "the chain did not start";
    // Sampled at once, while the leaf may still be starting up: it joins once its creation
    // time is real.
    bool both = false;
    for (int i = 0; i < 100 && !both; i++) {
        ASSERT_EQ(SampleWatchedTree(e.sampler.get(), e.tree.get(), &e.sample), 1);
        both = e.Member(middle) && e.Member(leaf);
        if (!both) {
            Sleep(100);
        }
    }
    EXPECT_TRUE(both);

    // Once the middle has gone, the leaf is still measured, burning its core.
    HANDLE middleProcess = OpenProcess(SYNCHRONIZE, FALSE, middle);
    ASSERT_NE(middleProcess, nullptr);
    SetEvent(middleGo);
    EXPECT_EQ(WaitForSingleObject(middleProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(middleProcess);
    CloseHandle(middleGo);
    for (int i = 0; i < 50 && Listed(e.sampler.get(), middle); i++) {
        Sleep(100);  // the system's list lets go of the exited middle
    }
    ASSERT_EQ(SampleWatchedTree(e.sampler.get(), e.tree.get(), &e.sample), 1);
    Sleep(1000);
    ASSERT_EQ(SampleWatchedTree(e.sampler.get(), e.tree.get(), &e.sample), 1);
    EXPECT_FALSE(e.Member(middle));
    EXPECT_TRUE(e.Member(leaf)) << "the orphaned leaf dropped out of the tree";
    // A core's work, or the share of one a loaded machine leaves it; uncounted, it reads 0.
    EXPECT_GT(e.Cpu(), 150u) << "the leaf's work is not counted";
    EXPECT_EQ(e.sample.processCount, 2);

    EndHelpers();
    CloseHandle(root.hThread);
    CloseHandle(root.hProcess);
}

// 150 children of 150 ms one after another: most of their time falls between ticks, yet the
// tree is working and the lock stays held.
TEST(TreeWine, ChildrenShorterThanATickKeepTheLock) {
    Engine e;
    PowerRequest power = MakePowerRequest(SetExecutionStateWin);
    PROCESS_INFORMATION root = StartHelper(L"spawner.exe", L"serial 150 150");
    ASSERT_NE(root.hProcess, nullptr);
    ASSERT_EQ(AttachWatchedTree(e.sampler.get(), e.tree.get(), root.dwProcessId), 1);
    std::string trace;
    int busy = 0, ticks = 0;
    uint32_t cpuTotal = 0;
    for (int i = 0; i < 18; i++) {
        ASSERT_EQ(SampleWatchedTree(e.sampler.get(), e.tree.get(), &e.sample), 1);
        WatchState state = EvaluateActivity(e.evaluator.get(), &e.sample, 0);
        SetPowerRequest(&power, WantsLock(state) ? 1 : 0, 0);
        trace += std::to_string(e.Cpu()) + "/" + std::to_string(e.sample.newProcesses) + "/" + StateLogName(state) +
                 "/" + LockStateName(&power, WantsLock(state)) + " ";
        if (i >= 3) {
            ticks++;
            busy += state == STATE_BUSY && std::string(LockStateName(&power, true)) == "held";
            cpuTotal += e.Cpu();
        }
        Sleep(1000);
    }
    EXPECT_EQ(busy, ticks) << trace;
    EXPECT_LT(cpuTotal / static_cast<uint32_t>(ticks), 200u) << "the processor time alone would have counted: " << trace;
    ReleasePowerRequest(&power);
    EndHelpers();
    CloseHandle(root.hThread);
    CloseHandle(root.hProcess);
}

// The group policy "Allow applications to prevent automatic sleep", written into the prefix,
// takes the place of the scheme's value; `powercfg /requestsoverride` is read for the image.
TEST(PowerWine, PolicyAndRequestsOverrideFromTheRegistry) {
    const wchar_t* key = L"SOFTWARE\\Policies\\Microsoft\\Power\\PowerSettings\\A4B195F5-8225-47D8-8012-9D41369786E2";
    HKEY k;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    DWORD off = 0, on = 1;
    RegSetValueExW(k, L"ACSettingIndex", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off), sizeof(off));
    RegSetValueExW(k, L"DCSettingIndex", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof(on));
    AcDcValues v = ReadSleepPolicy();
    EXPECT_TRUE(v.haveAc && v.ac == 0 && v.haveDc && v.dc == 1);
    PowerFacts f = ReadPowerFacts(L"Pellacord.exe");
    EXPECT_EQ(PolicyForbidsRequests(f.source, &f.sleepPolicy), f.source != POWER_SOURCE_BATTERY);

    RegSetValueExW(k, L"DCSettingIndex", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off), sizeof(off));
    f = ReadPowerFacts(L"Pellacord.exe");
    EXPECT_TRUE(PolicyForbidsRequests(f.source, &f.sleepPolicy));

    RegDeleteValueW(k, L"ACSettingIndex");
    RegDeleteValueW(k, L"DCSettingIndex");
    RegCloseKey(k);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
    f = ReadPowerFacts(L"Pellacord.exe");
    EXPECT_FALSE(PolicyForbidsRequests(f.source, &f.sleepPolicy));
    EXPECT_FALSE(f.modernStandby);  // Wine reports no AoAc
    EXPECT_EQ(f.requestsOverride, 0u);

    const wchar_t* overrides = L"SYSTEM\\CurrentControlSet\\Control\\Power\\PowerRequestOverride\\Process";
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, overrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    DWORD systemAndDisplay = OVERRIDE_SYSTEM | OVERRIDE_DISPLAY;
    RegSetValueExW(k, L"Pellacord.exe", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&systemAndDisplay),
                   sizeof(systemAndDisplay));
    EXPECT_EQ(ReadPowerFacts(L"PELLACORD.EXE").requestsOverride, systemAndDisplay);  // names are not cased
    EXPECT_EQ(ReadPowerFacts(L"Other.exe").requestsOverride, 0u);
    RegDeleteValueW(k, L"Pellacord.exe");
    RegCloseKey(k);
}

// Wine has no power request objects: the execution state alone carries the lock.
TEST(PowerWine, ARequestWithoutAReasonObjectIsStillHeld) {
    PowerReasonCalls calls;
    PowerRequest power = MakePowerRequest(SetExecutionStateWin);
    power.reason = WindowsPowerReasonApi(&calls);
    OpenPowerReason(&power, u"Render");
    SetPowerRequest(&power, 1, 1);
    EXPECT_STREQ(LockStateName(&power, true), "held");
    EXPECT_EQ(power.lastFlags, 0x80000003u);
    ReleasePowerRequest(&power);
    ClosePowerReason(&power);
    EXPECT_EQ(power.reasonRequest, nullptr);
}

}  // namespace
