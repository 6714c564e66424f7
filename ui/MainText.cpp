#include "ui/MainText.h"

#include "ui/Format.h"
#include "base/Format.h"
#include "base/Text.h"

int32_t HasLiveNumbers(const MainTextInputs* in) {
    return (in->status->sampling && in->evaluator->meters[Index(METRIC_CPU)].recentCount > 0) ? 1 : 0;
}

namespace {

// What the watched work is doing, and whether the lock holds for it.
void FormatWork(char16_t* work, const MainTextInputs* in) {
    const ActivityEvaluator* e = in->evaluator;
    if (in->status->batterySaving && in->status->watchMode == WATCH_ON) {
        FormatText(work, STATUS_WORK_CAPACITY, u"released to save the battery \u00B7 %u%% left",
                   in->status->batteryPercent);
        return;
    }
    switch (in->status->currentState) {
    case STATE_BUSY:
        if (e->overMetric < 0 && e->spawn.over) {
            FormatText(work, STATUS_WORK_CAPACITY, u"working \u00B7 spawn \u00B7 %u new processes in %us",
                       e->spawn.total, static_cast<uint32_t>(SPAWN_WINDOW));
        } else if (e->overMetric < 0) {
            CopyWide(work, u"holding \u00B7 measuring...", STATUS_WORK_CAPACITY);
        } else if (e->overMetric == GPU_MEASURE) {
            FormatText(work, STATUS_WORK_CAPACITY, u"working \u00B7 GPU %u%%", e->gpu.average / 10);
        } else {
            char16_t value[METRIC_TEXT_CAPACITY];
            FormatMetricValue(value, METRIC_TEXT_CAPACITY, static_cast<Metric>(e->overMetric),
                              e->meters[e->overMetric].average);
            FormatText(work, STATUS_WORK_CAPACITY, u"working \u00B7 %s %s", LimitRowName(e->overMetric), value);
        }
        break;
    case STATE_GRACE:
        FormatText(work, STATUS_WORK_CAPACITY, u"quiet %us of %us \u00B7 still holding",
                   static_cast<uint32_t>(e->quietMs / 1000), in->limits->rows[WAIT_ROW].value / 1000);
        break;
    default:
        CopyWide(work, u"released \u00B7 waiting for work", STATUS_WORK_CAPACITY);
        break;
    }
}

}  // namespace

void BuildStatusLine(char16_t* out, int32_t capacity, const MainTextInputs* in) {
    char16_t work[STATUS_WORK_CAPACITY];
    if (in->status->waitingFor[0]) {
        FormatText(out, capacity, u"waiting for %s to start", in->status->waitingFor);
        return;
    }
    FormatWork(work, in);
    if (!in->lockAccepted) {
        int32_t used = WideLength(work);
        int32_t room = STATUS_WORK_CAPACITY - used;
        CopyWide(work + used, u"  (Windows refused the lock)", room < 40 ? room : 40);
    }
    CopyWide(out, work, capacity);
}

void FormatMetricDetail(char16_t* out, const MainTextInputs* in, Metric metric, bool* busy) {
    *busy = false;
    if (!HasLiveNumbers(in)) {
        CopyWide(out,
                 in->status->waitingFor[0] ? u"waiting for the app to start"
                 : in->status->sampling    ? u"measuring\u2026"
                                           : u"pick an app to see its numbers",
                 ROW_TEXT_CAPACITY);
        return;
    }
    const ActivityEvaluator* e = in->evaluator;
    const MetricMeter* m = &e->meters[Index(metric)];
    char16_t now[NOW_CAPACITY];
    FormatMetricValue(now, NOW_CAPACITY, metric, m->average);
    if (metric == METRIC_MEM && e->workingSet != 0) {
        uint32_t mb = static_cast<uint32_t>(e->workingSet >> 20);
        if (mb < 1024) {
            FormatText(out, ROW_TEXT_CAPACITY, u"now %s  \u00B7  %u MB in use", now, mb);
        } else {
            FormatText(out, ROW_TEXT_CAPACITY, u"now %s  \u00B7  %u.%u GB in use", now, mb >> 10,
                       ((mb & 1023u) * 10u) >> 10);
        }
    } else if (metric == METRIC_NET) {
        FormatText(out, ROW_TEXT_CAPACITY, u"now %s  \u00B7  %d connection%s", now, e->connections,
                   e->connections == 1 ? u"" : u"s");
    } else if (metric == METRIC_CPU && e->gpuKnown) {
        // The GPU has no row of its own: where Windows keeps its statistics it shows here.
        FormatText(out, ROW_TEXT_CAPACITY, u"now %s \u00B7 GPU %u%%", now, e->gpu.average / 10);
    } else {
        FormatText(out, ROW_TEXT_CAPACITY, u"now %s", now);
    }
    *busy = m->over != 0;
}

void FormatWaitDetail(char16_t* out, const MainTextInputs* in, bool* grace) {
    const WatchStatus* s = in->status;
    const ActivityEvaluator* e = in->evaluator;
    const bool watching = s->watchMode == WATCH_ON && !s->waitingFor[0];
    *grace = watching && s->currentState == STATE_GRACE;
    if (watching && s->currentState != STATE_BUSY) {
        char16_t quiet[METRIC_TEXT_CAPACITY];
        char16_t wait[METRIC_TEXT_CAPACITY];
        FormatDuration(quiet, METRIC_TEXT_CAPACITY, static_cast<uint32_t>(e->quietMs));
        FormatDuration(wait, METRIC_TEXT_CAPACITY, in->limits->rows[WAIT_ROW].value);
        FormatText(out, ROW_TEXT_CAPACITY, u"quiet for %s of %s", quiet, wait);
    } else if (HasLiveNumbers(in)) {
        CopyWide(out, IsWorking(e) ? u"working right now \u00B7 this would hold the lock"
                                         : u"quiet right now \u00B7 nothing is over its limit",
                 ROW_TEXT_CAPACITY);
    } else {
        CopyWide(out, u"how long it must stay quiet before letting go", ROW_TEXT_CAPACITY);
    }
}

void FormatFooter(char16_t* out, const MainTextInputs* in) {
    const WatchStatus* s = in->status;
    if (s->notice[0]) {
        CopyWide(out, s->notice, FOOTER_CAPACITY);
    } else if (s->waitingFor[0]) {
        CopyWide(out, u"once it starts, it is watched with everything it spawns", FOOTER_CAPACITY);
    } else if (s->watchMode == WATCH_ON) {
        FormatText(out, FOOTER_CAPACITY, u"watching PID %u and everything it spawns", s->watchedApp.pid);
    } else {
        FormatText(out, FOOTER_CAPACITY, u"%d open apps", in->appCount);
    }
    if (in->rulesArmed > 0 && !s->notice[0]) {
        const int32_t n = WideLength(out);
        if (in->ruleWatches > 0) {
            FormatText(out + n, FOOTER_CAPACITY - n, u" \u00B7 %d %s armed \u00B7 %d watching", in->rulesArmed,
                       in->rulesArmed == 1 ? u"rule" : u"rules", in->ruleWatches);
        } else {
            FormatText(out + n, FOOTER_CAPACITY - n, u" \u00B7 %d %s armed", in->rulesArmed,
                       in->rulesArmed == 1 ? u"rule" : u"rules");
        }
    }
}

bool ButtonEnabled(const WatchStatus* status, int32_t selectedIndex) {
    return status->watchMode == WATCH_ON || selectedIndex >= 0;
}
