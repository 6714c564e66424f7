#include "engine/Finish.h"

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

const char* FinishLogText(FinishAction action) {
    switch (action) {
    case FinishAction::Sleep: return "sleeping the PC";
    case FinishAction::Hibernate: return "hibernating the PC";
    case FinishAction::Shutdown: return "shutting down the PC";
    case FinishAction::Exit: return "exiting";
    case FinishAction::None: break;
    }
    return "nothing";
}

const char16_t* FinishVerb(FinishAction action) {
    switch (action) {
    case FinishAction::Sleep: return u"Sleep";
    case FinishAction::Hibernate: return u"Hibernate";
    case FinishAction::Shutdown: return u"Shut down";
    case FinishAction::Exit: return u"Exit";
    case FinishAction::None: break;
    }
    return u"Nothing";
}

const char* FinishChoiceLogName(FinishAction action) {
    switch (action) {
    case FinishAction::Sleep: return "sleep";
    case FinishAction::Hibernate: return "hibernate";
    case FinishAction::Shutdown: return "shut down";
    case FinishAction::Exit: return "exit Pellacord";
    case FinishAction::None: break;
    }
    return "do nothing";
}
