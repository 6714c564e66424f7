#include "tests/shell/ControllerFixture.h"

#include "shell/Commands.h"

// The hold without an app beside the window's watch: its lines, its lock in a slot of its own,
// its end on the interval clock with the finished action's countdown, sleep and resume, and
// the release from the tray and from a script.

namespace {

ExecutionStateMux g_holdMux;

template <int SLOT>
uint32_t HoldMuxSlot(uint32_t flags) {
    return SetSlotExecutionState(&g_holdMux, SLOT, flags);
}

struct HoldFixture : ControllerFixture {
    HoldState hold{};
    HoldClock clock{7000000, 1800000000000, 6 * 3600000};  // 06:00 local

    void SetUp() override {
        ControllerFixture::SetUp();
        g_holdMux = ExecutionStateMux{{}, FakePower};
        watch->power.setExecutionState = HoldMuxSlot<0>;
        hold.power = MakePowerRequest(HoldMuxSlot<9>);
        hold.clockContext = &clock;
        hold.readClock = [](void* context, HoldClock* now) { *now = *static_cast<HoldClock*>(context); };
        c.hold = &hold;
    }
    // A second on every clock, and its tick; the app used `permille` of a core.
    void Seconds(int n, uint64_t permille = 0) {
        for (int i = 0; i < n; i++) {
            clock.intervalMs += 1000;
            clock.wallMs += 1000;
            clock.localDayMs += 1000;
            Second(permille);
        }
    }
    void Keep(HoldKind kind, uint32_t lengthMs, uint32_t minute = 0, FinishAction then = FinishAction::None,
              bool screen = false) {
        const HoldRequest r = {kind, lengthMs, minute, screen, then};
        StartKeepingAwake(&c, &r);
    }
    bool Held() const { return (g_out->powerCalls.back() & ES_FLAG_SYSTEM_REQUIRED) != 0; }
    bool Logged(const std::string& line, size_t from = 0) const {
        return std::find(out.log.begin() + static_cast<ptrdiff_t>(from), out.log.end(), line) != out.log.end();
    }
};

// A timed hold alone: the lock and its lines, the busy icon with the time left, the end when
// its minute is up, and its sleep after the usual countdown; then nothing is left running.
TEST_F(HoldFixture, ATimedHoldEndsOnTimeAndItsActionFollowsTheCountdown) {
    Keep(HoldKind::For, 60000, 0, FinishAction::Sleep);
    EXPECT_EQ(out.log, (std::vector<std::string>{"keeping awake for 1m", "  screen may still turn off",
                                                 "  when finished: sleep", "  lock held"}))
        << out.log.back();
    EXPECT_TRUE(Held());
    EXPECT_TRUE(out.timerRunning);
    EXPECT_EQ(out.trayCalls.back(), "modify Pellacord \xC2\xB7 keeping awake \xC2\xB7 1 min left");
    EXPECT_EQ(tray.iconKind, TrayIconKind::Busy);
    Seconds(59);
    EXPECT_TRUE(Held());
    EXPECT_EQ(out.trayCalls.back(), "modify Pellacord \xC2\xB7 keeping awake \xC2\xB7 1 s left");
    const size_t from = out.log.size();
    Seconds(1);
    EXPECT_FALSE(Held());
    EXPECT_EQ(LogSince(from),
              (std::vector<std::string>{"hold ended; lock released", "hold over; sleeping the PC in 60 s"}));
    EXPECT_EQ(out.balloons.back(), "Keeping awake is over. Sleep in 60 s");
    EXPECT_EQ(out.trayCalls.back(), "modify Pellacord \xC2\xB7 keeping awake is over \xC2\xB7 Sleep in 60 s");
    Seconds(59);
    EXPECT_TRUE(out.performed.empty());
    Seconds(1);
    EXPECT_EQ(out.performed, std::vector<FinishAction>{FinishAction::Sleep});
    EXPECT_EQ(out.trayCalls.back(), "delete");
    EXPECT_FALSE(out.timerRunning);
    EXPECT_FALSE(HoldHolds(&c));
    EXPECT_EQ(out.exits, 0);  // the window shows: the program goes on
}

// Beside the window's watch: the hold does not end it, the lock is wanted while either wants
// it, the watch's sleep waits for no hold but is refused while one lasts, and --release ends
// both.
TEST_F(HoldFixture, BesideAWatchTheLockIsWantedWhileEitherWantsIt) {
    Select(1);
    StartWatching(&c);
    ChooseFinishAction(&c, FinishAction::Sleep, status.watchSerial);
    Seconds(2, 900);
    Keep(HoldKind::Open, 0);
    EXPECT_EQ(status.watchMode, WATCH_ON);
    EXPECT_TRUE(Logged("keeping awake until released"));
    // The app goes quiet: its wait runs out and its lock goes; the hold's stays.
    for (int i = 0; i < 45 && status.currentState != STATE_IDLE; i++) {
        Seconds(1);
    }
    ASSERT_EQ(status.currentState, STATE_IDLE);
    EXPECT_TRUE(Held());
    EXPECT_EQ(tray.iconKind, TrayIconKind::Busy);
    for (int i = 0; i < 60; i++) {
        CountdownTick(&c);
    }
    EXPECT_TRUE(out.performed.empty());
    EXPECT_TRUE(Logged("finished: not sleeping the PC, other watches hold the lock"));
    // The refused action ended the watch; a new one, then a script's --release: the watch and
    // the hold end, and the lock goes.
    EXPECT_EQ(status.watchMode, WATCH_OFF);
    Select(1);
    StartWatching(&c);
    Seconds(2, 900);
    Command release{};
    release.kind = CommandKind::Release;
    const size_t from = out.log.size();
    EXPECT_EQ(ExecuteCommand(&c, &release), EXIT_OK);
    EXPECT_EQ(status.watchMode, WATCH_OFF);
    EXPECT_FALSE(HoldHolds(&c));
    EXPECT_FALSE(Held());
    EXPECT_EQ(LogSince(from), (std::vector<std::string>{"stopped watching; lock released", "hold ended; lock released"}));
}

// Until a time of day across a sleep: the request is set again at the resume, and the wall
// clock decides the end, though the interval clock hardly moved while the machine slept.
TEST_F(HoldFixture, UntilATimeIsMeasuredAgainAfterAResume) {
    Keep(HoldKind::Until, 0, 7 * 60);
    EXPECT_EQ(out.log.front(), "keeping awake until 07:00");
    Seconds(10);
    SystemSuspending(&c);
    clock.intervalMs += 1000;
    clock.wallMs += 2 * 3600000;
    clock.localDayMs += 2 * 3600000;
    const size_t calls = out.powerCalls.size();
    SystemResumed(&c);
    EXPECT_GT(out.powerCalls.size(), calls);  // the request set again
    EXPECT_TRUE(Logged("system suspending"));
    EXPECT_TRUE(Logged("system resumed; lock re-asserted"));
    Seconds(1);
    EXPECT_TRUE(Logged("hold ended; lock released"));
    EXPECT_FALSE(Held());
    // A clock set back an hour while a timed hold runs changes nothing, even measured again
    // at a resume: its end is on the interval clock.
    Keep(HoldKind::For, 120000);
    clock.wallMs -= 3600000;
    clock.localDayMs -= 3600000;
    SystemResumed(&c);
    Seconds(119);
    EXPECT_TRUE(Held());
    Seconds(1);
    EXPECT_FALSE(Held());
}

// Across a change of daylight saving time the time zone's rules say how long it is until the
// time of day, not the local clock's reading.
TEST_F(HoldFixture, UntilATimeFollowsTheTimeZonesRules) {
    hold.delayUntil = [](void*, uint32_t minute) { return minute == 7 * 60 ? 2 * 3600000u : 0u; };
    Keep(HoldKind::Until, 0, 7 * 60);  // 06:00 now, but the clocks go forward tonight
    Seconds(2 * 3600 - 1);
    EXPECT_TRUE(Held());
    Seconds(1);
    EXPECT_FALSE(Held());
}

// "Release the lock" from the tray ends a hold alone without bringing the window back; with
// the window hidden as well nothing is left to reach, and the program ends. A new hold takes
// the place of one that lasts, and the menu's screen check follows the hold in force.
TEST_F(HoldFixture, ReleasedFromTheTrayAndReplaced) {
    Keep(HoldKind::For, 2 * 3600000);
    Keep(HoldKind::For, 4 * 3600000, 0, FinishAction::None, true);
    TrayMenuModel m{false, false, false, FinishAction::None, false};
    FillHoldMenu(&c, &m);
    EXPECT_TRUE(m.holding);
    EXPECT_EQ(m.holdChoice, 3);
    EXPECT_TRUE(m.holdScreen);
    EXPECT_TRUE((g_out->powerCalls.back() & ES_FLAG_DISPLAY_REQUIRED) != 0);
    EXPECT_EQ(out.trayCalls.back(), "modify Pellacord \xC2\xB7 keeping awake \xC2\xB7 4 h left");
    ToggleHoldScreen(&c);
    EXPECT_TRUE((g_out->powerCalls.back() & ES_FLAG_DISPLAY_REQUIRED) == 0);
    EXPECT_TRUE(Held());
    out.events.clear();
    out.visible = false;
    ReleaseFromTray(&c, status.watchSerial);
    EXPECT_FALSE(Held());
    EXPECT_EQ(std::count(out.events.begin(), out.events.end(), "show"), 0);
    EXPECT_EQ(out.trayCalls.back(), "delete");
    EXPECT_FALSE(out.timerRunning);
    EXPECT_EQ(std::count(out.log.begin(), out.log.end(), "hold ended; lock released"), 1);
    EXPECT_EQ(out.exits, 1);
    EXPECT_FALSE(out.exitedForWork);
}

// Started in the tray, the program stays there with the idle icon whatever ends: a hold with
// the window hidden, or a watch.
TEST_F(HoldFixture, InTheTrayTheIconStaysWhenAHoldOrAWatchEnds) {
    c.trayResident = true;
    out.visible = false;
    UpdateTray(&c);
    EXPECT_EQ(out.trayCalls.back(), "add Pellacord");
    Keep(HoldKind::For, 60000);
    EXPECT_EQ(tray.iconKind, TrayIconKind::Busy);
    Seconds(60);
    EXPECT_FALSE(Held());
    EXPECT_EQ(out.exits, 0);
    EXPECT_EQ(out.trayCalls.back(), "modify Pellacord");
    EXPECT_EQ(tray.iconKind, TrayIconKind::Idle);
    Select(1);
    StartWatching(&c);
    StopWatching(&c, u"");
    EXPECT_TRUE(tray.iconShown);
    EXPECT_EQ(out.trayCalls.back(), "modify Pellacord");
    EXPECT_EQ(std::count(out.trayCalls.begin(), out.trayCalls.end(), "delete"), 0);
    // The window is hidden: nothing is previewed, and nothing ticks.
    EXPECT_FALSE(status.sampling);
    EXPECT_FALSE(out.timerRunning);
}

// With modern standby the hold's request asks for execution too, so its ticks go on with the
// screen off; released, it asks for nothing.
TEST_F(HoldFixture, ModernStandbyKeepsTheHoldsTicks) {
    out.power.modernStandby = true;
    Keep(HoldKind::For, 60000);
    EXPECT_TRUE(hold.power.executionRequired);
    Seconds(60);
    EXPECT_FALSE(hold.power.executionRequired);
    EXPECT_FALSE(Held());
}

}  // namespace
