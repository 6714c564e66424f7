#pragma once
#include "engine/Limits.h"
#include "engine/Sampler.h"

#include <cstdint>

// Turns each tick's sample into BUSY, grace or IDLE: a metric is over when its 5-sample
// average reaches its limit; quiet time adds up while none is; IDLE once it reaches the wait.

enum class WatchState : int32_t { Busy = 0, Grace = 1, Idle = 2 };
constexpr WatchState STATE_BUSY = WatchState::Busy;
constexpr WatchState STATE_GRACE = WatchState::Grace;
constexpr WatchState STATE_IDLE = WatchState::Idle;

constexpr int32_t HISTORY_LENGTH = 180;   // three minutes at one sample a second
constexpr int32_t RECENT_LENGTH = 5;
constexpr int32_t RAISE_MIN_SAMPLES = 30;
constexpr uint32_t RATE_MAX = 0xFFFFFFFFu;
// A tree that keeps starting processes is working, even when each lives less than a tick and
// its processor time is never seen: new members in SPAWN_WINDOW ticks, at least SPAWN_MIN_NEW.
constexpr int32_t SPAWN_WINDOW = 5;
constexpr uint32_t SPAWN_MIN_NEW = 2;

struct MetricMeter {
    uint32_t history[HISTORY_LENGTH];
    int32_t historyCount;
    int32_t historyNext;
    uint32_t recent[RECENT_LENGTH];
    int32_t recentCount;
    int32_t recentNext;
    uint32_t current;
    uint32_t average;         // compared with the limit, and shown as "now"
    uint32_t historyMin;
    uint32_t historyMax;
    uint32_t effectiveLimit;  // the row's value, or the auto-raised one
    bool raised;
    bool over;
};

struct SpawnMeter {
    uint32_t recent[SPAWN_WINDOW];  // new members per tick
    int32_t recentNext;
    uint32_t total;                 // over the window
    bool over;
};

struct ActivityEvaluator {
    const LimitTable* limits;  // the limits in force, read at every evaluation
    WatchState state;
    int32_t overMetric;       // first metric over its limit, GPU_MEASURE for the GPU, -1 if none
    uint64_t quietMs;
    MetricMeter meters[METRIC_COUNT];
    MetricMeter gpu;          // the busiest GPU engine, against the table's `gpu` limit
    bool gpuKnown;            // the last sample had GPU statistics: the measure is shown and counts
    SpawnMeter spawn;         // the reason of a BUSY tick when no metric is over
    uint64_t workingSet;
    int32_t connections;
    bool primed;              // false until the first sample after a reset has set the baseline
};

void ResetMeter(MetricMeter* meter);
void ResetEvaluator(ActivityEvaluator* evaluator, const LimitTable* limits);
WatchState EvaluateActivity(ActivityEvaluator* evaluator, const ActivitySample* sample, int32_t connections);
bool UpdateMeter(MetricMeter* meter, uint32_t rate, const LimitRow* row, bool mayCount);
bool WantsLock(WatchState state);
const char* StateLogName(WatchState state);
// Something is working: a metric over its limit, or new processes keep starting.
bool IsWorking(const ActivityEvaluator* evaluator);
// The reason in the tick line: the first metric over its limit, "spawn", or "-".
const char* WorkReasonLogName(const ActivityEvaluator* evaluator);
