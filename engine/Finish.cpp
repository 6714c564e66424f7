#include "engine/Finish.h"

#include "base/CaseFold.h"

void ResetFinish(FinishState* f, FinishAction action) {
    *f = FinishState{action, false, 0};
}

FinishStep FinishWorkDone(FinishState* f) {
    if (f->action == FinishAction::None || f->counting) {
        return FinishStep::Nothing;
    }
    if (f->action == FinishAction::Exit) {
        return FinishStep::Perform;
    }
    f->counting = true;
    f->secondsLeft = FINISH_COUNTDOWN_SECONDS;
    return FinishStep::CountdownStarted;
}

FinishStep FinishBusyAgain(FinishState* f) {
    if (!f->counting) {
        return FinishStep::Nothing;
    }
    f->counting = false;  // the work was not finished after all; the action stays chosen
    return FinishStep::CancelledBusy;
}

FinishStep FinishCancel(FinishState* f) {
    if (!f->counting) {
        return FinishStep::Nothing;
    }
    ResetFinish(f, FinishAction::None);
    return FinishStep::Cancelled;
}

FinishStep FinishSecond(FinishState* f) {
    if (!f->counting) {
        return FinishStep::Nothing;
    }
    if (f->secondsLeft > 0) {
        f->secondsLeft--;
    }
    if (f->secondsLeft > 0) {
        return FinishStep::CountdownOn;
    }
    f->counting = false;
    return FinishStep::Perform;
}

constexpr FinishNames FINISH_NAMES[FINISH_ACTION_COUNT] = {
    {FinishAction::None, u"none", u"Do nothing", "do nothing", "nothing", "nothing", u"Nothing", u"finished", u"sleep"},
    {FinishAction::Sleep, u"sleep", u"Sleep", "sleep", "sleeping the PC", "sleeping the PC", u"Sleep",
     u"finished \u00B7 the PC was put to sleep", u"sleep"},
    {FinishAction::Hibernate, u"hibernate", u"Hibernate", "hibernate", "hibernating the PC", "hibernating the PC",
     u"Hibernate", u"finished \u00B7 the PC was hibernated", u"hibernate"},
    // ExitWindowsEx only starts a shutdown, which a program with unsaved work may cancel.
    {FinishAction::Shutdown, u"shutdown", u"Shut down", "shut down", "shutting down the PC", "shutdown requested",
     u"Shut down", u"finished \u00B7 the PC is shutting down", u"shut down"},
    {FinishAction::Exit, u"exit", u"Exit Pellacord", "exit Pellacord", "exiting", "exiting", u"Exit", u"finished",
     u"sleep"},
};

static_assert([] {
    for (int32_t i = 0; i < FINISH_ACTION_COUNT; i++) {
        if (FINISH_NAMES[i].action != static_cast<FinishAction>(i)) {
            return false;
        }
    }
    return true;
}(), "a row of FINISH_NAMES is at its action's index");

const FinishNames* FinishNamesOf(FinishAction action) {
    int32_t i = static_cast<int32_t>(action);
    return &FINISH_NAMES[(i >= 0 && i < FINISH_ACTION_COUNT) ? i : 0];
}

bool FinishActionNamed(const char16_t* word, FinishAction* action) {
    for (const FinishNames& n : FINISH_NAMES) {
        if (EqualIgnoringCase(word, n.command)) {
            *action = n.action;
            return true;
        }
    }
    return false;
}
