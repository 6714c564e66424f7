#pragma once
#include <cstdint>

// What happens when the watched work is finished: the watch first reaches IDLE, or the app
// exits. Sleep, hibernate and shut down wait a minute first, during which new work or the tray
// menu's "Cancel" calls them off; "exit" ends Pellacord at once.

enum class FinishAction : int32_t { None = 0, Sleep, Hibernate, Shutdown, Exit };
constexpr uint32_t FINISH_COUNTDOWN_SECONDS = 60;

// What the caller does after an event.
enum class FinishStep {
    Nothing,
    CountdownStarted,  // show the balloon, count down in the tooltip
    CountdownOn,       // a second went by: show the seconds left
    Cancelled,         // by the user: the choice is back to "Do nothing"
    CancelledBusy,     // by new work: armed again for the next time the work is finished
    Perform,           // now: the action
};

struct FinishState {
    FinishAction action;  // chosen for the current watch
    bool counting;
    uint32_t secondsLeft;
};

// A new watch starts with `action` (FinishAction::None unless the command line said otherwise).
void ResetFinish(FinishState* finish, FinishAction action);
FinishStep FinishWorkDone(FinishState* finish);
FinishStep FinishBusyAgain(FinishState* finish);
FinishStep FinishCancel(FinishState* finish);
FinishStep FinishSecond(FinishState* finish);

// The log's words: "sleeping the PC", ...; the tooltip's: "Sleep", "Hibernate", "Shut down";
// the choice as the log names it: "do nothing", "sleep", ..., "exit Pellacord".
const char* FinishLogText(FinishAction action);
const char16_t* FinishVerb(FinishAction action);
const char* FinishChoiceLogName(FinishAction action);
