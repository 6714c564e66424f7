#include "shell/ControllerInternal.h"

#include "base/Format.h"

// The power side of a watch: what the PC's power management may do regardless of the request,
// told to the user; the power source, battery, display and lid as they change; and the battery
// floor the user chose.

namespace {

constexpr char BATTERY_LIMIT[] =
    "on battery this PC may sleep 5 minutes after its sleep timeout; plug it in or keep the screen on";
constexpr char16_t BATTERY_LIMIT_WIDE[] =
    u"on battery this PC may sleep 5 minutes after its sleep timeout; plug it in or keep the screen on";

uint8_t SourceNow(const WatchController* c) {
    return OnBattery(&c->watch->conditions) ? POWER_SOURCE_BATTERY : POWER_SOURCE_MAINS;
}

// What makes Windows ignore the request, each noted when it newly applies: at the start, and
// after the power source changed (the policy may differ on battery).
void NoteIgnoredRequests(WatchController* c) {
    const bool policy = PolicyForbidsRequests(SourceNow(c), &c->power.sleepPolicy);
    if (policy && !c->policyNoted) {
        ControllerLog(c, "  note: a system policy stops programs from keeping this PC awake");
    }
    c->policyNoted = policy;
    const uint32_t ignored = c->power.requestsOverride & (OVERRIDE_SYSTEM | OVERRIDE_DISPLAY);
    if (ignored != 0 && ignored != c->overrideNoted) {
        char line[120];
        FormatOverrideNote(line, sizeof(line), ignored);
        ControllerLog(c, line);
    }
    c->overrideNoted = ignored;
}

void LogGuardStep(WatchController* c, GuardStep step) {
    const WatchStatus* s = &c->watch->status;
    char line[80];
    if (step == GuardStep::Released) {
        FormatText8(line, sizeof(line), "battery at %u%%: lock released to save the battery", s->batteryPercent);
        ControllerLog(c, line);
    } else if (step == GuardStep::Restored && OnBattery(&c->watch->conditions) && HoldsLock(c->watch)) {
        FormatText8(line, sizeof(line), "battery at %u%%: lock re-asserted", s->batteryPercent);
        ControllerLog(c, line);
    }
}

void ShowGuardStep(WatchController* c, GuardStep step) {
    if (step != GuardStep::None) {
        UpdateTray(c);
        c->platform.invalidateWindow(Context(c));
    }
}

}  // namespace

void StartPowerWatch(WatchController* c) {
    Watch* w = c->watch;
    c->platform.readPower(Context(c), &c->power);
    StartPowerConditions(&w->conditions, c->power.source, c->power.batteryPercent);
    w->guard = BatteryGuard{c->optional->batteryFloor, false};
    (void)GuardBattery(w);
    c->batteryNoteTold = false;
    c->policyNoted = false;
    c->overrideNoted = 0;
    RequireExecution(&w->power, c->power.modernStandby);
    SetPowerRequest(&w->power, HoldsLock(w), *c->keepDisplayOn);
}

void LogPowerStart(WatchController* c) {
    if (c->power.modernStandby && !*c->keepDisplayOn) {
        ControllerLog(c, "  note: this PC may still sleep when the screen turns off (modern standby); "
                         "tick 'Keep the screen on too' to prevent it");
    }
    NoteIgnoredRequests(c);
    if (c->watch->guard.released) {
        LogGuardStep(c, GuardStep::Released);
    }
    TellBatteryLimit(c);
    c->platform.followPower(Context(c), true);
}

void EndPowerWatch(WatchController* c) {
    Watch* w = c->watch;
    c->platform.followPower(Context(c), false);
    w->guard = BatteryGuard{};
    w->status.batterySaving = false;
    RequireExecution(&w->power, false);
}

void TellBatteryLimit(WatchController* c) {
    const Watch* w = c->watch;
    // A display kept on keeps the PC out of standby: then the limit does not come into it.
    if (c->batteryNoteTold || !c->power.modernStandby || *c->keepDisplayOn || w->status.watchMode != WATCH_ON ||
        !OnBattery(&w->conditions) || !HoldsLock(w)) {
        return;
    }
    c->batteryNoteTold = true;
    char line[sizeof(BATTERY_LIMIT) + 2];
    FormatText8(line, sizeof(line), "  %s", BATTERY_LIMIT);
    ControllerLog(c, line);
    c->platform.notifyUser(Context(c), BATTERY_LIMIT_WIDE);
}

void LogResume(WatchController* c) {
    ControllerLog(c, HoldsLock(c->watch) ? "system resumed; lock re-asserted" : "system resumed");
    (void)c->platform.startTimer(Context(c));  // the period starts again from now
}

void PowerSettingChanged(WatchController* c, PowerSetting setting, uint32_t value) {
    Watch* w = c->watch;
    if (w->status.watchMode != WATCH_ON || w->status.waitingFor[0]) {
        return;  // a notification that came after its watch
    }
    const char* line = NotePowerSetting(&w->conditions, setting, value);
    GuardStep step = GuardStep::None;
    if (setting == PowerSetting::Source || setting == PowerSetting::Battery) {
        step = GuardBattery(w);
    }
    if (line) {
        const bool backOnMains = setting == PowerSetting::Source && !OnBattery(&w->conditions) &&
                                 step == GuardStep::Restored && HoldsLock(w);
        ControllerLog(c, backOnMains ? "power: on AC; lock re-asserted" : line);
    }
    LogGuardStep(c, step);
    if (setting == PowerSetting::Source && line) {
        c->platform.readPower(Context(c), &c->power);
        NoteIgnoredRequests(c);
    }
    if (setting == PowerSetting::Lid && line && LidClosed(&w->conditions) && HoldsLock(w) &&
        LidActionStops(SourceNow(c), &c->power.lidAction)) {
        ControllerLog(c, "  the lid's power action will put this PC to sleep; the job may stop");
    }
    TellBatteryLimit(c);
    ShowGuardStep(c, step);
}

void SetBatteryFloor(WatchController* c, uint32_t floor) {
    c->optional->batteryFloor = floor;
    SaveUserSettings(c);
    Watch* w = c->watch;
    w->guard.floor = c->optional->batteryFloor;
    if (w->status.watchMode != WATCH_ON) {
        return;
    }
    LogThresholds(c);
    const GuardStep step = GuardBattery(w);
    LogGuardStep(c, step);
    TellBatteryLimit(c);
    ShowGuardStep(c, step);
}
