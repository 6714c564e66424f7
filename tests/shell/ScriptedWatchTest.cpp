#include "tests/shell/ControllerFixture.h"

#include "shell/Commands.h"
#include "base/Text.h"

// Watches named by a script, their limits for one watch, and what happens when the work is
// finished.

namespace {

struct ScriptedWatch : ControllerFixture {
    void SetUp() override {
        ControllerFixture::SetUp();
        out.images = {{u"make.exe", APP_PID}};
    }
    WatchOptions Then(FinishAction action) {
        WatchOptions o{};
        o.then = action;
        return o;
    }
    bool Watch(const char16_t* title, const WatchOptions& o) {
        return WatchTarget(&c, TargetKind::Title, 0, title, &o);
    }
    void Countdown(int seconds) {
        for (int i = 0; i < seconds; i++) {
            CountdownTick(&c);
        }
    }
    // Busy, then quiet until the wait (30 s) is over: the work is finished.
    void WorkThenQuiet() {
        for (int i = 0; i < 5; i++) {
            Second(900);
        }
        for (int i = 0; i < 40 && status.currentState != STATE_IDLE; i++) {
            Second(0);
        }
        ASSERT_EQ(status.currentState, STATE_IDLE);
    }
    bool Logged(const std::string& line, size_t from = 0) const {
        return std::find(out.log.begin() + static_cast<ptrdiff_t>(from), out.log.end(), line) != out.log.end();
    }
    std::string Tip() const { return tray.iconShown ? Utf8(tray.shownTip) : std::string("(no icon)"); }
};

TEST_F(ScriptedWatch, IdleStartsTheCountdownBusyCancelsItAndZeroActsOnce) {
    ASSERT_TRUE(Watch(u"build", Then(FinishAction::Sleep)));
    EXPECT_TRUE(Logged("  when finished: sleep"));
    WorkThenQuiet();
    EXPECT_TRUE(Logged("work finished; sleeping the PC in 60 s"));
    EXPECT_EQ(out.balloons, (std::vector<std::string>{"Build \xC2\xB7 Release is done. Sleep in 60 s"}));
    EXPECT_TRUE(out.countdownRunning);
    EXPECT_EQ(Tip(), "Pellacord \xC2\xB7 make.exe \xC2\xB7 Sleep in 60 s");
    Countdown(2);
    Second(0);  // the watch's ticks go on meanwhile and leave the countdown alone
    EXPECT_EQ(Tip(), "Pellacord \xC2\xB7 make.exe \xC2\xB7 Sleep in 58 s");

    // New work calls it off, and the action stays chosen for the next time.
    size_t from = out.log.size();
    for (int i = 0; i < 3; i++) {
        Second(900);
    }
    EXPECT_TRUE(Logged("finished action cancelled: busy again", from));
    EXPECT_FALSE(out.countdownRunning);
    EXPECT_EQ(watch->finish.action, FinishAction::Sleep);
    EXPECT_EQ(Tip().find("Sleep in"), std::string::npos);
    EXPECT_TRUE(out.performed.empty());

    WorkThenQuiet();
    EXPECT_EQ(out.balloons.size(), 2u);
    Countdown(59);
    EXPECT_TRUE(out.performed.empty());
    from = out.log.size();
    Countdown(1);
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"finished: sleeping the PC", "stopped watching; lock released"}));
    EXPECT_EQ(out.performed, (std::vector<FinishAction>{FinishAction::Sleep}));
    EXPECT_EQ(status.watchMode, WATCH_OFF);
    EXPECT_EQ(power.lastFlags, 0x80000000u);
    EXPECT_FALSE(tray.iconShown);
    EXPECT_FALSE(out.countdownRunning);
    Countdown(5);  // a stray timer message acts no more
    EXPECT_EQ(out.performed.size(), 1u);
}

TEST_F(ScriptedWatch, TheAppsExitStartsTheCountdownAndTheMenuCancelsIt) {
    ASSERT_TRUE(Watch(u"Release", Then(FinishAction::Shutdown)));
    Second(900);
    AppExits();
    size_t from = out.log.size();
    Second(0);
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"the watched process exited", "stopped watching; lock released",
                                                        "work finished; shutting down the PC in 60 s"}));
    EXPECT_EQ(status.watchMode, WATCH_OFF);
    EXPECT_EQ(power.lastFlags, 0x80000000u);
    // The icon stays for the countdown, with the seconds and the way to call it off.
    EXPECT_EQ(Tip(), "Pellacord \xC2\xB7 make.exe \xC2\xB7 Shut down in 60 s");
    EXPECT_TRUE(out.visible);
    Countdown(10);
    EXPECT_EQ(Tip(), "Pellacord \xC2\xB7 make.exe \xC2\xB7 Shut down in 50 s");

    from = out.log.size();
    CancelFinishAction(&c);
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"finished action cancelled"}));
    EXPECT_FALSE(tray.iconShown);
    EXPECT_FALSE(out.countdownRunning);
    EXPECT_EQ(watch->finish.action, FinishAction::None);
    Countdown(60);
    EXPECT_TRUE(out.performed.empty());

    // A new watch, while such a countdown runs, ends it.
    processes.Add(APP_PID, 4, 30 * SECOND);
    ASSERT_TRUE(Watch(u"Release", Then(FinishAction::Hibernate)));
    processes.list.pop_back();
    Second(0);
    EXPECT_TRUE(out.countdownRunning);
    processes.Add(APP_PID, 4, 40 * SECOND);
    from = out.log.size();
    ASSERT_TRUE(Watch(u"Release", WatchOptions{}));
    EXPECT_EQ(LogSince(from).at(0), "finished action cancelled");
    EXPECT_FALSE(out.countdownRunning);
    EXPECT_EQ(watch->finish.action, FinishAction::None);
    EXPECT_TRUE(tray.iconShown);  // the new watch's icon
    Countdown(60);
    EXPECT_TRUE(out.performed.empty());
}

// ExitWindowsEx taking the request only means a shutdown began: a program with unsaved work
// may cancel it. Windows then sends WM_ENDSESSION with FALSE, or the session simply goes on.
TEST_F(ScriptedWatch, AShutdownAnotherProgramCancelsIsReported) {
    ASSERT_TRUE(Watch(u"build", Then(FinishAction::Shutdown)));
    WorkThenQuiet();
    out.visible = false;
    size_t from = out.log.size();
    Countdown(60);
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"finished: shutdown requested", "stopped watching; lock released"}));
    EXPECT_EQ(out.performed, (std::vector<FinishAction>{FinishAction::Shutdown}));
    EXPECT_TRUE(out.shutdownCheck);

    from = out.log.size();
    ShutdownDidNotHappen(&c);  // WM_ENDSESSION with FALSE, or the two minutes are over
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"shutdown did not happen: another program cancelled it"}));
    EXPECT_FALSE(out.shutdownCheck);
    EXPECT_TRUE(out.visible);
    EXPECT_EQ(Utf8(status.notice), "the shutdown did not happen: another program cancelled it");
    // Once is enough: the timer's message after WM_ENDSESSION, or a session end not asked for
    // by Pellacord, says nothing.
    ShutdownDidNotHappen(&c);
    EXPECT_EQ(out.log.size(), from + 1);

    // A request Windows refused at once is reported as such, and nothing waits for it.
    out.performError = 1190;
    ASSERT_TRUE(Watch(u"build", Then(FinishAction::Shutdown)));
    WorkThenQuiet();
    Countdown(60);
    EXPECT_TRUE(Logged("finished action failed: error 1190"));
    EXPECT_FALSE(out.shutdownCheck);
}

TEST_F(ScriptedWatch, ExitAndFailures) {
    // exit: at once, the lock released first, the window never shown.
    out.visible = false;
    ASSERT_TRUE(Watch(u"build", Then(FinishAction::Exit)));
    size_t from = out.log.size();
    WorkThenQuiet();
    std::vector<std::string> lines = LogSince(from);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "finished: exiting");
    EXPECT_EQ(lines.back(), "stopped watching; lock released");
    EXPECT_EQ(out.exits, 1);
    EXPECT_EQ(power.lastFlags, 0x80000000u);
    EXPECT_FALSE(out.visible);
    EXPECT_TRUE(out.performed.empty());

    // The app's exit finishes the work too.
    out.exits = 0;
    ASSERT_TRUE(Watch(u"build", Then(FinishAction::Exit)));
    AppExits();
    Second(0);
    EXPECT_EQ(out.exits, 1);
    EXPECT_FALSE(out.visible);

    // Windows refuses: logged with its code, and the window says so.
    processes.Add(APP_PID, 4, 30 * SECOND);
    out.performError = 1314;
    ASSERT_TRUE(Watch(u"build", Then(FinishAction::Hibernate)));
    WorkThenQuiet();
    from = out.log.size();
    Countdown(60);
    EXPECT_EQ(out.performed, (std::vector<FinishAction>{FinishAction::Hibernate}));
    EXPECT_TRUE(Logged("finished action failed: error 1314", from));
    EXPECT_EQ(Utf8(status.notice), "Windows refused to hibernate the PC: error 1314");
    EXPECT_TRUE(out.visible);

    // No timer for the countdown: nothing happens rather than something without a minute's notice.
    out.countdownError = 8;
    ASSERT_TRUE(Watch(u"build", Then(FinishAction::Shutdown)));
    WorkThenQuiet();
    EXPECT_TRUE(Logged("could not start the countdown: error 8; finished action cancelled"));
    Countdown(60);
    EXPECT_EQ(out.performed.size(), 1u);
}

TEST_F(ScriptedWatch, TheTrayMenuChoosesForTheCurrentWatch) {
    ASSERT_TRUE(Watch(u"build", WatchOptions{}));
    const uint32_t serial = status.watchSerial;
    Second(900);
    ChooseFinishAction(&c, FinishAction::Exit, serial - 1);  // a menu of an earlier watch
    EXPECT_EQ(watch->finish.action, FinishAction::None);
    ChooseFinishAction(&c, FinishAction::Exit, serial);
    EXPECT_TRUE(Logged("when finished: exit Pellacord"));
    EXPECT_EQ(out.exits, 0);  // busy: later
    WorkThenQuiet();
    EXPECT_EQ(out.exits, 1);

    // Chosen when the work is finished already: the countdown starts at once.
    ASSERT_TRUE(Watch(u"build", WatchOptions{}));
    WorkThenQuiet();
    ChooseFinishAction(&c, FinishAction::Sleep, status.watchSerial);
    EXPECT_TRUE(out.countdownRunning);
    EXPECT_EQ(watch->finish.secondsLeft, FINISH_COUNTDOWN_SECONDS);
    // Changing the choice calls the countdown off.
    size_t from = out.log.size();
    ChooseFinishAction(&c, FinishAction::None, status.watchSerial);
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"finished action cancelled", "when finished: do nothing"}));
    EXPECT_FALSE(out.countdownRunning);

    // The next watch starts with "Do nothing", unless its command says otherwise.
    processes.Add(77, 4, 5 * SECOND);
    out.images = {{u"other.exe", 77}};
    ChooseFinishAction(&c, FinishAction::Hibernate, status.watchSerial);
    Countdown(3);
    from = out.log.size();
    ASSERT_TRUE(Watch(u"other", WatchOptions{}));
    EXPECT_EQ(LogSince(from).at(0), "stopped watching; lock released");
    EXPECT_EQ(LogSince(from).at(1), "finished action cancelled");
    EXPECT_EQ(watch->finish.action, FinishAction::None);
    EXPECT_FALSE(out.countdownRunning);
}

TEST_F(ScriptedWatch, TargetsByPidImageAndTitle) {
    processes.Add(900, 4, 50 * SECOND);  // ffmpeg, without a window
    out.images = {{u"make.exe", APP_PID}, {u"ffmpeg.exe", 900}, {u"other.exe", 77}};
    processes.Add(77, 4, 5 * SECOND);
    WatchOptions none{};
    struct Case {
        TargetKind kind;
        uint32_t pid;
        const char16_t* text;
        bool found;
        uint32_t watched;
        const char* title;
    };
    const Case CASES[] = {
        {TargetKind::Pid, 4242, u"4242", false, 0, ""},
        {TargetKind::Title, 0, u"no such window", false, 0, ""},
        {TargetKind::Title, 0, u"bUiLd \u00B7 rElEaSe", true, APP_PID, "Build \xC2\xB7 Release"},
        {TargetKind::Title, 0, u"e", true, 77, "Other"},  // the first match in the list's order
        {TargetKind::Pid, APP_PID, u"500", true, APP_PID, "Build \xC2\xB7 Release"},
        {TargetKind::Pid, 900, u"900", true, 900, "ffmpeg.exe"},  // the image name stands in
        {TargetKind::Image, 0, u"FFMPEG.EXE", true, 900, "ffmpeg.exe"},
    };
    for (const Case& k : CASES) {
        SCOPED_TRACE(Utf8(k.text));
        StopWatching(&c, u"");
        size_t from = out.log.size();
        EXPECT_EQ(WatchTarget(&c, k.kind, k.pid, k.text, &none), k.found);
        if (!k.found) {
            EXPECT_EQ(status.watchMode, WATCH_OFF);
            EXPECT_TRUE(LogSince(from).empty());
            continue;
        }
        EXPECT_EQ(status.watchMode, WATCH_ON);
        EXPECT_EQ(status.watchedApp.pid, k.watched);
        EXPECT_EQ(Utf8(status.watchedApp.title), k.title);
        EXPECT_EQ(LogSince(from).at(0), std::string("watching: ") + k.title);
        EXPECT_EQ(out.visible, false);  // the window goes to the tray, as for the button
    }

    // A target that is not found leaves the running watch alone; one that is replaces it.
    size_t from = out.log.size();
    EXPECT_FALSE(WatchTarget(&c, TargetKind::Title, 0, u"nothing like it", &none));
    EXPECT_EQ(status.watchedApp.pid, 900u);
    EXPECT_TRUE(WatchTarget(&c, TargetKind::Pid, APP_PID, u"500", &none));
    EXPECT_EQ(LogSince(from).at(0), "stopped watching; lock released");
    EXPECT_EQ(LogSince(from).at(1), "watching: Build \xC2\xB7 Release");
}

TEST_F(ScriptedWatch, AnImageThatIsNotRunningIsAwaited) {
    WatchOptions o = Then(FinishAction::Exit);
    size_t from = out.log.size();
    ASSERT_TRUE(WatchTarget(&c, TargetKind::Image, 0, u"render.exe", &o));
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"waiting for render.exe to start"}));
    EXPECT_EQ(status.watchMode, WATCH_ON);
    EXPECT_EQ(Tip(), "Pellacord \xC2\xB7 waiting for render.exe");
    EXPECT_EQ(tray.iconKind, TrayIconKind::Idle);
    EXPECT_TRUE(power.lastFlags == 0 || power.lastFlags == 0x80000000u);  // nothing is held
    EXPECT_TRUE(out.timerRunning);
    from = out.log.size();
    for (int i = 0; i < 5; i++) {
        Second(0);
    }
    EXPECT_TRUE(LogSince(from).empty());  // no tick lines while nothing runs

    processes.Add(910, 4, 1100 * SECOND);
    out.images = {{u"Render.exe", 910}};
    Second(0);
    EXPECT_EQ(LogSince(from).at(0), "watching: Render.exe");
    EXPECT_EQ(status.watchedApp.pid, 910u);
    EXPECT_EQ(status.waitingFor[0], 0);
    EXPECT_EQ(power.lastFlags, 0x80000001u);
    EXPECT_EQ(watch->finish.action, FinishAction::Exit);  // the command's choice carries over

    // Releasing a wait ends it.
    ASSERT_TRUE(WatchTarget(&c, TargetKind::Image, 0, u"blender.exe", &o));
    from = out.log.size();
    ReleaseFromTray(&c, status.watchSerial);
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"stopped waiting for blender.exe"}));
    EXPECT_EQ(status.watchMode, WATCH_OFF);
    EXPECT_FALSE(tray.iconShown);
    EXPECT_FALSE(out.timerRunning);

    // Without a timer nothing could ever look for the app: the command fails.
    out.timerError = 1406;
    from = out.log.size();
    EXPECT_FALSE(WatchTarget(&c, TargetKind::Image, 0, u"blender.exe", &o));
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"could not start the tick timer: error 1406"}));
    EXPECT_EQ(status.watchMode, WATCH_OFF);
    EXPECT_EQ(status.waitingFor[0], 0);
    EXPECT_FALSE(tray.iconShown);
}

TEST_F(ScriptedWatch, LimitsForOneWatchAreShownUsedAndNeverSaved) {
    keepDisplayOn = false;
    WatchOptions o{};
    o.hasLimit[Index(METRIC_CPU)] = true;
    o.limit[Index(METRIC_CPU)] = 500;
    o.hasLimit[WAIT_ROW] = true;
    o.limit[WAIT_ROW] = 45000;
    o.screen = true;
    o.hasGpu = true;
    o.gpu = 500;
    ASSERT_TRUE(Watch(u"build", o));
    EXPECT_TRUE(Logged("  thresholds: cpu 500 permille | disk 1048576 B/s | net 2048 B/s | mem 3000 faults/s | wait 45s"
                       " | gpu 500 permille"));
    EXPECT_EQ(evaluator->limits->gpu, 500u);
    EXPECT_TRUE(Logged("  screen will be kept on too"));
    EXPECT_EQ(limits.rows[Index(METRIC_CPU)].value, 500u);
    EXPECT_EQ(evaluator->limits->rows[Index(METRIC_CPU)].value, 500u);
    EXPECT_EQ(power.lastFlags, 0x80000003u);
    EXPECT_GE(out.limitsChanged, 1);
    EXPECT_EQ(out.saves, 0);
    Second(400);
    Second(400);
    EXPECT_EQ(status.currentState, STATE_GRACE);  // 40% is under this watch's 50%

    // The user moves the disk slider and unticks the screen: those are the user's and saved;
    // the script's cpu and wait are not.
    limits.rows[Index(METRIC_DISK)].value = 2u << 20;
    SaveUserSettings(&c);
    keepDisplayOn = false;
    SaveUserSettings(&c);
    EXPECT_EQ(out.saves, 2);
    EXPECT_EQ(out.savedDisplay, 0);
    EXPECT_EQ(out.savedTable.rows[Index(METRIC_CPU)].value, 200u);
    EXPECT_EQ(out.savedTable.rows[WAIT_ROW].value, 30000u);
    EXPECT_EQ(out.savedTable.rows[Index(METRIC_DISK)].value, 2u << 20);
    EXPECT_EQ(out.savedTable.gpu, GPU_LIMIT_DEFAULT);

    int changes = out.limitsChanged;
    StopWatching(&c, u"");
    EXPECT_EQ(limits.rows[Index(METRIC_CPU)].value, 200u);
    EXPECT_EQ(limits.rows[WAIT_ROW].value, 30000u);
    EXPECT_EQ(limits.rows[Index(METRIC_DISK)].value, 2u << 20);
    EXPECT_EQ(evaluator->limits->rows[Index(METRIC_CPU)].value, 200u);
    EXPECT_EQ(limits.gpu, GPU_LIMIT_DEFAULT);
    EXPECT_FALSE(keepDisplayOn);
    EXPECT_EQ(out.limitsChanged, changes + 1);

    // With the screen left ticked, the saved choice comes back at the end.
    o.screen = true;
    ASSERT_TRUE(Watch(u"build", o));
    EXPECT_TRUE(keepDisplayOn);
    StopWatching(&c, u"");
    EXPECT_FALSE(keepDisplayOn);
    EXPECT_EQ(out.saves, 2);

    // A row the script set, moved by the user during the watch, is the user's again: saved,
    // and kept when the watch ends.
    ASSERT_TRUE(Watch(u"build", o));
    limits.rows[Index(METRIC_CPU)].value = 700;
    SaveUserSettings(&c);
    EXPECT_EQ(out.saves, 3);
    EXPECT_EQ(out.savedTable.rows[Index(METRIC_CPU)].value, 700u);
    EXPECT_EQ(out.savedTable.rows[WAIT_ROW].value, 30000u);
    StopWatching(&c, u"");
    EXPECT_EQ(limits.rows[Index(METRIC_CPU)].value, 700u);
    EXPECT_EQ(limits.rows[WAIT_ROW].value, 30000u);
}

// A save finds the file edited by hand: the edits of settings the program did not change are
// taken, and in force at once unless this watch set its own. A failed save is logged once,
// until a save works again.
TEST_F(ScriptedWatch, SavesTakeHandEditsAndReportAFailureOnce) {
    WatchOptions o{};
    o.hasLimit[Index(METRIC_CPU)] = true;
    o.limit[Index(METRIC_CPU)] = 500;
    ASSERT_TRUE(Watch(u"build", o));
    out.handEdit = [](LimitTable* t, bool* display) {
        t->rows[Index(METRIC_NET)].value = 9000;
        t->rows[Index(METRIC_CPU)].value = 700;
        *display = true;
    };
    int changes = out.limitsChanged;
    limits.rows[Index(METRIC_DISK)].value = 2u << 20;  // the user moves the disk slider
    SaveUserSettings(&c);
    EXPECT_EQ(limits.rows[Index(METRIC_NET)].value, 9000u);
    EXPECT_EQ(evaluator->limits->rows[Index(METRIC_NET)].value, 9000u);
    EXPECT_EQ(limits.rows[Index(METRIC_CPU)].value, 500u);  // this watch's own, until it ends
    EXPECT_TRUE(keepDisplayOn);
    EXPECT_GT(out.limitsChanged, changes);
    StopWatching(&c, u"");
    EXPECT_EQ(limits.rows[Index(METRIC_CPU)].value, 700u);
    EXPECT_EQ(limits.rows[Index(METRIC_DISK)].value, 2u << 20);

    size_t from = out.log.size();
    out.saveError = 5;
    SaveUserSettings(&c);
    SaveUserSettings(&c);
    out.saveError = 0;
    SaveUserSettings(&c);
    out.saveError = 32;
    SaveUserSettings(&c);
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"settings could not be saved: error 5",
                                                        "settings could not be saved: error 32"}));
}

// What a command does in the copy that runs, and what the copy that was given it says.
TEST_F(ScriptedWatch, CommandsInTheRunningCopy) {
    auto command = std::make_unique<Command>();
    command->kind = CommandKind::Watch;
    command->targetKind = TargetKind::Title;
    CopyWide(command->text, u"Render", COMMAND_TEXT_CAPACITY);
    EXPECT_EQ(ExecuteCommand(&c, command.get()), EXIT_NOT_FOUND);
    char16_t message[COMMAND_MESSAGE_CAPACITY];
    FormatCommandFailure(message, COMMAND_MESSAGE_CAPACITY, command.get(), EXIT_NOT_FOUND);
    EXPECT_EQ(Utf8(message), "no open app's title contains \"Render\"");
    command->targetKind = TargetKind::Pid;
    command->pid = 4242;
    EXPECT_EQ(ExecuteCommand(&c, command.get()), EXIT_NOT_FOUND);
    FormatCommandFailure(message, COMMAND_MESSAGE_CAPACITY, command.get(), EXIT_NOT_FOUND);
    EXPECT_EQ(Utf8(message), "no process has the id 4242");

    command->pid = APP_PID;
    EXPECT_EQ(ExecuteCommand(&c, command.get()), EXIT_OK);
    EXPECT_EQ(status.watchMode, WATCH_ON);
    out.visible = false;
    command->kind = CommandKind::Release;
    command->text[0] = 0;  // --release alone: the window's watch
    EXPECT_EQ(ExecuteCommand(&c, command.get()), EXIT_OK);
    EXPECT_EQ(status.watchMode, WATCH_OFF);
    EXPECT_EQ(Utf8(status.notice), "released by a command");
    EXPECT_FALSE(out.visible);
    EXPECT_EQ(ExecuteCommand(&c, command.get()), EXIT_OK);  // nothing to release is no failure
    command->kind = CommandKind::Show;
    EXPECT_EQ(ExecuteCommand(&c, command.get()), EXIT_OK);
    EXPECT_TRUE(out.visible);
    command->kind = CommandKind::Exit;
    EXPECT_EQ(ExecuteCommand(&c, command.get()), EXIT_OK);
    EXPECT_EQ(out.exits, 1);
}

}  // namespace
