#pragma once
#include "engine/Connections.h"
#include "engine/Evaluator.h"
#include "engine/Limits.h"
#include "engine/PowerRequest.h"
#include "engine/Sampler.h"
#include "engine/WatchStatus.h"
#include "shell/Apps.h"
#include "shell/Tray.h"
#include "ui/AppListView.h"

#include <cstdint>

// The program's one job: preview the selected app, start and stop watching it, and the
// once-a-second tick that samples, judges, holds or drops the power request, updates the
// tray and logs.

constexpr uint32_t TICK_TIMER_ID = 1;
constexpr uint32_t TICK_INTERVAL_MS = 1000;
constexpr int32_t TICK_LINE_CAPACITY = 400;

// The windows, the log and the settings file, as the controller uses them.
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
    void (*saveSettings)(void* context, const LimitTable* limits, bool keepDisplayOn);
    // POWER_LIMIT_* flags of this PC, read when a watch starts.
    uint32_t (*powerLimits)(void* context);
    // Closes a menu that is open, such as the tray menu while its watch ends.
    void (*closeMenus)(void* context);
};

// The records the controller drives, one each for the program.
struct WatchController {
    WatchStatus* status;
    WatchedTree* tree;
    ProcessSampler* sampler;
    ActivityEvaluator* evaluator;
    LimitTable* limits;
    bool* keepDisplayOn;
    AppList* apps;
    AppListView* listView;  // its selectedIndex is the chosen row
    TcpTableApi* tcp;
    PowerRequest* power;
    TrayState* tray;
    ControllerPlatform platform;
    bool ticking;           // a tick is running: a message handled inside it must not start another
    uint32_t enumerations;  // how often the open apps were listed
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

int32_t FormatThresholdsLine(char* out, int32_t capacity, const LimitTable* limits);
int32_t FormatTickLine(char* out, int32_t capacity, const ActivitySample* sample, const ActivityEvaluator* e,
                       int32_t connections, WatchState state, const char* lock);
