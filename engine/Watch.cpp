#include "engine/Watch.h"

#include "base/Format.h"

void InitWatch(Watch* w, const LimitTable* limits, const bool* keepDisplayOn,
               uint32_t (*setExecutionState)(uint32_t flags)) {
    w->status = MakeWatchStatus();
    w->limits = limits;
    w->keepDisplayOn = keepDisplayOn;
    w->power = MakePowerRequest(setExecutionState);
    ResetEvaluator(&w->evaluator, limits);
}

bool AttachWatch(Watch* w, ProcessSampler* sampler, uint32_t pid) {
    ReleaseGpuUsage(&w->gpu);
    if (!AttachWatchedTree(sampler, &w->tree, pid)) {
        return false;
    }
    ResetEvaluator(&w->evaluator, w->limits);
    w->rootLeftTold = false;
    return true;
}

bool SampleWatch(Watch* w, ProcessSampler* sampler, GpuSource* gpu, ActivitySample* sample) {
    if (!SampleWatchedTree(sampler, &w->tree, sample) || (w->tree.rootGone && w->status.watchMode != WATCH_ON)) {
        ReleaseGpuUsage(&w->gpu);
        return false;
    }
    if (w->tree.memberCount > 0) {
        SampleGpu(gpu, &w->gpu, &w->tree, w->tree.previous.time, sample);
    }
    return true;
}

WatchTick JudgeWatch(Watch* w, const ActivitySample* sampled, int32_t connections) {
    WatchTick t = {};
    WatchStatus* s = &w->status;
    t.previous = s->currentState;
    ActivitySample sample = *sampled;
    if (sample.elapsed > RESUME_GAP) {
        // What the tree did across the pause is not one second's work, nor the quiet either:
        // the sample is the new baseline, and the state stays as it was.
        t.resumed = true;
        ActivitySample baseline = {};
        baseline.processCount = sample.processCount;
        baseline.workingSet = sample.workingSet;
        sample = baseline;
        if (s->watchMode == WATCH_ON) {
            ReassertPowerRequest(&w->power);
        }
    }
    // The work of a watch is over when its tree is empty, not when its first process exits:
    // a launcher's worker, or a build's compiler, goes on being watched.
    if (w->tree.rootGone && !w->rootLeftTold) {
        t.rootLeft = true;
        t.survivors = w->tree.memberCount;
        w->rootLeftTold = true;
    }
    s->currentState = EvaluateActivity(&w->evaluator, &sample, connections);
    t.state = s->currentState;
    if (s->watchMode == WATCH_ON) {
        t.hold = HoldsLock(w);
        SetPowerRequest(&w->power, t.hold, *w->keepDisplayOn);
        const bool saving = w->guard.released && WantsLock(t.state);
        FormatTickLine(t.line, TICK_LINE_CAPACITY, &sample, &w->evaluator, connections, t.state,
                       saving ? "battery" : LockStateName(&w->power, t.hold));
        t.lineReady = true;
    }
    return t;
}

WatchTick TickWatch(Watch* w, ProcessSampler* sampler, TcpTableApi* tcp, GpuSource* gpu) {
    ActivitySample sample;
    if (!SampleWatch(w, sampler, gpu, &sample)) {
        WatchTick t = {};
        t.previous = w->status.currentState;
        t.state = w->status.currentState;
        t.ended = true;
        return t;
    }
    int32_t connections = w->tree.memberCount > 0 ? CountTreeConnections(tcp, TreeMembers(&w->tree)) : 0;
    return JudgeWatch(w, &sample, connections);
}

void StopSampling(Watch* w) {
    w->status.sampling = false;
    ReleaseGpuUsage(&w->gpu);
}

bool HoldsLock(const Watch* w) {
    return WantsLock(w->status.currentState) && !w->guard.released;
}

GuardStep GuardBattery(Watch* w) {
    uint32_t percent = 0;
    const bool known = BatteryPercent(&w->conditions, &percent);
    GuardStep step = UpdateBatteryGuard(&w->guard, OnBattery(&w->conditions), known, percent);
    w->status.batterySaving = w->guard.released;
    w->status.batteryPercent = percent;
    if (step != GuardStep::None && w->status.watchMode == WATCH_ON) {
        SetPowerRequest(&w->power, HoldsLock(w), *w->keepDisplayOn);
    }
    return step;
}

void RebaselineWatch(Watch* w) {
    if (w->status.watchMode == WATCH_ON) {
        ReassertPowerRequest(&w->power);
    }
    if (w->status.sampling) {
        RebaselineWatchedTree(&w->tree);
    }
}

int32_t FormatThresholdsLine(char* out, int32_t capacity, const LimitTable* l, uint32_t batteryFloor) {
    int32_t n = FormatText8(out, capacity,
                            "  thresholds: cpu %u permille | disk %u B/s | net %u B/s | mem %u faults/s | wait %us",
                            l->rows[Index(METRIC_CPU)].value, l->rows[Index(METRIC_DISK)].value,
                            l->rows[Index(METRIC_NET)].value, l->rows[Index(METRIC_MEM)].value,
                            l->rows[WAIT_ROW].value / 1000);
    if (l->gpu != GPU_LIMIT_DEFAULT && n < capacity) {
        n += FormatText8(out + n, capacity - n, " | gpu %u permille", l->gpu);
    }
    if (batteryFloor != 0 && n < capacity) {
        n += FormatText8(out + n, capacity - n, " | battery %u%%", batteryFloor);
    }
    return n;
}

int32_t FormatTickLine(char* out, int32_t capacity, const ActivitySample* sample, const ActivityEvaluator* e,
                       int32_t connections, WatchState state, const char* lock) {
    const MetricMeter* m = e->meters;
    auto r = [](const MetricMeter& meter) { return meter.raised ? "r" : ""; };
    int32_t n = FormatText8(out, capacity, "tick procs=%d cpu=%u/%u%s disk=%u/%u%s net=%u/%u%s mem=%u/%u%s",
                            sample->processCount, m[0].average, m[0].effectiveLimit, r(m[0]), m[1].average,
                            m[1].effectiveLimit, r(m[1]), m[2].average, m[2].effectiveLimit, r(m[2]), m[3].average,
                            m[3].effectiveLimit, r(m[3]));
    if (e->gpuKnown && n < capacity) {
        n += FormatText8(out + n, capacity - n, " gpu=%u/%u", e->gpu.average, e->gpu.effectiveLimit);
    }
    if (n < capacity) {
        n += FormatText8(out + n, capacity - n, " ws=%uMB conn=%d -> %s (%s) quiet=%us lock=%s",
                         static_cast<uint32_t>(e->workingSet >> 20), connections, StateLogName(state),
                         WorkReasonLogName(e), static_cast<uint32_t>(e->quietMs / 1000), lock);
    }
    return n;
}
