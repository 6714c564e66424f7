#include "engine/Controller.h"

#include "engine/PowerLimits.h"
#include "files/Log.h"
#include "tests/engine/FakeProcesses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint64_t SECOND = 10000000;
constexpr uint32_t APP_PID = 500;

std::string Utf8(const char16_t* s) {
    char out[512];
    int32_t n = Utf16ToUtf8(s, out, sizeof(out));
    return n > 0 ? std::string(out, static_cast<size_t>(n - 1)) : std::string();
}

// Everything outside the controller, recorded.
struct Outside {
    std::vector<std::string> log;
    std::vector<std::string> events;
    std::vector<AppEntry> apps;
    bool visible = true;
    int timerStarts = 0, timerStops = 0;
    bool timerRunning = false;
    int saves = 0;
    int savedDisplay = -1;
    uint32_t timerError = 0;
    uint32_t powerLimits = 0;
    int menusClosed = 0;
    std::function<void()> onFront;      // what the window does when it comes to the front
    std::function<void()> duringNotify; // what runs while the shell handles a tray call

    // tray shell
    bool refuseAdd = false;
    bool refuseModify = false;
    int iconsMade = 0, iconsDestroyed = 0;
    std::vector<std::string> trayCalls;

    // power
    std::vector<uint32_t> powerCalls;
    uint32_t powerResult = 1;
};

Outside* g_out;

uint32_t FakePower(uint32_t flags) {
    g_out->powerCalls.push_back(flags);
    g_out->events.push_back("power");
    return g_out->powerResult;
}

ControllerPlatform Platform(Outside* o) {
    return ControllerPlatform{
        o,
        [](void* c) -> uint32_t {
            auto* x = static_cast<Outside*>(c);
            x->timerStarts++;
            x->events.push_back("timer");
            x->timerRunning = x->timerError == 0;
            return x->timerError;
        },
        [](void* c) { auto* x = static_cast<Outside*>(c); x->timerStops++; x->timerRunning = false; },
        [](void* c, bool show) {
            auto* x = static_cast<Outside*>(c);
            x->visible = show;
            x->events.push_back(show ? "show" : "hide");
        },
        [](void* c) {
            auto* x = static_cast<Outside*>(c);
            x->events.push_back("front");
            if (x->onFront) {
                x->onFront();
            }
        },
        [](void* c) { return static_cast<Outside*>(c)->visible; },
        [](void* c) { static_cast<Outside*>(c)->events.push_back("paint"); },
        [](void* c) { static_cast<Outside*>(c)->events.push_back("paint list"); },
        [](void* c, AppEntry* entries, int32_t capacity) {
            auto* x = static_cast<Outside*>(c);
            int32_t n = 0;
            for (const AppEntry& e : x->apps) {
                if (n < capacity) {
                    entries[n++] = e;
                }
            }
            x->events.push_back("enumerate");
            return n;
        },
        [](void* c, int32_t count) { static_cast<Outside*>(c)->events.push_back("count " + std::to_string(count)); },
        [](void* c, bool enable) { static_cast<Outside*>(c)->events.push_back(enable ? "enable" : "disable"); },
        [](void* c, const char* text) { static_cast<Outside*>(c)->log.push_back(text); },
        [](void* c, const char* prefix, const char16_t* text) {
            static_cast<Outside*>(c)->log.push_back(std::string(prefix) + Utf8(text));
        },
        [](void* c, const LimitTable*, bool display) {
            auto* x = static_cast<Outside*>(c);
            x->saves++;
            x->savedDisplay = display;
        },
        [](void* c) { return static_cast<Outside*>(c)->powerLimits; },
        [](void* c) { static_cast<Outside*>(c)->menusClosed++; },
    };
}

TrayShell FakeTrayShell(Outside* o) {
    return TrayShell{
        o,
        [](void* c, uint32_t message, const TrayState*, const char16_t* tip) -> int32_t {
            auto* x = static_cast<Outside*>(c);
            const char* names[] = {"add", "modify", "delete"};
            x->trayCalls.push_back(std::string(names[message]) + (tip ? " " + Utf8(tip) : ""));
            if (x->duringNotify) {
                std::function<void()> nested = std::move(x->duringNotify);
                x->duringNotify = nullptr;
                nested();
            }
            if (message == TRAY_ADD && x->refuseAdd) {
                return 0;
            }
            if (message == TRAY_MODIFY && x->refuseModify) {
                return 0;
            }
            return 1;
        },
        [](void*) -> uint32_t { return 1460; },
        [](void* c, TrayIconKind kind) -> void* {
            auto* x = static_cast<Outside*>(c);
            x->iconsMade++;
            return reinterpret_cast<void*>(static_cast<uintptr_t>(0x100 + static_cast<int32_t>(kind)));
        },
        [](void* c, void*) { static_cast<Outside*>(c)->iconsDestroyed++; },
    };
}

AppEntry Entry(uint32_t pid, const char16_t* title, const char16_t* image) {
    AppEntry e{};
    e.pid = pid;
    CopyWideTruncated(e.title, title, APP_TITLE_CAPACITY);
    CopyWideTruncated(e.imageName, image, APP_IMAGE_CAPACITY);
    return e;
}

struct ControllerFixture : ::testing::Test {
    Outside out;
    FakeProcesses processes;
    WatchStatus status = MakeWatchStatus();
    std::unique_ptr<WatchedTree> tree = std::make_unique<WatchedTree>();
    std::unique_ptr<ProcessSampler> sampler = std::make_unique<ProcessSampler>();
    std::unique_ptr<ActivityEvaluator> evaluator = std::make_unique<ActivityEvaluator>();
    LimitTable limits;
    bool keepDisplayOn = false;
    std::unique_ptr<AppList> apps = std::make_unique<AppList>();
    AppListView view{};
    TcpTableApi tcp{};
    PowerRequest power = MakePowerRequest(FakePower);
    TrayState tray{};
    WatchController c{};

    void SetUp() override {
        g_out = &out;
        SetDefaultLimits(&limits);
        limits.rows[WAIT_ROW].value = 30000;
        ResetEvaluator(evaluator.get(), &limits);
        sampler->platform = processes.Platform();
        processes.now = 1000 * SECOND;
        processes.Add(APP_PID, 4, 10 * SECOND);
        processes.Add(501, APP_PID, 20 * SECOND);
        out.apps = {Entry(77, u"Other", u"other.exe"), Entry(APP_PID, u"Build \u00B7 Release", u"make.exe")};
        view.selectedIndex = -1;
        view.hoverIndex = -1;
        InitTray(&tray, 1, WM_TRAY_CALLBACK, FakeTrayShell(&out));
        c = WatchController{&status, tree.get(), sampler.get(), evaluator.get(), &limits, &keepDisplayOn,
                            apps.get(), &view, &tcp, &power, &tray, Platform(&out), false, 0};
        RefreshAppList(&c);
    }

    // One second passes; the app used `permille` of a core during it.
    void Second(uint64_t permille) {
        processes.now += SECOND;
        if (FakeProcess* root = processes.Find(APP_PID)) {
            root->counters.cpuTime += permille * SECOND / 1000;
        }
        Tick(&c);
    }
    void Select(int32_t row) {
        view.selectedIndex = row;
        PreviewApp(&c, apps->entries[row].pid);
    }
    std::vector<std::string> LogSince(size_t from) const {
        return std::vector<std::string>(out.log.begin() + static_cast<ptrdiff_t>(from), out.log.end());
    }
};

TEST_F(ControllerFixture, StartOfWatchLogLinesInOrder) {
    out.refuseAdd = true;
    keepDisplayOn = 1;
    Select(1);
    size_t from = out.log.size();
    StartWatching(&c);
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{
                                   "  the shell refused the tray icon: error 1460, struct 952 bytes",
                                   "watching: Build \xC2\xB7 Release",
                                   "  pid 500, plus every process it spawns",
                                   "  image: make.exe",
                                   "  thresholds: cpu 200 permille | disk 1048576 B/s | net 2048 B/s | mem 3000 faults/s | wait 30s",
                                   "  screen will be kept on too",
                               }));
    EXPECT_EQ(status.watchMode, WATCH_ON);
    EXPECT_EQ(status.currentState, STATE_BUSY);
    EXPECT_EQ(power.lastFlags, 0x80000003u);
    EXPECT_EQ(out.events.back(), "hide");
    EXPECT_EQ(out.timerStarts, 2);  // the preview's, then restarted by the start of watching

    // Watching goes on without the icon; the next tick tries to add it again, silently.
    out.refuseAdd = false;
    from = out.log.size();
    Second(500);
    EXPECT_EQ(tray.iconShown, 1);
    ASSERT_EQ(LogSince(from).size(), 1u);
    EXPECT_EQ(LogSince(from)[0].substr(0, 5), "tick ");
}

TEST_F(ControllerFixture, QuietPreviewHoldsAtOnceThenDropsOnTheFirstTick) {
    Select(1);
    for (int i = 0; i < 40; i++) {
        Second(0);
    }
    EXPECT_EQ(status.currentState, STATE_IDLE);
    EXPECT_TRUE(out.log.empty());  // a preview logs nothing
    StartWatching(&c);
    EXPECT_EQ(power.lastFlags, 0x80000001u);  // held at once
    EXPECT_EQ(evaluator->quietMs, 39000u);    // the preview's quiet time (the first tick primed)
    size_t from = out.log.size();
    Second(0);
    std::vector<std::string> lines = LogSince(from);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "tick procs=2 cpu=0/200 disk=0/1048576 net=0/2048 mem=0/3000 ws=0MB conn=0 -> IDLE (-) quiet=40s lock=off");
    EXPECT_EQ(lines[1], "  ^ state changed: BUSY -> IDLE");
    EXPECT_EQ(power.lastFlags, 0x80000000u);
}

TEST_F(ControllerFixture, WatchedAppExitEndsTheWatchWithoutATickLine) {
    Select(1);
    StartWatching(&c);
    Second(900);
    processes.list.erase(processes.list.begin());  // the root is gone; its child lives on
    size_t from = out.log.size();
    out.events.clear();
    Second(0);
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"the watched process exited", "stopped watching; lock released"}));
    EXPECT_EQ(Utf8(status.notice), "that app has closed \xC2\xB7 the lock was released");
    EXPECT_EQ(status.watchMode, WATCH_OFF);
    EXPECT_EQ(status.currentState, STATE_IDLE);
    EXPECT_EQ(status.watchedApp.pid, 0u);
    EXPECT_EQ(Utf8(status.watchedApp.title), "Build \xC2\xB7 Release");
    EXPECT_EQ(power.lastFlags, 0x80000000u);
    EXPECT_EQ(tray.iconShown, 0);
    EXPECT_EQ(out.visible, true);
    EXPECT_FALSE(out.timerRunning);  // the app is still listed, but it cannot be attached
}

TEST_F(ControllerFixture, TickLineFields) {
    Select(1);
    StartWatching(&c);
    processes.Find(501)->counters.workingSet = 3u << 20;
    // A floor of 100 with one burst: after 30 samples the cpu limit is raised to 300.
    Second(100);
    Second(400);
    for (int i = 0; i < 28; i++) {
        Second(100);
    }
    size_t from = out.log.size();
    Second(100);
    std::string line = LogSince(from).at(0);
    EXPECT_NE(line.find(" cpu=100/300r disk="), std::string::npos) << line;
    EXPECT_NE(line.find(" ws=3MB "), std::string::npos) << line;
    EXPECT_NE(line.find("-> grace (-)"), std::string::npos) << line;

    // Over the limit: BUSY, the metric named, no quiet time, the lock held.
    for (int i = 0; i < 5; i++) {
        Second(3000);
    }
    from = out.log.size();
    Second(3000);
    line = LogSince(from).at(0);
    EXPECT_NE(line.find("-> BUSY (cpu) quiet=0s lock=held"), std::string::npos) << line;
}

TEST_F(ControllerFixture, RefusedLockShowsInTheTickLine) {
    out.powerResult = 0;
    Select(1);
    StartWatching(&c);
    size_t from = out.log.size();
    Second(900);
    EXPECT_NE(LogSince(from).at(0).find("lock=REFUSED"), std::string::npos);
    EXPECT_EQ(out.powerCalls.size(), 1u);  // not retried
}

TEST_F(ControllerFixture, CheckBoxCallsThePlatformOnlyWhileHolding) {
    HandleClick(&c, TARGET_CHECKBOX);  // not watching: only saved
    EXPECT_EQ(keepDisplayOn, 1);
    EXPECT_EQ(out.saves, 1);
    EXPECT_EQ(out.savedDisplay, 1);
    EXPECT_TRUE(out.powerCalls.empty());

    Select(1);
    StartWatching(&c);
    Second(900);
    size_t calls = out.powerCalls.size();
    HandleClick(&c, TARGET_CHECKBOX);  // holding: one call with the new flags
    ASSERT_EQ(out.powerCalls.size(), calls + 1);
    EXPECT_EQ(out.powerCalls.back(), 0x80000001u);

    for (int i = 0; i < 40; i++) {
        Second(0);
    }
    ASSERT_EQ(status.currentState, STATE_IDLE);
    calls = out.powerCalls.size();
    HandleClick(&c, TARGET_CHECKBOX);  // IDLE: nothing held, nothing to change
    EXPECT_EQ(out.powerCalls.size(), calls);
    EXPECT_EQ(out.saves, 3);
}

TEST_F(ControllerFixture, NoticesAndRefresh) {
    Select(1);
    StartWatching(&c);
    HandleClick(&c, TARGET_BUTTON);
    EXPECT_EQ(Utf8(status.notice), "released \xC2\xB7 pick another app when you need to");
    EXPECT_EQ(out.log.back(), "stopped watching; lock released");
    EXPECT_EQ(out.events.back(), "paint");
    EXPECT_TRUE(status.sampling);  // still selected and listed: the preview goes on
    HandleClick(&c, TARGET_REFRESH);
    EXPECT_EQ(status.notice[0], 0);

    // The selected app closes before the watch could attach.
    processes.list.clear();
    size_t logged = out.log.size();
    Second(0);  // the preview notices and stops
    EXPECT_FALSE(status.sampling);
    view.selectedIndex = 1;
    StartWatching(&c);
    EXPECT_EQ(Utf8(status.notice), "that app closed before we could attach to it");
    EXPECT_EQ(status.watchMode, WATCH_OFF);
    EXPECT_EQ(out.log.size(), logged);  // nothing logged

    view.selectedIndex = -1;
    StartWatching(&c);  // no selection: no effect
    EXPECT_EQ(status.watchMode, WATCH_OFF);
}

TEST_F(ControllerFixture, PreviewCarriesOverOrResets) {
    Select(1);
    Second(900);  // the baseline
    Second(900);
    Second(900);
    EXPECT_EQ(evaluator->meters[Index(METRIC_CPU)].recentCount, 2);
    PreviewApp(&c, APP_PID);  // the same app again: no reset
    EXPECT_EQ(evaluator->meters[Index(METRIC_CPU)].recentCount, 2);
    StartWatching(&c);        // watching the previewed app: no reset either
    EXPECT_EQ(evaluator->meters[Index(METRIC_CPU)].recentCount, 2);
    HandleClick(&c, TARGET_BUTTON);

    processes.Add(77, 4, 30 * SECOND);
    Select(0);  // another app: a fresh evaluator
    EXPECT_EQ(evaluator->meters[Index(METRIC_CPU)].recentCount, 0);
    EXPECT_EQ(evaluator->primed, 0);
    EXPECT_EQ(tree->rootPid, 77u);
}

TEST_F(ControllerFixture, PreviewTouchesNeitherLockNorTrayNorLog) {
    Select(1);
    size_t logged = out.log.size();
    for (int i = 0; i < 5; i++) {
        Second(900);
    }
    EXPECT_EQ(out.log.size(), logged);
    EXPECT_TRUE(out.powerCalls.empty());
    EXPECT_TRUE(out.trayCalls.empty());
    EXPECT_EQ(status.currentState, STATE_BUSY);  // the would-be state is shown
}

TEST_F(ControllerFixture, HiddenWindowIsNotRepainted) {
    Select(1);
    StartWatching(&c);
    out.events.clear();
    Second(900);
    EXPECT_TRUE(out.events.empty());
    ShowMainWindow(&c);
    out.events.clear();
    Second(900);
    EXPECT_EQ(out.events, (std::vector<std::string>{"paint"}));
}

TEST_F(ControllerFixture, TrayFollowsTheState) {
    Select(1);
    StartWatching(&c);
    // Added with the grey image and "Pellacord", then the green eye at once.
    ASSERT_GE(out.trayCalls.size(), 1u);
    EXPECT_EQ(out.trayCalls[0], "add Pellacord");
    EXPECT_EQ(tray.iconKind, TrayIconKind::Busy);
    int made = out.iconsMade;
    Second(995);
    Second(995);
    EXPECT_EQ(out.iconsMade, made);  // same state: no new image
    EXPECT_EQ(out.trayCalls.back(), "modify Pellacord \xC2\xB7 make.exe \xC2\xB7 99% of one core");
    for (int i = 0; i < 5; i++) {
        Second(0);
    }
    EXPECT_EQ(status.currentState, STATE_GRACE);
    EXPECT_EQ(out.iconsMade, made + 1);
    EXPECT_EQ(out.iconsDestroyed, made);  // the grey one at the start, then the green one
    EXPECT_EQ(out.trayCalls.back(), "modify Pellacord \xC2\xB7 make.exe \xC2\xB7 quiet, still holding");

    // Ticks that change nothing the icon shows send nothing to the shell.
    size_t calls = out.trayCalls.size();
    Second(0);
    Second(0);
    EXPECT_EQ(out.trayCalls.size(), calls);

    // A restarted taskbar forgets the icon: told so, the next tick's modify fails and the tick
    // after it adds the icon again.
    ForgetShownTray(&tray);
    out.refuseModify = true;
    Second(0);
    EXPECT_EQ(tray.iconShown, 0);
    out.refuseModify = false;
    Second(0);
    EXPECT_EQ(out.trayCalls.back(), "add Pellacord");
    EXPECT_EQ(tray.iconShown, 1);

    HandleClick(&c, TARGET_BUTTON);
    EXPECT_EQ(out.trayCalls.back(), "delete");
}

TEST_F(ControllerFixture, NoLockWithoutATick) {
    Select(1);
    out.events.clear();
    StartWatching(&c);
    auto timer = std::find(out.events.begin(), out.events.end(), "timer");
    auto lock = std::find(out.events.begin(), out.events.end(), "power");
    EXPECT_TRUE(timer < lock);  // the tick is running before the lock is taken
    HandleClick(&c, TARGET_BUTTON);
    ShowMainWindow(&c);

    // A refused timer: nothing is watched, nothing held, and the user is told.
    out.timerError = 1406;
    out.powerCalls.clear();
    size_t from = out.log.size();
    StartWatching(&c);
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"could not start the tick timer: error 1406"}));
    EXPECT_EQ(status.watchMode, WATCH_OFF);
    EXPECT_EQ(status.sampling, 0);
    EXPECT_TRUE(out.powerCalls.empty());
    EXPECT_EQ(tray.iconShown, 0);
    EXPECT_EQ(Utf8(status.notice), "Windows refused a timer \xC2\xB7 the app is not watched");
    EXPECT_TRUE(out.visible);
}

TEST_F(ControllerFixture, PlatformNotesFollowTheHeader) {
    struct Case {
        uint32_t limits;
        int32_t keepDisplayOn;
        std::vector<std::string> notes;
    };
    const std::string standby = "  note: this PC may still sleep when the screen turns off (modern standby); "
                                "tick 'Keep the screen on too' to prevent it";
    const std::string policy = "  note: a system policy stops programs from keeping this PC awake";
    const Case cases[] = {
        {0, 0, {}},
        {POWER_LIMIT_MODERN_STANDBY, 0, {standby}},
        {POWER_LIMIT_MODERN_STANDBY, 1, {}},  // the screen is kept on: nothing to say
        {POWER_LIMIT_POLICY, 1, {policy}},
        {POWER_LIMIT_MODERN_STANDBY | POWER_LIMIT_POLICY, 0, {standby, policy}},
    };
    Select(1);
    for (const Case& k : cases) {
        out.powerLimits = k.limits;
        keepDisplayOn = k.keepDisplayOn;
        size_t from = out.log.size();
        StartWatching(&c);
        std::vector<std::string> lines = LogSince(from);
        ASSERT_GE(lines.size(), 5u);
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 5, lines.end()), k.notes) << k.limits;
        HandleClick(&c, TARGET_BUTTON);
    }
}

TEST_F(ControllerFixture, SleepAndResume) {
    Select(1);
    StartWatching(&c);
    for (int i = 0; i < 6; i++) {
        Second(500);
    }
    ASSERT_EQ(status.currentState, STATE_BUSY);
    size_t calls = out.powerCalls.size();
    int timers = out.timerStarts;
    size_t from = out.log.size();
    SystemSuspending(&c);
    // Asleep for an hour: the interval clock stands still, the app's counters too.
    SystemResumed(&c);
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"system suspending", "system resumed; lock re-asserted"}));
    ASSERT_EQ(out.powerCalls.size(), calls + 1);
    EXPECT_EQ(out.powerCalls.back(), 0x80000001u);
    EXPECT_EQ(out.timerStarts, timers + 1);

    // The first tick after it is only a baseline: no rate and no quiet time.
    uint32_t average = evaluator->meters[Index(METRIC_CPU)].average;
    int32_t samples = evaluator->meters[Index(METRIC_CPU)].historyCount;
    Second(0);
    EXPECT_EQ(evaluator->meters[Index(METRIC_CPU)].historyCount, samples);
    EXPECT_EQ(evaluator->meters[Index(METRIC_CPU)].average, average);
    EXPECT_EQ(evaluator->quietMs, 0u);

    for (int i = 0; i < 40; i++) {
        Second(0);
    }
    ASSERT_EQ(status.currentState, STATE_IDLE);
    from = out.log.size();
    SystemResumed(&c);
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"system resumed"}));

    // Outside a watch only a preview's baseline starts again, silently.
    HandleClick(&c, TARGET_BUTTON);
    from = out.log.size();
    calls = out.powerCalls.size();
    SystemSuspending(&c);
    SystemResumed(&c);
    EXPECT_EQ(out.log.size(), from);
    EXPECT_EQ(out.powerCalls.size(), calls);
    EXPECT_EQ(tree->previous.valid, 0);
}

TEST_F(ControllerFixture, ClockStepsKeepAWorkingAppBusy) {
    // Steady at 24% of a core against the 20% limit; the system clock is set an hour ahead,
    // then two hours back.
    Select(1);
    StartWatching(&c);
    for (int i = 0; i < 10; i++) {
        Second(240);
    }
    processes.wallOffset = 3600 * int64_t{SECOND};
    for (int i = 0; i < 5; i++) {
        Second(240);
        EXPECT_EQ(status.currentState, STATE_BUSY) << i;
    }
    processes.wallOffset = -3600 * int64_t{SECOND};
    for (int i = 0; i < 5; i++) {
        Second(240);
        EXPECT_EQ(status.currentState, STATE_BUSY) << i;
    }
    EXPECT_EQ(out.log.back().find("-> BUSY (cpu) quiet=0s lock=held"), out.log.back().size() - 32);
}

TEST_F(ControllerFixture, NoTickInsideATick) {
    Select(1);
    StartWatching(&c);
    Second(900);
    // The shell calls back during the tray update and a nested tick is attempted. (The CPU
    // figure changes from tick to tick, so every tick updates the tooltip.)
    size_t from = out.log.size();
    out.duringNotify = [&] { Tick(&c); };
    Second(800);
    EXPECT_EQ(LogSince(from).size(), 1u);

    // The watch is released while the shell has the tray update: that tick logs nothing.
    from = out.log.size();
    out.duringNotify = [&] { ReleaseFromTray(&c, status.watchSerial); };
    Second(700);
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"stopped watching; lock released"}));
    EXPECT_EQ(power.lastFlags, 0x80000000u);
    EXPECT_EQ(out.menusClosed, 1);
}

TEST_F(ControllerFixture, AMenuCommandForAnEndedWatchIsIgnored) {
    Select(1);
    StartWatching(&c);
    uint32_t menuSerial = status.watchSerial;  // the tray menu opens
    processes.list.erase(processes.list.begin());
    Second(0);  // the app exits while the menu is open
    ASSERT_EQ(status.watchMode, WATCH_OFF);
    size_t from = out.log.size();
    ReleaseFromTray(&c, menuSerial);  // then "Release the lock" is chosen
    EXPECT_TRUE(LogSince(from).empty());
    EXPECT_EQ(Utf8(status.notice), "that app has closed \xC2\xB7 the lock was released");

    // Nor does it end a newer watch.
    processes.Add(APP_PID, 4, 10 * SECOND);
    RefreshAppList(&c);
    view.selectedIndex = 1;
    StartWatching(&c);
    ASSERT_EQ(status.watchMode, WATCH_ON);
    ReleaseFromTray(&c, menuSerial);
    EXPECT_EQ(status.watchMode, WATCH_ON);
    ReleaseFromTray(&c, status.watchSerial);
    EXPECT_EQ(status.watchMode, WATCH_OFF);
    EXPECT_EQ(Utf8(status.notice), "released from the tray");
}

TEST_F(ControllerFixture, ShowingTheWindowListsTheAppsOnce) {
    // Coming to the front activates the window, which refreshes the list on its own.
    out.onFront = [&] { RefreshAppList(&c); };
    out.events.clear();
    ShowMainWindow(&c);
    EXPECT_EQ(std::count(out.events.begin(), out.events.end(), "enumerate"), 1);
    // Already active: no activation, so the show itself lists them.
    out.onFront = nullptr;
    out.events.clear();
    ShowMainWindow(&c);
    EXPECT_EQ(std::count(out.events.begin(), out.events.end(), "enumerate"), 1);
}

TEST(Tray, TooltipTextsAndMenu) {
    WatchedApp app{};
    CopyWideTruncated(app.title, u"Render", APP_TITLE_CAPACITY);
    char16_t tip[TRAY_TIP_CAPACITY];
    FormatTrayTooltip(tip, STATE_IDLE, &app, 0);
    EXPECT_EQ(Utf8(tip), "Pellacord \xC2\xB7 Render \xC2\xB7 released");
    std::u16string longName(80, u'x');
    CopyWideTruncated(app.imageName, longName.c_str(), APP_IMAGE_CAPACITY);
    FormatTrayTooltip(tip, STATE_BUSY, &app, 1234);
    EXPECT_EQ(Utf8(tip), "Pellacord \xC2\xB7 " + std::string(63, 'x') + " \xC2\xB7 123% of one core");

    TrayMenuItem items[TRAY_MENU_MAX];
    ASSERT_EQ(BuildTrayMenu(items, false), 3);
    EXPECT_EQ(items[0].id, IDM_SHOW);
    EXPECT_EQ(items[1].id, 0);
    EXPECT_EQ(items[2].id, IDM_EXIT);
    ASSERT_EQ(BuildTrayMenu(items, true), 4);
    EXPECT_EQ(items[1].id, IDM_RELEASE);
    EXPECT_EQ(Utf8(items[1].text), "Release the lock");
}

}  // namespace
