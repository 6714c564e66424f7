#pragma once
#include "engine/BatteryGuard.h"
#include "engine/Connections.h"
#include "engine/Evaluator.h"
#include "engine/Finish.h"
#include "engine/GpuUsage.h"
#include "engine/Limits.h"
#include "engine/PowerConditions.h"
#include "engine/PowerRequest.h"
#include "engine/Sampler.h"
#include "engine/WatchOptions.h"
#include "engine/WatchStatus.h"

#include <cstdint>

// One watch: a process tree followed once a second, judged against the limits in force, holding
// the power request while it works, and what happens when its work is finished. The program
// around it (the window, the list, the tray, the log) takes what a tick found from a WatchTick
// and carries it out.

constexpr int32_t TICK_LINE_CAPACITY = 400;
// A tick this long after the one before follows a pause of the machine that sent no message
// (modern standby may pause without one): it is taken as a resume, never as quiet time.
constexpr uint64_t RESUME_GAP = 3 * 10000000ull;  // 100 ns units

struct Watch {
    WatchStatus status;
    WatchedTree tree;
    GpuUsage gpu;                 // the tree's members as the GPU statistics know them
    ActivityEvaluator evaluator;  // reads `limits`
    const LimitTable* limits;     // in force: the user's, or this watch's own
    const bool* keepDisplayOn;
    PowerRequest power;
    FinishState finish;
    bool untilTreeEnds;           // the work is finished when the tree has ended, not at IDLE
    bool rootLeftTold;            // the root's exit was told while processes it started run on
    WatchOptions waitingOptions;  // for the image awaited (status.waitingFor)
    PowerConditions conditions;   // while watching: the power source, battery, display and lid
    BatteryGuard guard;           // the battery floor in force, and whether it let the lock go
};

// What one tick found, for the program to carry out.
struct WatchTick {
    bool ended;              // the tree is empty: the app and everything it started have exited;
                             // while only previewed, its app has exited
    bool resumed;            // the interval was a pause of the machine: this sample is a baseline
    bool rootLeft;           // the root exited first, and is told now: survivors still run
    int32_t survivors;
    WatchState previous;
    WatchState state;
    bool hold;               // while watching: the lock is wanted, and the battery does not forbid it
    bool lineReady;          // while watching: `line` is the tick line
    char line[TICK_LINE_CAPACITY];
};

// The limits in force and the screen choice the watch reads; its power request's calls.
void InitWatch(Watch* watch, const LimitTable* limits, const bool* keepDisplayOn,
               uint32_t (*setExecutionState)(uint32_t flags));
// Follows the process `pid` from now on, with a new evaluator; false when it cannot be read.
bool AttachWatch(Watch* watch, ProcessSampler* sampler, uint32_t pid);
// A second: samples the tree and its GPU use (`gpu` may be null: none is read), counts its
// connections, judges it, and while watching holds or drops the power request and writes the
// tick line.
WatchTick TickWatch(Watch* watch, ProcessSampler* sampler, TcpTableApi* tcp, GpuSource* gpu);
// The same in two steps, for several watches that share one process list and one read of the
// connection tables: the tree and its GPU use sampled (false: it has ended, as `ended` says),
// then the sample judged with the connections its members own.
bool SampleWatch(Watch* watch, ProcessSampler* sampler, GpuSource* gpu, ActivitySample* sample);
WatchTick JudgeWatch(Watch* watch, const ActivitySample* sample, int32_t connections);
// The tree is no longer sampled: the handles its GPU reads kept are closed.
void StopSampling(Watch* watch);
// After the machine slept: the next sample is a new baseline, and the request is set again.
void RebaselineWatch(Watch* watch);
// Whether the lock is held now: wanted by the state, and not let go for the battery.
bool HoldsLock(const Watch* watch);
// The power source, the battery or the floor changed: the guard decides, and while watching
// the request follows at once.
GuardStep GuardBattery(Watch* watch);

// "  thresholds: cpu 200 permille | ...", and the tick line.
// The battery floor shows at the end while it is set.
int32_t FormatThresholdsLine(char* out, int32_t capacity, const LimitTable* limits, uint32_t batteryFloor);
int32_t FormatTickLine(char* out, int32_t capacity, const ActivitySample* sample, const ActivityEvaluator* e,
                       int32_t connections, WatchState state, const char* lock);
