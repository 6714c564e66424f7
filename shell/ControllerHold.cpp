#include "shell/ControllerInternal.h"

#include "base/Format.h"
#include "base/Text.h"

// The hold without an app, beside the watches: its lock, its lines, its end on the tick and the
// finished action a timed hold ends with.

namespace {

HoldClock ReadClock(const WatchController* c) {
    HoldClock now = {};
    c->hold->readClock(c->hold->clockContext, &now);
    return now;
}

// The hold's own lines carry no watch's name: "keeping awake ..." and "hold ended" say whose
// they are.
void HoldLog(WatchController* c, const char* text) {
    c->platform.writeLog(Context(c), text);
}

// The lock goes, and the tray and ticks follow what is left.
void LetGo(WatchController* c) {
    HoldState* h = c->hold;
    EndHold(&h->hold);
    RequireExecution(&h->power, false);
    ReleasePowerRequest(&h->power);
    ClosePowerReason(&h->power);
    HoldLog(c, "hold ended; lock released");
}

// Nothing of the hold is left: the ticks and the icon go unless a watch or the rules need them.
// With the window hidden too (a hold from the command line, or the window closed while the hold
// lasted) nothing would be left to reach: the program ends, as its window's close box would.
void LeftHold(WatchController* c) {
    if (HoldInPlay(c)) {
        UpdateTray(c);
    } else if (FollowWhatIsLeft(c) && !c->platform.windowVisible(Context(c))) {
        c->platform.exitProgram(Context(c), false);
    }
}

// The timed hold's action, now: unless a watch still holds the lock.
void PerformHoldFinish(WatchController* c) {
    const FinishAction action = c->hold->finish.action;
    ResetFinish(&c->hold->finish, FinishAction::None);
    CarryOutFinishBeside(c, action, "", LockHeldBeside(c, nullptr));  // untagged, as the hold's lines are
}

void TimedHoldEnded(WatchController* c) {
    HoldState* h = c->hold;
    LetGo(c);
    const FinishStep step = FinishWorkDone(&h->finish);
    if (step == FinishStep::Perform) {
        PerformHoldFinish(c);
    } else if (step == FinishStep::CountdownStarted) {
        const FinishNames* names = FinishNamesOf(h->finish.action);
        char line[96];
        FormatText8(line, sizeof(line), "hold over; %s in %u s", names->countdownLog, FINISH_COUNTDOWN_SECONDS);
        HoldLog(c, line);
        char16_t text[64];
        FormatText(text, 64, u"Keeping awake is over. %s in %u s", names->verb, FINISH_COUNTDOWN_SECONDS);
        c->platform.notifyUser(Context(c), text);
    }
}

}  // namespace

bool HoldInPlay(const WatchController* c) {
    return c->hold && (HoldActive(&c->hold->hold) || c->hold->finish.counting);
}

bool HoldHolds(const WatchController* c) {
    return c->hold && HoldActive(&c->hold->hold);
}

void StartKeepingAwake(WatchController* c, const HoldRequest* request) {
    HoldState* h = c->hold;
    if (!h) {
        return;
    }
    if (FinishCancel(&h->finish) == FinishStep::Cancelled) {
        HoldLog(c, "finished action cancelled");
    }
    const HoldClock now = ReadClock(c);
    StartHold(&h->hold, request, &now);
    if (request->kind == HoldKind::Until && h->delayUntil) {
        SetUntilDelay(&h->hold, &now, h->delayUntil(h->clockContext, request->untilMinute));
    }
    ResetFinish(&h->finish, h->hold.then);
    char16_t reason[POWER_REASON_CAPACITY];
    FormatHoldReason(reason, POWER_REASON_CAPACITY, &h->hold);
    OpenPowerReasonText(&h->power, reason);
    // With modern standby the request asks for execution too, so the ticks that end a timed
    // hold go on once the screen is off.
    c->platform.readPower(Context(c), &c->power);
    RequireExecution(&h->power, c->power.modernStandby);
    SetPowerRequest(&h->power, true, h->hold.screen);
    char line[96];
    FormatHoldLog(line, sizeof(line), &h->hold);
    HoldLog(c, line);
    HoldLog(c, h->hold.screen ? "  screen will be kept on too" : "  screen may still turn off");
    if (h->hold.then != FinishAction::None) {
        FormatText8(line, sizeof(line), "  when finished: %s", FinishNamesOf(h->hold.then)->choiceLogName);
        HoldLog(c, line);
    }
    FormatText8(line, sizeof(line), "  lock %s", LockStateName(&h->power, true));
    HoldLog(c, line);
    // Without ticks a timed hold would never end: a timer refused leaves no lock behind.
    if (!StartTicks(c)) {
        LetGo(c);
        ResetFinish(&h->finish, FinishAction::None);
        LeftHold(c);
        return;
    }
    AddTrayIcon(c->tray);
    UpdateTray(c);
}

bool EndKeepingAwake(WatchController* c) {
    if (!HoldInPlay(c)) {
        return false;
    }
    HoldState* h = c->hold;
    if (HoldActive(&h->hold)) {
        LetGo(c);
    }
    if (h->finish.counting) {
        HoldLog(c, "finished action cancelled");
    }
    ResetFinish(&h->finish, FinishAction::None);
    LeftHold(c);
    return true;
}

void CancelHoldFinish(WatchController* c) {
    if (c->hold && FinishCancel(&c->hold->finish) == FinishStep::Cancelled) {
        HoldLog(c, "finished action cancelled");
        LeftHold(c);
    }
}

void ToggleHoldScreen(WatchController* c) {
    HoldState* h = c->hold;
    if (!h) {
        return;
    }
    // The check shows the hold that lasts, however it was started, and the next ones follow it.
    h->screenChoice = HoldActive(&h->hold) ? !h->hold.screen : !h->screenChoice;
    if (HoldActive(&h->hold)) {
        h->hold.screen = h->screenChoice;
        SetPowerRequest(&h->power, true, h->hold.screen);
    }
}

void HoldTick(WatchController* c) {
    HoldState* h = c->hold;
    if (!HoldInPlay(c)) {
        return;
    }
    if (HoldActive(&h->hold)) {
        if (HoldDue(&h->hold, ReadClock(c).intervalMs)) {
            TimedHoldEnded(c);
        }
    } else if (FinishSecond(&h->finish) == FinishStep::Perform) {
        PerformHoldFinish(c);
    }
    LeftHold(c);
}

void HoldResumedAfterSleep(WatchController* c) {
    if (!HoldHolds(c)) {
        return;
    }
    const HoldClock now = ReadClock(c);
    HoldResumed(&c->hold->hold, &now);
    ReassertPowerRequest(&c->hold->power);
}

void UpdateHoldTray(WatchController* c) {
    const HoldState* h = c->hold;
    char16_t tip[TRAY_TIP_CAPACITY];
    if (HoldActive(&h->hold)) {
        FormatHoldTooltip(tip, TRAY_TIP_CAPACITY, &h->hold, ReadClock(c).intervalMs);
    } else {
        FormatText(tip, TRAY_TIP_CAPACITY, u"Pellacord \u00B7 keeping awake is over \u00B7 %s in %u s",
                   FinishNamesOf(h->finish.action)->verb, h->finish.secondsLeft);
    }
    // Busy while the hold lasts; otherwise the watches' colour. They are named on a line of
    // their own.
    WatchState state = HoldActive(&h->hold) ? STATE_BUSY : STATE_IDLE;
    const char16_t* names[RULE_WATCHES_MAX + 1];
    const RuleWatch* lastRule = nullptr;
    const int32_t count = RunningWatches(c, names, &state, &lastRule);
    const int32_t n = WideLength(tip);
    if (count > 0 && n + 2 < TRAY_TIP_CAPACITY) {
        tip[n] = u'\n';
        FormatWatchNames(tip + n + 1, TRAY_TIP_CAPACITY - n - 1, names, count);
    }
    UpdateTrayIcon(c->tray, TrayIconKindOf(state), tip);
}

void FillHoldMenu(const WatchController* c, TrayMenuModel* m) {
    const HoldState* h = c->hold;
    if (!h) {
        return;
    }
    m->holding = HoldActive(&h->hold);
    m->holdScreen = HoldActive(&h->hold) ? h->hold.screen : h->screenChoice;
    m->holdChoice = -1;
    if (h->hold.kind == HoldKind::Open) {
        m->holdChoice = HOLD_CHOICE_OPEN;
    } else if (h->hold.kind == HoldKind::For) {
        for (int32_t i = 0; i < HOLD_MENU_LENGTHS; i++) {
            m->holdChoice = h->hold.lengthMs == HOLD_MENU_MS[i] ? i : m->holdChoice;
        }
    }
    m->counting = m->counting || h->finish.counting;
}
