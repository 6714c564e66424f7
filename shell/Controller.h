#pragma once
#include "engine/LimitOverride.h"
#include "engine/PowerLimits.h"
#include "engine/Watch.h"
#include "shell/HoldState.h"
#include "shell/RuleWatches.h"
#include "shell/Tray.h"
#include "ui/AppList.h"
#include "ui/AppListView.h"
#include "ui/HitTarget.h"

#include <cstdint>

// The window's watch and what it drives: the preview of the selected app, the start and end of
// watching, the once-a-second tick carried out on the tray, the list and the log, the finished
// action, the watches scripts ask for, sleep and resume, and the window's targets.

constexpr uint32_t TICK_TIMER_ID = 1;
constexpr uint32_t TICK_INTERVAL_MS = 1000;
constexpr uint32_t COUNTDOWN_TIMER_ID = 3;  // the finished action's countdown, once a second
constexpr uint32_t SHUTDOWN_CHECK_TIMER_ID = 4;
// A shutdown that was asked for and has not ended Pellacord by then did not happen.
constexpr uint32_t SHUTDOWN_CHECK_MS = 120000;
// A balloon with nothing else in the tray: the icon shows for it alone this long.
constexpr uint32_t BALLOON_ICON_TIMER_ID = 5;
constexpr uint32_t BALLOON_ICON_MS = 10000;

// The windows, the log, the settings file and the system, as the controller uses them. Tables
// of these are filled with designated initialisers, so no two entries can change places.
struct ControllerPlatform {
    void* context;
    // Starts the tick, restarting the period when already running; 0, or the error.
    uint32_t (*startTimer)(void* context);
    void (*stopTimer)(void* context);
    void (*showWindow)(void* context, bool show);
    void (*bringToFront)(void* context);
    bool (*windowVisible)(void* context);
    void (*invalidateWindow)(void* context);
    void (*invalidateList)(void* context);
    int32_t (*enumerateApps)(void* context, AppEntry* entries, int32_t capacity);
    void (*setListCount)(void* context, int32_t count);
    void (*enableList)(void* context, bool enable);
    void (*writeLog)(void* context, const char* text);
    void (*writeLogWide)(void* context, const char* prefix, const char16_t* text);
    // Saves the user's settings: 0, or the error. Hand edits the file took meanwhile come back
    // in the table, the flag and the optional settings (`tookHandEdits`).
    uint32_t (*saveSettings)(void* context, LimitTable* limits, bool* keepDisplayOn, OptionalSettings* optional,
                             bool* tookHandEdits);
    // What this PC's power management does whatever the request says, as it is now.
    void (*readPower)(void* context, PowerFacts* facts);
    // Notifications of the power source, the battery, the display and the lid, while watching.
    void (*followPower)(void* context, bool follow);
    // Turns the display off, which is what puts a modern standby PC to sleep.
    void (*displayOff)(void* context);
    // Closes a menu that is open, such as the tray menu while its watch ends.
    void (*closeMenus)(void* context);
    // The limits or the check box changed other than by the pointer: the sliders follow.
    void (*limitsChanged)(void* context);
    // The countdown of a finished action: a call each second; 0, or the error.
    uint32_t (*startCountdown)(void* context);
    void (*stopCountdown)(void* context);
    // Sleeps, hibernates or shuts down the PC: 0 when Windows took the request, or the error.
    uint32_t (*performFinish)(void* context, FinishAction action);
    // Ends Pellacord once the current message is handled. `workFinished`: because the watched
    // work is finished, so a copy that started a --run exits with its command's own code;
    // otherwise with 0.
    void (*exitProgram)(void* context, bool workFinished);
    // The oldest running process of an image name ("ffmpeg.exe", any case); 0 when none runs.
    uint32_t (*findImage)(void* context, const char16_t* imageName);
    // The image name of a running process; false when no process has that id.
    bool (*processImage)(void* context, uint32_t pid, char16_t* imageName, int32_t capacity);
    // A balloon from the tray icon.
    void (*notifyUser)(void* context, const char16_t* text);
    // The check, SHUTDOWN_CHECK_MS after a shutdown was asked for, that it happened.
    void (*startShutdownCheck)(void* context);
    void (*stopShutdownCheck)(void* context);
};

// The wiring around the window's watch, one for the program.
struct WatchController {
    Watch* watch;
    ProcessSampler* sampler;  // shared by every tree
    TcpTableApi* tcp;
    GpuSource* gpu;           // null where GPU use is not read
    LimitTable* limits;       // in force for the window's watch; the sliders move them
    bool* keepDisplayOn;
    OptionalSettings* optional;
    AppList* apps;
    AppListView* listView;    // its selectedIndex is the chosen row
    TrayState* tray;
    ControllerPlatform platform;
    // Its own state, which starts empty.
    bool ticking = false;           // a tick is running: a message handled inside it must not start another
    uint32_t enumerations = 0;      // how often the open apps were listed
    LimitOverride override = {};    // this watch's limits in force, the user's set aside
    bool shutdownRequested = false; // Windows took a shutdown request that has not happened yet
    bool saveFailureLogged = false; // a failed save is logged once, until a save works again
    PowerFacts power = {};          // the PC's power management, as last read
    bool batteryNoteTold = false;   // this watch told of modern standby's limit on battery
    bool policyNoted = false;       // this watch's notes of what makes Windows ignore the request
    uint32_t overrideNoted = 0;
    RuleWatches* rules = nullptr;   // the standing rules and their watches; null: none this run
    HoldState* hold = nullptr;      // the hold without an app; null: none this run
    uint32_t hotkeySerial = 0;      // the window's watch the hotkey started, while it may stop it
    bool trayResident = false;      // started with --tray: the icon stays while the program runs
};

void PreviewApp(WatchController* c, uint32_t pid);
void RefreshAppList(WatchController* c);
void StartWatching(WatchController* c);
void StopWatching(WatchController* c, const char16_t* notice);
void Tick(WatchController* c);
void ShowMainWindow(WatchController* c);
void HandleClick(WatchController* c, HitTarget target);
void LogThresholds(WatchController* c);
void UpdateTray(WatchController* c);
// The tray menu's "Release the lock", chosen in a menu opened during the watch `serial`: a
// watch that has ended meanwhile is not stopped again.
void ReleaseFromTray(WatchController* c, uint32_t serial);
// The machine goes to sleep, and wakes up again.
void SystemSuspending(WatchController* c);
void SystemResumed(WatchController* c);
// A power-setting notification while watching: the source, the battery, the display or the lid.
void PowerSettingChanged(WatchController* c, PowerSetting setting, uint32_t value);
// The tray menu's "Release below 20% battery": the user's battery floor, 0 for off.
void SetBatteryFloor(WatchController* c, uint32_t floor);

// The standing rules, in place of those before: every running process of their images is
// looked at again. Watches they started go on until their processes exit.
void SetRules(WatchController* c, const ArmedRule* rules, int32_t count);
// How many watches the rules started run now.
int32_t RuleWatchesRunning(const WatchController* c);
// Ends the rules' watches of an image (any case), or all of them for null; how many ended.
int32_t ReleaseRuleWatches(WatchController* c, const char16_t* image);
// The tray menu's choices for one rule watch, from a menu opened during its watch `serial`.
void ReleaseRuleWatch(WatchController* c, int32_t slot, uint32_t serial);
void ChooseRuleFinish(WatchController* c, int32_t slot, FinishAction action, uint32_t serial);
void CancelRuleFinish(WatchController* c, int32_t slot, uint32_t serial);
// The tray menu's rule items, as the watches and rules are now.
void FillRulesMenu(const WatchController* c, TrayMenuModel* model);
// Before the program ends: every rule watch stops, its lock released.
void EndRuleWatches(WatchController* c);

// Keeps the PC awake without an app, in place of a hold before: for a while, until a time of
// day, or until released.
void StartKeepingAwake(WatchController* c, const HoldRequest* request);
// Ends the hold, and its finished action's countdown; whether there was one.
bool EndKeepingAwake(WatchController* c);
// Whether the hold holds the lock now; and whether it, or the countdown after it, goes on.
bool HoldHolds(const WatchController* c);
bool HoldInPlay(const WatchController* c);
// The tray menu's "Keep the screen on too": for the hold that lasts, and those to come.
void ToggleHoldScreen(WatchController* c);
void FillHoldMenu(const WatchController* c, TrayMenuModel* model);

// Whether anything needs the tray icon now: a watch, a countdown, rules, a hold, or a start in
// the tray.
bool TrayInUse(const WatchController* c);
// The hotkey was pressed with the app of process `pid` in front (0: none to watch): the hotkey's
// own watch stops, or else that app is watched, with a balloon that says which and how to stop.
void HotkeyPressed(WatchController* c, uint32_t pid, const char16_t* hotkeyName);

// Watches what a script names: a process, the oldest process of an image name (or the next
// one to start), or the first open app whose title contains the text. A watch that runs ends
// first. False when the target does not exist, and then nothing has changed.
bool WatchTarget(WatchController* c, TargetKind kind, uint32_t pid, const char16_t* text, const WatchOptions* options);
// The user moved a slider or clicked the check box: what is saved is the user's, never a
// script's limits for one watch.
void SaveUserSettings(WatchController* c);
// The tray menu's "When finished" choice and "Cancel", from a menu opened during watch `serial`.
void ChooseFinishAction(WatchController* c, FinishAction action, uint32_t serial);
void CancelFinishAction(WatchController* c);
// A second of the countdown went by.
void CountdownTick(WatchController* c);
// The session goes on after a shutdown was asked for: another program cancelled it (Windows
// said so, or the check's time ran out).
void ShutdownDidNotHappen(WatchController* c);
