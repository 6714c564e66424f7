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

// Every name an action goes by, in one row.
struct FinishNames {
    FinishAction action;
    const char16_t* command;     // the command line's word: "sleep"
    const char16_t* menuText;    // the "When finished" choice: "Sleep"
    const char* choiceLogName;   // "when finished: sleep"
    const char* countdownLog;    // "work finished; sleeping the PC in 60 s"
    const char* performedLog;    // "finished: sleeping the PC"
    const char16_t* verb;        // the tooltip and the balloon: "Sleep in 42 s"
    const char16_t* doneNotice;  // the window's notice once it was done
    const char16_t* refusal;     // "Windows refused to sleep the PC"
};
constexpr int32_t FINISH_ACTION_COUNT = 5;
// The rows in the order the menu offers them, from FinishAction::None.
extern const FinishNames FINISH_NAMES[FINISH_ACTION_COUNT];
const FinishNames* FinishNamesOf(FinishAction action);
// The action a command line names, in any case; false for a word that names none.
bool FinishActionNamed(const char16_t* word, FinishAction* action);
