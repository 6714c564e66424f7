#pragma once
#include "shell/Controller.h"

// What the controller's files share: starting and ending a watch, and the finished action's
// reactions to the tick.

inline void* Context(WatchController* c) {
    return c->platform.context;
}
void ControllerLog(WatchController* c, const char* text);
// Starts the tick timer, or restarts its period; a refusal is logged, and false.
bool StartTicks(WatchController* c);
// Puts the limits and screen choice of a watch in place of the saved ones, until it ends; and
// the saved ones back. The sliders follow either way.
void UseWatchLimits(WatchController* c, const WatchOptions* options);
void UseUserLimits(WatchController* c);
// Starts watching the process of `entry` (the image name stands in for an empty title) with
// the options of this watch. Vanished: the process could not be attached, and nothing changed.
enum class WatchStart { Started, Vanished, NoTimer };
WatchStart BeginWatch(WatchController* c, const AppEntry* entry, const WatchOptions* options);
// The watch status of a watch that begins (or an image awaited): its app, its state, a new
// serial, the command's finished action, and the list out of reach.
void EnterWatch(WatchController* c, const char16_t* title, const char16_t* image, uint32_t pid, WatchState state,
                FinishAction then);
// Ends the watch, or the waiting for an image, as StopWatching does. With `keepFinish` the
// finished action and its countdown go on (the watched app exited).
void EndWatch(WatchController* c, const char16_t* notice, bool keepFinish);
// The watch's work is finished (`exited`: its app has gone), or its tick was BUSY again.
void WorkFinished(WatchController* c, bool exited);
void WorkBusyAgain(WatchController* c);
// A countdown left from the last watch ends when the next one begins.
void DropCountdown(WatchController* c);
// While waiting for an image to start: looks for it, and watches it once it runs.
void PollWaiting(WatchController* c);
// The user's settings in force, with a watch's own in place of some.
SettingsInForce InForce(WatchController* c);

// The rules' watches beside the window's (ControllerRules.cpp). While rules are in play (a
// rule exists, or a watch one started still runs or counts down) every tick is a round of
// all the watches; the window's watch alone ticks as it always did.
bool RulesInPlay(const WatchController* c);
void TickRound(WatchController* c);
// After a change that may have ended the last rule or rule watch: the ticks and the tray icon
// go back to what the window's watch alone needs.
void LeftPlay(WatchController* c);
// Whether another than `self` holds the lock now: the window's watch, a rule's watch, or (for
// a watch, null being the hold itself) the hold. A sleep now would cut their work short.
bool LockHeldBeside(const WatchController* c, const Watch* self);
void RuleLog(WatchController* c, const RuleWatch* r, const char* text);
// What a tick of the window's watch found, carried out on the window, the tray and the log.
void CarryOutTick(WatchController* c, const WatchTick* t);
// The rules or the hold left play: the ticks stop unless something still samples, and the tray
// icon goes unless something still needs it; whether it went.
bool FollowWhatIsLeft(WatchController* c);
// The tick timer stops, unless the rules still need it.
void StopTicks(WatchController* c);
void HideTray(WatchController* c);
void UpdateRulesTray(WatchController* c);
// The watches that run, the window's first, by the names the tray gives them: how many. The
// icon's state for them joins `state`: busy while any is, in grace while any is. `lastRule`:
// the last of them a rule started, or null.
int32_t RunningWatches(const WatchController* c, const char16_t** names, WatchState* state,
                       const RuleWatch** lastRule);
void RuleWatchesResumed(WatchController* c);
// Every line of the window's watch names it while rule watches run beside it.
void ControllerLogWide(WatchController* c, const char* prefix, const char16_t* text);

// A finished action beside the window's watch (a rule watch's, or a hold's), carried out at
// once unless `othersHold`; its lines begin with `tag`.
void CarryOutFinishBeside(WatchController* c, FinishAction action, const char* tag, bool othersHold);
void TaggedLog(WatchController* c, const char* tag, const char* text);

// The hold (ControllerHold.cpp): its second on the tick, and the tray while it lasts or its
// finished action counts down.
void HoldTick(WatchController* c);
void UpdateHoldTray(WatchController* c);
void HoldResumedAfterSleep(WatchController* c);
void CancelHoldFinish(WatchController* c);
// Whether anything beside the window's watch needs the ticks and the tray icon.
inline bool OthersInPlay(const WatchController* c) {
    return RulesInPlay(c) || HoldInPlay(c);
}

// The power side of a watch (ControllerPower.cpp). At its start: the PC's power management
// read, the battery guard, and the lock taken; then, after the watch's first lines, the notes
// on what Windows may do regardless, and the notifications followed. At its end they go.
void StartPowerWatch(WatchController* c);
void LogPowerStart(WatchController* c);
void EndPowerWatch(WatchController* c);
// After a tick or a change: on battery with modern standby, while the lock is held, the user
// is told once per watch how long Windows keeps to the request.
void TellBatteryLimit(WatchController* c);
// A tick that followed a pause of the machine: logged as a resume is.
void LogResume(WatchController* c);
