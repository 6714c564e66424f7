#include "tests/shell/ControllerFixture.h"

// The power side of a watch: the power source, battery, display and lid as Windows notifies
// them, what they mean for the lock, the battery floor, a pause of the machine that sent no
// message, and the finished actions on a PC with modern standby.

namespace {

struct PowerWatch : ControllerFixture {
    void SetUp() override {
        ControllerFixture::SetUp();
        out.images = {{u"make.exe", APP_PID}};
    }
    void Start(const WatchOptions& o = {}) {
        ASSERT_TRUE(WatchTarget(&c, TargetKind::Title, 0, u"build", &o));
    }
    // What Windows sends on registration: the state as it is, which is not a change.
    void Registered(uint32_t source, uint32_t percent) {
        PowerSettingChanged(&c, PowerSetting::Source, source);
        PowerSettingChanged(&c, PowerSetting::Battery, percent);
        PowerSettingChanged(&c, PowerSetting::Display, 1);
        PowerSettingChanged(&c, PowerSetting::Lid, 1);
    }
    std::vector<std::string> Notify(PowerSetting s, uint32_t value) {
        size_t from = out.log.size();
        PowerSettingChanged(&c, s, value);
        return LogSince(from);
    }
    void OnBatteryAt(uint8_t percent) {
        out.power.source = POWER_SOURCE_BATTERY;
        out.power.batteryPercent = percent;
    }
    bool Logged(const std::string& line, size_t from = 0) const {
        return std::find(out.log.begin() + static_cast<ptrdiff_t>(from), out.log.end(), line) != out.log.end();
    }
    using Lines = std::vector<std::string>;
};

TEST_F(PowerWatch, EachChangeIsLoggedOnceAsItHappens) {
    EXPECT_FALSE(out.followingPower);
    Start();
    EXPECT_TRUE(out.followingPower);
    size_t from = out.log.size();
    Registered(0, 80);
    EXPECT_EQ(LogSince(from), Lines{});

    struct Step { PowerSetting setting; uint32_t value; Lines lines; };
    const Step steps[] = {
        {PowerSetting::Source, 1, {"power: on battery"}},
        {PowerSetting::Battery, 79, {}},
        {PowerSetting::Display, 0, {"display: off"}},
        {PowerSetting::Display, 2, {"display: on"}},  // dimmed is on
        {PowerSetting::Display, 1, {}},
        {PowerSetting::Lid, 0, {"lid: closed"}},
        {PowerSetting::Lid, 0, {}},
        {PowerSetting::Lid, 1, {"lid: open"}},
        {PowerSetting::Source, 2, {}},                // a UPS is a battery too
        {PowerSetting::Source, 0, {"power: on AC"}},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(Notify(s.setting, s.value), s.lines) << static_cast<int>(s.setting) << " " << s.value;
    }
    HandleClick(&c, TARGET_BUTTON);
    EXPECT_FALSE(out.followingPower);
    EXPECT_EQ(Notify(PowerSetting::Source, 1), Lines{});  // one that came after its watch
}

// Modern standby: the object asks for execution beside the system; elsewhere it does not. A
// watch on battery is told once how long Windows keeps to the request, in the log and a balloon,
// unless the screen is kept on.
TEST_F(PowerWatch, ModernStandbyOnBattery) {
    const std::string limit = "on battery this PC may sleep 5 minutes after its sleep timeout; plug it in or keep "
                              "the screen on";
    Start();
    EXPECT_FALSE(power.executionRequired);
    HandleClick(&c, TARGET_BUTTON);

    out.power.modernStandby = true;
    Start();
    EXPECT_TRUE(power.executionRequired);
    EXPECT_FALSE(Logged("  " + limit));
    Registered(0, 90);
    EXPECT_EQ(Notify(PowerSetting::Source, 1), (Lines{"power: on battery", "  " + limit}));
    EXPECT_EQ(out.balloons, Lines{limit});
    Notify(PowerSetting::Source, 0);
    EXPECT_EQ(Notify(PowerSetting::Source, 1), Lines{"power: on battery"});  // once per watch
    HandleClick(&c, TARGET_BUTTON);
    EXPECT_FALSE(power.executionRequired);

    OnBatteryAt(60);
    size_t from = out.log.size();
    Start();  // on battery from the start
    EXPECT_TRUE(Logged("  " + limit, from));
    EXPECT_EQ(out.balloons.size(), 2u);
    HandleClick(&c, TARGET_BUTTON);

    keepDisplayOn = true;
    from = out.log.size();
    Start();
    EXPECT_FALSE(Logged("  " + limit, from));
}

// A tick long after the one before follows a pause that sent no message: it is a resume, and
// the pause is no quiet time.
TEST_F(PowerWatch, AGapOfMoreThanThreeSecondsIsAResume) {
    Start();
    for (int i = 0; i < 3; i++) {
        Second(900);
    }
    for (int i = 0; i < 5; i++) {
        Second(0);
    }
    ASSERT_EQ(status.currentState, STATE_GRACE);
    const uint64_t quiet = evaluator->quietMs;
    const size_t powerCalls = out.powerCalls.size();
    const int timerStarts = out.timerStarts;

    size_t from = out.log.size();
    processes.now += 3 * SECOND;  // three seconds: slow, not a pause
    Tick(&c);
    EXPECT_FALSE(Logged("system resumed; lock re-asserted", from));
    EXPECT_EQ(evaluator->quietMs, quiet + 3000);

    from = out.log.size();
    processes.now += 3 * SECOND + 1;
    Tick(&c);
    Lines lines = LogSince(from);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "system resumed; lock re-asserted");
    EXPECT_EQ(lines[1].rfind("tick procs=", 0), 0u);
    EXPECT_EQ(evaluator->quietMs, quiet + 3000);
    EXPECT_EQ(status.currentState, STATE_GRACE);
    EXPECT_EQ(out.powerCalls.size(), powerCalls + 1);  // set again, though nothing changed
    EXPECT_EQ(out.powerCalls.back(), 0x80000001u);
    EXPECT_EQ(out.timerStarts, timerStarts + 1);
    Second(0);
    EXPECT_EQ(evaluator->quietMs, quiet + 4000);
}

// Below the floor on battery the lock goes while the watch measures on; above the floor by more
// than five points, or back on mains, it comes back.
TEST_F(PowerWatch, TheBatteryFloorReleasesAndReasserts) {
    optional.batteryFloor = 20;
    OnBatteryAt(40);
    Start();
    Registered(1, 40);
    EXPECT_EQ(power.lastFlags, 0x80000001u);

    struct Step { uint32_t percent; Lines lines; uint32_t flags; };
    const Step steps[] = {
        {21, {}, 0x80000001u},
        {20, {"battery at 20%: lock released to save the battery"}, 0x80000000u},
        {24, {}, 0x80000000u},
        {25, {}, 0x80000000u},
        {26, {"battery at 26%: lock re-asserted"}, 0x80000001u},
        {19, {"battery at 19%: lock released to save the battery"}, 0x80000000u},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(Notify(PowerSetting::Battery, s.percent), s.lines) << s.percent;
        EXPECT_EQ(power.lastFlags, s.flags) << s.percent;
    }
    EXPECT_TRUE(status.batterySaving);
    EXPECT_EQ(Utf8(tray.shownTip), "Pellacord \xC2\xB7 make.exe \xC2\xB7 released to save the battery");
    size_t from = out.log.size();
    Second(900);  // the first tick, a baseline: busy, and still released
    EXPECT_EQ(power.lastFlags, 0x80000000u);
    ASSERT_FALSE(LogSince(from).empty());
    EXPECT_NE(LogSince(from).back().find("-> BUSY (-) quiet=0s lock=battery"), std::string::npos) << LogSince(from).back();

    EXPECT_EQ(Notify(PowerSetting::Source, 0), Lines{"power: on AC; lock re-asserted"});
    EXPECT_EQ(power.lastFlags, 0x80000001u);
    EXPECT_FALSE(status.batterySaving);

    // The tray menu turns the floor off and on; the file keeps the user's choice.
    Notify(PowerSetting::Source, 1);  // 19%: below the floor again
    EXPECT_TRUE(status.batterySaving);
    SetBatteryFloor(&c, 0);
    EXPECT_EQ(power.lastFlags, 0x80000001u);
    EXPECT_EQ(out.savedOptional.batteryFloor, 0u);
    SetBatteryFloor(&c, BATTERY_GUARD_MENU_FLOOR);
    EXPECT_EQ(power.lastFlags, 0x80000000u);
    EXPECT_EQ(out.savedOptional.batteryFloor, 20u);
}

// --battery holds for its watch only: shown with the thresholds, never saved, the user's back
// after it.
TEST_F(PowerWatch, ABatteryFloorForOneWatch) {
    WatchOptions o{};
    o.hasBattery = true;
    o.battery = 30;
    Start(o);
    EXPECT_TRUE(Logged("  thresholds: cpu 200 permille | disk 1048576 B/s | net 2048 B/s | mem 3000 faults/s | "
                       "wait 30s | battery 30%"));
    EXPECT_EQ(watch->guard.floor, 30u);
    HandleClick(&c, TARGET_CHECKBOX);  // a save during the watch
    EXPECT_EQ(out.savedOptional.batteryFloor, 0u);
    HandleClick(&c, TARGET_BUTTON);
    EXPECT_EQ(optional.batteryFloor, 0u);

    size_t from = out.log.size();
    Start();
    EXPECT_TRUE(Logged("  thresholds: cpu 200 permille | disk 1048576 B/s | net 2048 B/s | mem 3000 faults/s | "
                       "wait 30s", from));
    EXPECT_EQ(watch->guard.floor, 0u);
}

TEST_F(PowerWatch, TheLidNoteOnlyForALidThatSleeps) {
    const std::string note = "  the lid's power action will put this PC to sleep; the job may stop";
    struct Case { AcDcValues action; uint32_t source; bool holding; bool told; };
    const Case cases[] = {
        {{true, 1, true, 1}, 0, true, true},
        {{true, 0, true, 0}, 0, true, false},   // "Do nothing"
        {{true, 0, true, 2}, 1, true, true},    // hibernates on battery
        {{true, 0, true, 2}, 0, true, false},
        {{false, 0, false, 0}, 0, true, false}, // not read: not assumed
        {{true, 1, true, 1}, 0, false, false},  // IDLE: nothing is held
    };
    for (const Case& k : cases) {
        out.power.lidAction = k.action;
        Start();
        Registered(k.source, 100);
        if (!k.holding) {
            for (int i = 0; i < 40 && status.currentState != STATE_IDLE; i++) {
                Second(0);
            }
            ASSERT_EQ(status.currentState, STATE_IDLE);
        }
        Lines lines = Notify(PowerSetting::Lid, 0);
        const Lines expected = k.told ? Lines{"lid: closed", note} : Lines{"lid: closed"};
        EXPECT_EQ(lines, expected) << k.action.ac << k.source;
        HandleClick(&c, TARGET_BUTTON);
    }
}

// The notes of what makes Windows ignore the request are read again when the source changes.
TEST_F(PowerWatch, PolicyNotesFollowThePowerSource) {
    const std::string policy = "  note: a system policy stops programs from keeping this PC awake";
    out.power.sleepPolicy = {true, 1, true, 0};  // off on battery only
    Start();
    Registered(0, 70);
    EXPECT_FALSE(Logged(policy));
    EXPECT_EQ(Notify(PowerSetting::Source, 1), (Lines{"power: on battery", policy}));
    EXPECT_EQ(Notify(PowerSetting::Source, 0), Lines{"power: on AC"});
    out.power.requestsOverride = OVERRIDE_DISPLAY;  // set meanwhile
    EXPECT_EQ(Notify(PowerSetting::Source, 1),
              (Lines{"power: on battery", policy,
                     "  powercfg /requestsoverride makes Windows ignore Pellacord's display request"}));
}

// "Sleep" on a modern standby PC turns the display off once the lock is released; hibernation
// that is not there is said, not tried.
TEST_F(PowerWatch, FinishedActionsOnModernStandby) {
    struct Case { bool standby; bool hibernate; FinishAction action; Lines lines; std::vector<FinishAction> performed;
                  bool displayOff; };
    const Case cases[] = {
        {true, true, FinishAction::Sleep, {"finished: display off for standby", "stopped watching; lock released"},
         {}, true},
        {false, true, FinishAction::Sleep, {"finished: sleeping the PC", "stopped watching; lock released"},
         {FinishAction::Sleep}, false},
        {true, true, FinishAction::Hibernate, {"finished: hibernating the PC", "stopped watching; lock released"},
         {FinishAction::Hibernate}, false},
        {true, false, FinishAction::Hibernate,
         {"hibernation is not available on this PC", "stopped watching; lock released"}, {}, false},
    };
    for (const Case& k : cases) {
        out.power.modernStandby = k.standby;
        out.power.hibernateAvailable = k.hibernate;
        out.performed.clear();
        out.events.clear();
        WatchOptions o{};
        o.then = k.action;
        Start(o);
        for (int i = 0; i < 3; i++) {
            Second(900);
        }
        for (int i = 0; i < 40 && status.currentState != STATE_IDLE; i++) {
            Second(0);
        }
        for (int i = 0; i < 59; i++) {
            CountdownTick(&c);
        }
        size_t from = out.log.size();
        CountdownTick(&c);
        EXPECT_EQ(LogSince(from), k.lines);
        EXPECT_EQ(out.performed, k.performed);
        bool displayOff = std::find(out.events.begin(), out.events.end(), "display off") != out.events.end();
        EXPECT_EQ(displayOff, k.displayOff);
        EXPECT_EQ(power.lastFlags, 0x80000000u);  // released first
        EXPECT_EQ(status.watchMode, WATCH_OFF);
        if (!k.hibernate) {
            EXPECT_EQ(Utf8(status.notice), "hibernation is not available on this PC");
            EXPECT_TRUE(out.visible);
        }
    }
}

}  // namespace
