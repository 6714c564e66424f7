#include "tests/shell/ControllerFixture.h"

namespace {

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

// The watch goes on while a process the app started lives (a launcher's worker, a shell's
// compiler), and ends when the last one exits.
TEST_F(ControllerFixture, TheWatchEndsWithTheLastProcessOfTheTree) {
    Select(1);
    StartWatching(&c);
    Second(900);
    processes.list.erase(processes.list.begin());  // the root is gone; its child lives on
    size_t from = out.log.size();
    processes.Find(501)->counters.cpuTime += SECOND;
    Second(0);
    std::vector<std::string> lines = LogSince(from);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "  the watched process exited; 1 processes it started still run");
    EXPECT_EQ(lines[1].substr(0, 17), "tick procs=1 cpu=");  // the child alone, measured
    EXPECT_EQ(status.watchMode, WATCH_ON);
    EXPECT_EQ(power.lastFlags, 0x80000001u);
    for (int i = 0; i < 3; i++) {
        processes.Find(501)->counters.cpuTime += SECOND;
        Second(0);
    }
    EXPECT_EQ(LogSince(from).size(), 5u);  // the exit is told once

    AppExits();  // the child goes too
    from = out.log.size();
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
    out.shellHasIcon = false;
    Second(0);
    EXPECT_EQ(tray.iconShown, 0);
    Second(0);
    EXPECT_EQ(out.trayCalls.back(), "add Pellacord");
    EXPECT_EQ(tray.iconShown, 1);

    // A modify that fails for a moment while the shell still shows the icon: the shell refuses
    // to add it again, and a modify finds it, so it never freezes.
    ForgetShownTray(&tray);
    out.refuseModify = true;
    Second(0);
    EXPECT_EQ(tray.iconShown, 0);
    out.refuseModify = false;
    Second(0);
    ASSERT_GE(out.trayCalls.size(), 2u);
    EXPECT_EQ(out.trayCalls[out.trayCalls.size() - 2], "add Pellacord");
    EXPECT_EQ(out.trayCalls.back(), "modify Pellacord");
    EXPECT_EQ(tray.iconShown, 1);
    Second(0);
    EXPECT_EQ(out.trayCalls.back(), "modify Pellacord \xC2\xB7 make.exe \xC2\xB7 quiet, still holding");

    HandleClick(&c, TARGET_BUTTON);
    EXPECT_EQ(out.trayCalls.back(), "delete");
    EXPECT_FALSE(out.shellHasIcon);
}

// The record may believe the icon gone while the shell still shows it: the release removes it
// all the same, so no stale icon stays after the lock is released.
TEST_F(ControllerFixture, ReleaseRemovesAnIconTheRecordLostTrackOf) {
    Select(1);
    StartWatching(&c);
    Second(900);
    ForgetShownTray(&tray);
    out.refuseModify = true;
    Second(0);
    EXPECT_EQ(tray.iconShown, 0);
    EXPECT_TRUE(out.shellHasIcon);
    HandleClick(&c, TARGET_BUTTON);
    EXPECT_FALSE(out.shellHasIcon);
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
        bool standby;
        AcDcValues policy;
        uint32_t override;
        int32_t keepDisplayOn;
        std::vector<std::string> notes;
    };
    const std::string standby = "  note: this PC may still sleep when the screen turns off (modern standby); "
                                "tick 'Keep the screen on too' to prevent it";
    const std::string policy = "  note: a system policy stops programs from keeping this PC awake";
    const std::string ignored = "  powercfg /requestsoverride makes Windows ignore Pellacord's system request";
    const AcDcValues none = {};
    const AcDcValues offOnMains = {true, 0, true, 1};
    const Case cases[] = {
        {false, none, 0, 0, {}},
        {true, none, 0, 0, {standby}},
        {true, none, 0, 1, {}},  // the screen is kept on: nothing to say
        {false, offOnMains, 0, 1, {policy}},
        {false, {true, 1, true, 0}, 0, 0, {}},  // off on battery only, and this PC runs on mains
        {true, offOnMains, OVERRIDE_SYSTEM, 0, {standby, policy, ignored}},
    };
    Select(1);
    for (const Case& k : cases) {
        out.power.modernStandby = k.standby;
        out.power.sleepPolicy = k.policy;
        out.power.requestsOverride = k.override;
        keepDisplayOn = k.keepDisplayOn;
        size_t from = out.log.size();
        StartWatching(&c);
        std::vector<std::string> lines = LogSince(from);
        ASSERT_GE(lines.size(), 5u);
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 5, lines.end()), k.notes) << k.standby;
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
    AppExits();
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

// The hotkey watches the app in front with the limits in force and says so; pressed again it
// stops that watch, wherever the focus is by then. Nothing in front is said, and changes nothing.
TEST_F(ControllerFixture, TheHotkeyWatchesTheAppInFrontAndStopsItsOwnWatch) {
    out.images = {{u"make.exe", APP_PID}, {u"other.exe", 77}, {u"StartMenuExperienceHost.exe", 88}};
    processes.Add(77, 4, 10 * SECOND);
    processes.Add(88, 4, 10 * SECOND);
    for (uint32_t front : {0u, 88u}) {  // nothing, or the Start menu
        HotkeyPressed(&c, front, u"Ctrl+Alt+W");
        EXPECT_EQ(out.balloons.back(), "No app in front to watch");
        EXPECT_EQ(status.watchMode, WATCH_OFF);
    }
    EXPECT_TRUE(out.log.empty());

    HotkeyPressed(&c, APP_PID, u"Ctrl+Alt+W");
    ASSERT_EQ(status.watchMode, WATCH_ON);
    EXPECT_EQ(status.watchedApp.pid, APP_PID);
    EXPECT_EQ(out.balloons.back(), "Watching Build \xC2\xB7 Release. Press Ctrl+Alt+W again to stop.");
    EXPECT_EQ(out.log.at(0), "watching: Build \xC2\xB7 Release");
    Second(900);
    HotkeyPressed(&c, 77, u"Ctrl+Alt+W");  // another app is in front by now
    EXPECT_EQ(status.watchMode, WATCH_OFF);
    EXPECT_EQ(out.balloons.back(), "Stopped watching Build \xC2\xB7 Release.");
    EXPECT_EQ(out.log.back(), "stopped watching; lock released");

    // A watch the hotkey did not start is not its to stop. A process gone before it could be
    // watched is said, and the watch goes on; the app in front takes its place.
    Select(1);
    StartWatching(&c);
    HotkeyPressed(&c, 4242, u"Ctrl+Alt+W");
    EXPECT_EQ(out.balloons.back(), "No app in front to watch");
    EXPECT_EQ(status.watchedApp.pid, APP_PID);
    HotkeyPressed(&c, 77, u"Ctrl+Alt+W");
    EXPECT_EQ(status.watchMode, WATCH_ON);
    EXPECT_EQ(status.watchedApp.pid, 77u);
    // The app already watched, by the window's own watch with its finished action: it goes on.
    Select(1);
    StartWatching(&c);
    ChooseFinishAction(&c, FinishAction::Sleep, status.watchSerial);
    const uint32_t serial = status.watchSerial;
    HotkeyPressed(&c, APP_PID, u"Ctrl+Alt+W");
    EXPECT_EQ(out.balloons.back(), "Already watching Build \xC2\xB7 Release.");
    EXPECT_EQ(status.watchSerial, serial);
    EXPECT_EQ(c.watch->finish.action, FinishAction::Sleep);
}

TEST(Tray, TooltipTextsAndMenu) {
    WatchedApp app{};
    CopyWide(app.title, u"Render", APP_TITLE_CAPACITY);
    char16_t tip[TRAY_TIP_CAPACITY];
    FormatTrayTooltip(tip, STATE_IDLE, &app, 0, TRAY_NOT_GPU);
    EXPECT_EQ(Utf8(tip), "Pellacord \xC2\xB7 Render \xC2\xB7 released");
    std::u16string longName(80, u'x');
    CopyWide(app.imageName, longName.c_str(), APP_IMAGE_CAPACITY);
    FormatTrayTooltip(tip, STATE_BUSY, &app, 1234, TRAY_NOT_GPU);
    EXPECT_EQ(Utf8(tip), "Pellacord \xC2\xB7 " + std::string(63, 'x') + " \xC2\xB7 123% of one core");
    FormatTrayTooltip(tip, STATE_BUSY, &app, 12, 875);  // busy for its GPU
    EXPECT_EQ(Utf8(tip), "Pellacord \xC2\xB7 " + std::string(63, 'x') + " \xC2\xB7 GPU 87%");

    // The menu's items as "text" lines, "-" for separators, "  " before a choice, "*" when checked.
    auto menu = [](const TrayMenuModel& m) {
        TrayMenuItem items[TRAY_MENU_MAX];
        int32_t n = BuildTrayMenu(items, &m);
        std::string out;
        for (int32_t i = 0; i < n; i++) {
            const TrayMenuItem& it = items[i];
            out += it.kind == MenuItemKind::Separator ? std::string("-")
                   : it.kind == MenuItemKind::Close   ? std::string("<")
                   : (it.kind == MenuItemKind::Choice ? "  " : "") + Utf8(it.text) + (it.checked ? "*" : "");
            out += it.kind == MenuItemKind::Submenu || it.kind == MenuItemKind::Open ? " >" : "";
            out += "|";
            FinishAction a;
            const bool hold = it.id >= IDM_HOLD_FOR && it.id <= IDM_HOLD_OPEN;
            EXPECT_EQ(it.kind == MenuItemKind::Choice, FinishActionOfCommand(it.id, &a) || hold) << Utf8(it.text);
        }
        return out;
    };
    const std::string keep = "Keep awake >|  For 30 minutes|  For 1 hour|  For 2 hours|  For 4 hours|"
                             "  Until I release|-|Keep the screen on too|<|";
    EXPECT_EQ(menu(TrayMenuModel{false, false, false, FinishAction::None, false}), "Show Pellacord|" + keep + "-|Exit|");
    EXPECT_EQ(menu(TrayMenuModel{true, false, false, FinishAction::Sleep, false}),
              "Show Pellacord|Release the lock|When finished >|  Do nothing|  Sleep*|  Hibernate|  Shut down|"
              "  Exit Pellacord|Release below 20% battery|" + keep + "-|Exit|");
    // A hold alone: "Release the lock" ends it; its choice and the screen are checked.
    TrayMenuModel held{false, false, false, FinishAction::None, false};
    held.holding = true;
    held.holdChoice = 2;
    held.holdScreen = true;
    EXPECT_EQ(menu(held), "Show Pellacord|Release the lock|Keep awake >|  For 30 minutes|  For 1 hour|  For 2 hours*|"
                          "  For 4 hours|  Until I release|-|Keep the screen on too*|<|-|Exit|");
    EXPECT_EQ(menu(TrayMenuModel{true, true, false, FinishAction::None, true}).substr(0, 44),
              "Show Pellacord|Stop waiting|When finished >|");
    EXPECT_NE(menu(TrayMenuModel{true, false, false, FinishAction::None, true}).find("|Release below 20% battery*|"),
              std::string::npos);
    EXPECT_EQ(menu(TrayMenuModel{false, false, true, FinishAction::Shutdown, false}),
              "Cancel|-|Show Pellacord|" + keep + "-|Exit|");
    TrayMenuItem items[TRAY_MENU_MAX];
    TrayMenuModel all{true, true, true, FinishAction::Exit, true};
    EXPECT_LE(BuildTrayMenu(items, &all), TRAY_MENU_MAX);
    FinishAction chosen = FinishAction::None;
    ASSERT_TRUE(FinishActionOfCommand(IDM_FINISH_FIRST + 4, &chosen));
    EXPECT_EQ(chosen, FinishAction::Exit);
    EXPECT_FALSE(FinishActionOfCommand(IDM_EXIT, &chosen));
}

}  // namespace
