#include "shell/ControllerInternal.h"

#include "base/Format.h"
#include "base/Text.h"

// What happens when the watched work is finished: an exit at once, or a minute's countdown to
// sleep, hibernate or shut down that new work or the tray menu calls off.

namespace {

void StopCountdown(WatchController* c) {
    c->platform.stopCountdown(Context(c));
}

// The tray icon stays for the countdown even after the watch has ended, for its tooltip and
// its "Cancel"; it goes with the countdown then.
void ShowCountdownEnded(WatchController* c) {
    if (c->watch->status.watchMode == WATCH_ON) {
        UpdateTray(c);
    } else {
        HideTray(c);
    }
}

// The watch, or the countdown left after it, ends with the finished action.
void EndForFinish(WatchController* c, const char16_t* notice) {
    StopCountdown(c);
    ResetFinish(&c->watch->finish, FinishAction::None);
    WatchStatus* s = &c->watch->status;
    if (s->watchMode == WATCH_ON) {
        EndWatch(c, notice, false);
    } else {
        HideTray(c);
        CopyWide(s->notice, notice, NOTICE_CAPACITY);
        c->platform.invalidateWindow(Context(c));
    }
}

// The action on the PC: Pellacord ends, the display goes off for standby, or Windows is asked
// to sleep, hibernate or shut down (and a shutdown is checked on). 0, or Windows' refusal.
uint32_t ActOnPC(WatchController* c, FinishAction action, bool standby) {
    if (action == FinishAction::Exit) {
        c->platform.exitProgram(Context(c), true);
        return 0;
    }
    if (standby) {
        c->platform.displayOff(Context(c));
        return 0;
    }
    const uint32_t error = c->platform.performFinish(Context(c), action);
    if (error == 0 && action == FinishAction::Shutdown) {
        c->shutdownRequested = true;
        c->platform.startShutdownCheck(Context(c));
    }
    return error;
}

void PerformFinish(WatchController* c) {
    const FinishAction action = c->watch->finish.action;
    const FinishNames* names = FinishNamesOf(action);
    WatchStatus* s = &c->watch->status;
    c->platform.readPower(Context(c), &c->power);
    if (action == FinishAction::Hibernate && !c->power.hibernateAvailable) {
        ControllerLog(c, "hibernation is not available on this PC");
        EndForFinish(c, u"hibernation is not available on this PC");
        ShowMainWindow(c);
        return;
    }
    // A modern standby PC has no sleep to ask for: SetSuspendState would hibernate it, or do
    // nothing. With the lock released, turning the display off is what puts it into standby.
    char line[96];
    // A job a rule's watch follows would be cut short: the PC stays on.
    if (action != FinishAction::Exit && LockHeldBeside(c, c->watch)) {
        FormatText8(line, sizeof(line), "finished: not %s, other watches hold the lock", names->performedLog);
        ControllerLog(c, line);
        EndForFinish(c, u"other watches hold the lock \u00B7 the PC stays on");
        return;
    }
    const bool standby = action == FinishAction::Sleep && c->power.modernStandby;
    FormatText8(line, sizeof(line), "finished: %s", standby ? "display off for standby" : names->performedLog);
    ControllerLog(c, line);
    EndForFinish(c, names->doneNotice);
    const uint32_t error = ActOnPC(c, action, standby);
    if (error != 0) {
        FormatText8(line, sizeof(line), "finished action failed: error %u", error);
        ControllerLog(c, line);
        FormatText(s->notice, NOTICE_CAPACITY, u"Windows refused to %s the PC: error %u", names->refusal, error);
        ShowMainWindow(c);
    }
}

}  // namespace

void WorkFinished(WatchController* c, bool exited) {
    FinishStep step = FinishWorkDone(&c->watch->finish);
    if (step == FinishStep::Perform) {
        PerformFinish(c);
        return;
    }
    if (step == FinishStep::CountdownStarted) {
        uint32_t error = c->platform.startCountdown(Context(c));
        char line[96];
        if (error != 0) {
            // Without the minute to call it off, the action does not happen at all.
            FormatText8(line, sizeof(line), "could not start the countdown: error %u; finished action cancelled", error);
            ControllerLog(c, line);
            ResetFinish(&c->watch->finish, FinishAction::None);
            return;
        }
        FormatText8(line, sizeof(line), "work finished; %s in %u s", FinishNamesOf(c->watch->finish.action)->countdownLog,
                    FINISH_COUNTDOWN_SECONDS);
        ControllerLog(c, line);
        char16_t text[APP_TITLE_CAPACITY + 48];
        FormatText(text, APP_TITLE_CAPACITY + 48, u"%s is done. %s in %u s", c->watch->status.watchedApp.title,
                   FinishNamesOf(c->watch->finish.action)->verb, FINISH_COUNTDOWN_SECONDS);
        c->platform.notifyUser(Context(c), text);
    }
    if (c->watch->finish.counting) {
        if (exited) {
            AddTrayIcon(c->tray);
        }
        UpdateTray(c);
    }
}

// Sleep, hibernation and shutdown would cut short the work of other watches that still hold
// the lock: then it does not happen.
void CarryOutFinishBeside(WatchController* c, FinishAction action, const char* tag, bool othersHold) {
    const FinishNames* names = FinishNamesOf(action);
    char line[96];
    if (action != FinishAction::Exit && othersHold) {
        FormatText8(line, sizeof(line), "finished: not %s, other watches hold the lock", names->performedLog);
        TaggedLog(c, tag, line);
        return;
    }
    c->platform.readPower(Context(c), &c->power);
    if (action == FinishAction::Hibernate && !c->power.hibernateAvailable) {
        TaggedLog(c, tag, "hibernation is not available on this PC");
        return;
    }
    const bool standby = action == FinishAction::Sleep && c->power.modernStandby;
    FormatText8(line, sizeof(line), "finished: %s", standby ? "display off for standby" : names->performedLog);
    TaggedLog(c, tag, line);
    const uint32_t error = ActOnPC(c, action, standby);
    if (error != 0) {
        FormatText8(line, sizeof(line), "finished action failed: error %u", error);
        TaggedLog(c, tag, line);
    }
}

void TaggedLog(WatchController* c, const char* tag, const char* text) {
    char line[TICK_LINE_CAPACITY + RULE_TAG_CAPACITY];
    FormatText8(line, sizeof(line), "%s%s", tag, text);
    c->platform.writeLog(Context(c), line);
}

void DropCountdown(WatchController* c) {
    if (c->watch->finish.counting) {
        StopCountdown(c);
        ControllerLog(c, "finished action cancelled");
        ResetFinish(&c->watch->finish, FinishAction::None);
        ShowCountdownEnded(c);
    }
}

void WorkBusyAgain(WatchController* c) {
    if (FinishBusyAgain(&c->watch->finish) == FinishStep::CancelledBusy) {
        StopCountdown(c);
        ControllerLog(c, "finished action cancelled: busy again");
        ShowCountdownEnded(c);
    }
}

void CancelFinishAction(WatchController* c) {
    CancelHoldFinish(c);
    if (FinishCancel(&c->watch->finish) == FinishStep::Cancelled) {
        StopCountdown(c);
        ControllerLog(c, "finished action cancelled");
        ShowCountdownEnded(c);
    }
}

void CountdownTick(WatchController* c) {
    switch (FinishSecond(&c->watch->finish)) {
    case FinishStep::CountdownOn: UpdateTray(c); break;
    case FinishStep::Perform: PerformFinish(c); break;
    default: StopCountdown(c); break;  // a tick left over from a countdown that ended
    }
}

void ChooseFinishAction(WatchController* c, FinishAction action, uint32_t serial) {
    WatchStatus* s = &c->watch->status;
    if (s->watchMode != WATCH_ON || s->watchSerial != serial) {
        return;
    }
    if (c->watch->finish.counting) {
        StopCountdown(c);
        ControllerLog(c, "finished action cancelled");
    }
    ResetFinish(&c->watch->finish, action);
    char line[64];
    FormatText8(line, sizeof(line), "when finished: %s", FinishNamesOf(action)->choiceLogName);
    ControllerLog(c, line);
    UpdateTray(c);
    // Work that is finished already: the action follows now. A command's job is not finished
    // by a quiet spell.
    if (!s->waitingFor[0] && s->currentState == STATE_IDLE && !c->watch->untilTreeEnds) {
        WorkFinished(c, false);
    }
}

void ShutdownDidNotHappen(WatchController* c) {
    c->platform.stopShutdownCheck(Context(c));
    if (!c->shutdownRequested) {
        return;  // a session end that was not ours, or a check left over
    }
    c->shutdownRequested = false;
    ControllerLog(c, "shutdown did not happen: another program cancelled it");
    CopyWide(c->watch->status.notice, u"the shutdown did not happen: another program cancelled it", NOTICE_CAPACITY);
    ShowMainWindow(c);
}
