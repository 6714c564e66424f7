#include "engine/Evaluator.h"

#include <cstring>

void ResetMeter(MetricMeter* meter) {
    *meter = MetricMeter{};
}

void ResetEvaluator(ActivityEvaluator* e, const LimitTable* limits) {
    e->limits = limits;
    e->state = STATE_BUSY;
    e->overMetric = -1;
    e->quietMs = 0;
    e->workingSet = 0;
    e->connections = 0;
    e->primed = false;
    for (MetricMeter& m : e->meters) {
        ResetMeter(&m);
    }
    ResetMeter(&e->gpu);
    e->gpuKnown = false;
    e->spawn = SpawnMeter{};
}

static void UpdateSpawnMeter(SpawnMeter* m, int32_t newProcesses) {
    m->recent[m->recentNext] = newProcesses > 0 ? static_cast<uint32_t>(newProcesses) : 0;
    m->recentNext = (m->recentNext + 1) % SPAWN_WINDOW;
    uint64_t total = 0;
    for (uint32_t n : m->recent) {
        total += n;
    }
    m->total = total > RATE_MAX ? RATE_MAX : static_cast<uint32_t>(total);
    m->over = m->total >= SPAWN_MIN_NEW;
}

static uint32_t Saturate(uint64_t v) {
    return v > RATE_MAX ? RATE_MAX : static_cast<uint32_t>(v);
}

// amount * scale / elapsed, truncated, without the product wrapping 64 bits: after a long
// gap (a machine that slept for days) the counters of one interval can be that large.
static uint32_t Rate(uint64_t amount, uint64_t scale, uint64_t elapsed) {
    uint64_t whole = amount / elapsed;
    if (whole > RATE_MAX / scale + 1) {
        return RATE_MAX;
    }
    uint64_t rest = amount % elapsed;  // rest < elapsed
    uint64_t tail = rest <= UINT64_MAX / scale ? rest * scale / elapsed : rest / (elapsed / scale);
    return Saturate(whole * scale + tail);
}

bool UpdateMeter(MetricMeter* m, uint32_t rate, const LimitRow* row, bool mayCount) {
    m->current = rate;

    m->recent[m->recentNext] = rate;
    m->recentNext = (m->recentNext + 1) % RECENT_LENGTH;
    if (m->recentCount < RECENT_LENGTH) {
        m->recentCount++;
    }
    uint64_t sum = 0;
    for (int32_t i = 0; i < m->recentCount; i++) {
        sum += m->recent[i];
    }
    m->average = static_cast<uint32_t>(sum / static_cast<uint64_t>(m->recentCount));

    m->history[m->historyNext] = rate;
    m->historyNext = (m->historyNext + 1) % HISTORY_LENGTH;
    if (m->historyCount < HISTORY_LENGTH) {
        m->historyCount++;
    }
    uint32_t lo = m->history[0];
    uint32_t hi = m->history[0];
    for (int32_t i = 1; i < m->historyCount; i++) {
        uint32_t v = m->history[i];
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
    }
    m->historyMin = lo;
    m->historyMax = hi;

    // Auto-raise: a history that swings between a floor and bursts of at least twice it
    // lifts the limit to the floor times the row's factor, so the floor alone stops
    // counting as work. A flat history is never raised.
    m->effectiveLimit = row->value;
    m->raised = false;
    if (m->historyCount >= RAISE_MIN_SAMPLES && uint64_t{hi} >= 2 * uint64_t{lo}) {
        uint64_t product = uint64_t{lo} * row->raiseFactor;
        if (product > m->effectiveLimit) {
            m->effectiveLimit = Saturate(product);
            m->raised = true;
        }
    }

    m->over = row->countsAsWork && mayCount && m->average >= m->effectiveLimit && m->effectiveLimit != 0;
    return m->over;
}

WatchState EvaluateActivity(ActivityEvaluator* e, const ActivitySample* sample, int32_t connections) {
    e->workingSet = sample->workingSet;
    e->connections = connections;
    if (!e->primed) {
        // The first sample after a reset covers no interval: it is only the baseline.
        e->primed = true;
        e->state = STATE_BUSY;
        e->overMetric = -1;
        e->quietMs = 0;
        return STATE_BUSY;
    }
    if (sample->elapsed == 0) {
        return e->state;
    }
    const uint32_t rates[METRIC_COUNT] = {
        Rate(sample->cpuTime, 1000, sample->elapsed),
        Rate(sample->diskBytes, 10000000, sample->elapsed),
        Rate(sample->otherBytes, 10000000, sample->elapsed),
        Rate(sample->pageFaults, 10000000, sample->elapsed),
    };
    e->overMetric = -1;
    for (int32_t i = 0; i < METRIC_COUNT; i++) {
        // Network-type traffic counts only while the tree holds an outside connection.
        bool mayCount = i != Index(METRIC_NET) || connections > 0;
        if (UpdateMeter(&e->meters[i], rates[i], &e->limits->rows[i], mayCount) && e->overMetric < 0) {
            e->overMetric = i;
        }
    }
    // The GPU counts only where Windows keeps its statistics: without them it is neither idle
    // nor busy, and the other measures decide alone.
    e->gpuKnown = sample->gpuKnown;
    e->gpu.over = false;
    if (sample->gpuKnown) {
        const LimitRow row = {e->limits->gpu, GPU_LIMIT_MIN, GPU_LIMIT_MAX, 0, 1};
        if (UpdateMeter(&e->gpu, sample->gpu, &row, true) && e->overMetric < 0) {
            e->overMetric = GPU_MEASURE;
        }
    }
    UpdateSpawnMeter(&e->spawn, sample->newProcesses);
    if (IsWorking(e)) {
        e->quietMs = 0;
        e->state = STATE_BUSY;
    } else {
        e->quietMs += sample->elapsed / 10000;
        e->state = e->quietMs < uint64_t{e->limits->rows[WAIT_ROW].value} ? STATE_GRACE : STATE_IDLE;
    }
    return e->state;
}

bool WantsLock(WatchState state) {
    return state != STATE_IDLE;
}

bool IsWorking(const ActivityEvaluator* e) {
    return e->overMetric >= 0 || e->spawn.over;
}

const char* WorkReasonLogName(const ActivityEvaluator* e) {
    if (e->overMetric < 0 && e->spawn.over) {
        return "spawn";
    }
    return MetricLogName(e->overMetric);
}

const char* StateLogName(WatchState state) {
    switch (state) {
    case STATE_BUSY: return "BUSY";
    case STATE_GRACE: return "grace";
    default: return "IDLE";
    }
}
