#include "engine/Controller.h"

#include "engine/ControllerInternal.h"
#include "engine/PowerLimits.h"
#include "base/Format.h"
#include "base/Text.h"

void ControllerLog(WatchController* c, const char* text) {
    c->platform.writeLog(c->platform.context, text);
}

bool StartTicks(WatchController* c) {
    uint32_t error = c->platform.startTimer(c->platform.context);
    if (error != 0) {
        char line[80];
        FormatText8(line, sizeof(line), "could not start the tick timer: error %u", error);
        ControllerLog(c, line);
    }
    return error == 0;
}

namespace {

void InvalidateWindow(WatchController* c) {
    c->platform.invalidateWindow(c->platform.context);
}

void RestoreOverride(WatchController* c) {
    LimitOverride* o = &c->override;
    if (!o->active) {
        return;
    }
    for (int32_t r = 0; r < LIMIT_ROW_COUNT; r++) {
        c->limits->rows[r].value = o->saved.rows[r].value;
        c->evaluator->limits.rows[r].value = o->saved.rows[r].value;
    }
    *c->keepDisplayOn = o->savedDisplay;
    o->active = false;
    c->platform.limitsChanged(c->platform.context);
}

}  // namespace

// The watch's own limits: a new evaluator starts with them, a previewed one takes them over.
void ApplyOverride(WatchController* c, const WatchOptions* options) {
    RestoreOverride(c);
    bool any = options->screen;
    for (bool given : options->hasLimit) {
        any = any || given;
    }
    if (!any) {
        return;
    }
    LimitOverride* o = &c->override;
    o->active = true;
    o->saved = *c->limits;
    o->savedDisplay = *c->keepDisplayOn;
    o->screen = options->screen;
    for (int32_t r = 0; r < LIMIT_ROW_COUNT; r++) {
        o->row[r] = options->hasLimit[r];
        o->value[r] = options->limit[r];
        if (o->row[r]) {
            c->limits->rows[r].value = options->limit[r];
            c->evaluator->limits.rows[r].value = options->limit[r];
        }
    }
    if (options->screen) {
        *c->keepDisplayOn = true;
    }
    c->platform.limitsChanged(c->platform.context);
}

// Hand edits of the file that a save took are the user's settings: those not set for this
// watch alone are in force at once.
static void TakeEditedSettings(WatchController* c) {
    const LimitOverride* o = &c->override;
    for (int32_t r = 0; r < LIMIT_ROW_COUNT; r++) {
        if (o->active && !o->row[r]) {
            c->limits->rows[r].value = o->saved.rows[r].value;
        }
        c->evaluator->limits.rows[r].value = c->limits->rows[r].value;
    }
    if (o->active && !o->screen) {
        *c->keepDisplayOn = o->savedDisplay;
    }
    c->platform.limitsChanged(c->platform.context);
}

void SaveUserSettings(WatchController* c) {
    LimitOverride* o = &c->override;
    if (o->active) {
        for (int32_t r = 0; r < LIMIT_ROW_COUNT; r++) {
            if (!o->row[r] || c->limits->rows[r].value != o->value[r]) {
                o->saved.rows[r].value = c->limits->rows[r].value;
                o->row[r] = false;
            }
        }
        if (!o->screen || !*c->keepDisplayOn) {
            o->savedDisplay = *c->keepDisplayOn;
            o->screen = false;
        }
    }
    bool tookHandEdits = false;
    uint32_t error = o->active ? c->platform.saveSettings(c->platform.context, &o->saved, &o->savedDisplay, &tookHandEdits)
                               : c->platform.saveSettings(c->platform.context, c->limits, c->keepDisplayOn, &tookHandEdits);
    if (tookHandEdits) {
        TakeEditedSettings(c);
    }
    if (error != 0 && !c->saveFailureLogged) {
        char line[64];
        FormatText8(line, sizeof(line), "settings could not be saved: error %u", error);
        ControllerLog(c, line);
    }
    c->saveFailureLogged = error != 0;
}

int32_t FormatThresholdsLine(char* out, int32_t capacity, const LimitTable* l) {
    return FormatText8(out, capacity, "  thresholds: cpu %u permille | disk %u B/s | net %u B/s | mem %u faults/s | wait %us",
                       l->rows[Index(METRIC_CPU)].value, l->rows[Index(METRIC_DISK)].value, l->rows[Index(METRIC_NET)].value,
                       l->rows[Index(METRIC_MEM)].value, l->rows[WAIT_ROW].value / 1000);
}

int32_t FormatTickLine(char* out, int32_t capacity, const ActivitySample* sample, const ActivityEvaluator* e,
                       int32_t connections, WatchState state, const char* lock) {
    const MetricMeter* m = e->meters;
    auto r = [](const MetricMeter& meter) { return meter.raised ? "r" : ""; };
    return FormatText8(out, capacity,
                       "tick procs=%d cpu=%u/%u%s disk=%u/%u%s net=%u/%u%s mem=%u/%u%s ws=%uMB conn=%d -> %s (%s) "
                       "quiet=%us lock=%s",
                       sample->processCount, m[0].average, m[0].effectiveLimit, r(m[0]), m[1].average,
                       m[1].effectiveLimit, r(m[1]), m[2].average, m[2].effectiveLimit, r(m[2]), m[3].average,
                       m[3].effectiveLimit, r(m[3]), static_cast<uint32_t>(e->workingSet >> 20), connections,
                       StateLogName(state), WorkReasonLogName(e), static_cast<uint32_t>(e->quietMs / 1000),
                       lock);
}

void LogThresholds(WatchController* c) {
    char line[160];
    FormatThresholdsLine(line, sizeof(line), c->limits);
    ControllerLog(c, line);
}

void PreviewApp(WatchController* c, uint32_t pid) {
    WatchStatus* s = c->status;
    if (pid != 0) {
        if (s->sampling && c->tree->attached && c->tree->rootPid == pid) {
            return;  // the same app: the preview goes on with its history
        }
        if (AttachWatchedTree(c->sampler, c->tree, pid)) {
            ResetEvaluator(c->evaluator, c->limits);
            s->sampling = true;
            if (c->platform.startTimer(c->platform.context) == 0) {
                return;
            }
            // No timer, no preview: without ticks the numbers would never come.
        }
    }
    if (s->sampling) {
        c->platform.stopTimer(c->platform.context);
    }
    s->sampling = false;
}

void RefreshAppList(WatchController* c) {
    AppListView* v = c->listView;
    AppList* apps = c->apps;
    uint32_t keep = (v->selectedIndex >= 0 && v->selectedIndex < apps->count) ? apps->entries[v->selectedIndex].pid : 0;
    apps->count = c->platform.enumerateApps(c->platform.context, apps->entries, MAX_APPS);
    c->enumerations++;
    c->platform.setListCount(c->platform.context, apps->count);
    // Keep the same process selected across the new list, without a notification.
    v->selectedIndex = -1;
    for (int32_t i = 0; keep != 0 && i < apps->count; i++) {
        if (apps->entries[i].pid == keep) {
            v->selectedIndex = i;
            break;
        }
    }
    if (c->status->watchMode == WATCH_OFF) {
        PreviewApp(c, v->selectedIndex >= 0 ? apps->entries[v->selectedIndex].pid : 0);
    }
    c->platform.invalidateList(c->platform.context);
    InvalidateWindow(c);
}

void UpdateTray(WatchController* c) {
    const WatchStatus* s = c->status;
    if (!c->finish.counting && !s->waitingFor[0]) {
        UpdateTrayTooltip(c->tray, s, c->evaluator->meters[Index(METRIC_CPU)].average);
        return;
    }
    char16_t name[TRAY_NAME_CAPACITY];
    CopyWide(name, s->watchedApp.imageName[0] ? s->watchedApp.imageName : s->watchedApp.title, TRAY_NAME_CAPACITY);
    char16_t tip[TRAY_TIP_CAPACITY];
    if (c->finish.counting) {
        FormatText(tip, TRAY_TIP_CAPACITY, u"Pellacord \u00B7 %s \u00B7 %s in %u s", name,
                   FinishVerb(c->finish.action), c->finish.secondsLeft);
    } else {
        FormatText(tip, TRAY_TIP_CAPACITY, u"Pellacord \u00B7 waiting for %s", name);
    }
    UpdateTrayIcon(c->tray, TrayIconKindOf(s->currentState), tip);
}

void StartWatching(WatchController* c) {
    AppListView* v = c->listView;
    if (v->selectedIndex < 0 || v->selectedIndex >= c->apps->count) {
        return;
    }
    const AppEntry entry = c->apps->entries[v->selectedIndex];
    const WatchOptions none = {};
    if (BeginWatch(c, &entry, &none) == WatchStart::Vanished) {
        CopyWide(c->status->notice, u"that app closed before we could attach to it", NOTICE_CAPACITY);
        RefreshAppList(c);
    }
}

WatchStart BeginWatch(WatchController* c, const AppEntry* entry, const WatchOptions* options) {
    WatchStatus* s = c->status;
    ApplyOverride(c, options);
    if (!(s->sampling && c->tree->attached && c->tree->rootPid == entry->pid)) {
        if (!AttachWatchedTree(c->sampler, c->tree, entry->pid)) {
            if (s->watchMode == WATCH_OFF) {
                RestoreOverride(c);
            }
            return WatchStart::Vanished;
        }
        ResetEvaluator(c->evaluator, c->limits);
        s->sampling = true;
    }
    // The tick comes first: a lock taken without ticks to release it would keep the PC awake
    // for good. The period starts again from now.
    if (!StartTicks(c)) {
        s->sampling = false;
        if (s->watchMode == WATCH_ON) {
            EndWatch(c, u"Windows refused a timer \u00B7 the app is not watched", false);
        } else {
            c->platform.stopTimer(c->platform.context);
            RestoreOverride(c);
            CopyWide(s->notice, u"Windows refused a timer \u00B7 the app is not watched", NOTICE_CAPACITY);
            InvalidateWindow(c);
        }
        return WatchStart::NoTimer;
    }
    // A previewed app carries its averages, history and quiet time into the watch. An app
    // without a window goes by its image name.
    const char16_t* title = entry->title[0] ? entry->title : entry->imageName;
    s->waitingFor[0] = 0;
    EnterWatch(c, title, entry->imageName, entry->pid, STATE_BUSY, options->then);
    c->untilTreeEnds = options->untilTreeEnds;
    OpenPowerReason(c->power, title);
    SetPowerRequest(c->power, true, *c->keepDisplayOn);
    if (!AddTrayIcon(c->tray)) {
        char line[120];
        FormatText8(line, sizeof(line), "  the shell refused the tray icon: error %u, struct %u bytes",
                    TrayAddError(c->tray), TrayDataSize());
        ControllerLog(c, line);
    }
    UpdateTray(c);
    c->platform.writeLogWide(c->platform.context, "watching: ", title);
    char line[80];
    FormatText8(line, sizeof(line), "  pid %u, plus every process it spawns", entry->pid);
    ControllerLog(c, line);
    c->platform.writeLogWide(c->platform.context, "  image: ", entry->imageName);
    LogThresholds(c);
    ControllerLog(c, *c->keepDisplayOn ? "  screen will be kept on too" : "  screen may still turn off");
    if (c->finish.action != FinishAction::None) {
        FormatText8(line, sizeof(line), "  when finished: %s", FinishChoiceLogName(c->finish.action));
        ControllerLog(c, line);
    }
    uint32_t limits = c->platform.powerLimits(c->platform.context);
    if ((limits & POWER_LIMIT_MODERN_STANDBY) && !*c->keepDisplayOn) {
        ControllerLog(c, "  note: this PC may still sleep when the screen turns off (modern standby); "
               "tick 'Keep the screen on too' to prevent it");
    }
    if (limits & POWER_LIMIT_POLICY) {
        ControllerLog(c, "  note: a system policy stops programs from keeping this PC awake");
    }
    c->platform.showWindow(c->platform.context, false);
    return WatchStart::Started;
}

void EnterWatch(WatchController* c, const char16_t* title, const char16_t* image, uint32_t pid, WatchState state,
                FinishAction then) {
    WatchStatus* s = c->status;
    CopyWide(s->watchedApp.title, title, APP_TITLE_CAPACITY);
    CopyWide(s->watchedApp.imageName, image, APP_IMAGE_CAPACITY);
    s->watchedApp.pid = pid;
    s->notice[0] = 0;
    s->watchMode = WATCH_ON;
    s->currentState = state;
    s->watchSerial++;
    c->survivorsLogged = false;
    DropCountdown(c);
    ResetFinish(&c->finish, then);
    c->platform.enableList(c->platform.context, false);
}

void StopWatching(WatchController* c, const char16_t* notice) {
    EndWatch(c, notice, false);
}

void EndWatch(WatchController* c, const char16_t* notice, bool keepFinish) {
    WatchStatus* s = c->status;
    if (s->watchMode == WATCH_ON) {
        if (s->waitingFor[0]) {
            char16_t line[APP_IMAGE_CAPACITY + 32];
            FormatText(line, APP_IMAGE_CAPACITY + 32, u"stopped waiting for %s", s->waitingFor);
            c->platform.writeLogWide(c->platform.context, "", line);
        } else {
            ControllerLog(c, "stopped watching; lock released");
        }
        c->platform.closeMenus(c->platform.context);  // a tray menu left open would act on nothing
    }
    if (!keepFinish) {
        if (c->finish.counting) {
            ControllerLog(c, "finished action cancelled");
        }
        c->platform.stopCountdown(c->platform.context);
        ResetFinish(&c->finish, FinishAction::None);
    }
    ReleasePowerRequest(c->power);
    ClosePowerReason(c->power);
    RemoveTrayIcon(c->tray);
    s->watchMode = WATCH_OFF;
    s->currentState = STATE_IDLE;
    s->watchedApp.pid = 0;
    s->waitingFor[0] = 0;
    RestoreOverride(c);
    c->platform.enableList(c->platform.context, true);
    CopyWide(s->notice, notice, NOTICE_CAPACITY);
    RefreshAppList(c);  // previews the still-selected app again, or stops sampling
    if (!s->sampling) {
        c->platform.stopTimer(c->platform.context);  // the ticks of a wait for an image
    }
    InvalidateWindow(c);
}

static void TickOnce(WatchController* c) {
    WatchStatus* s = c->status;
    if (s->watchMode == WATCH_ON && s->waitingFor[0]) {
        PollWaiting(c);
        return;
    }
    WatchState previous = s->currentState;
    ActivitySample sample;
    if (!SampleWatchedTree(c->sampler, c->tree, &sample)) {
        if (s->watchMode == WATCH_ON) {
            ControllerLog(c, "the watched process exited");
            // The app's exit finishes its work: the chosen action goes on past the watch.
            bool exiting = c->finish.action == FinishAction::Exit;
            EndWatch(c, u"that app has closed \u00B7 the lock was released", true);
            WorkFinished(c, true);
            if (!exiting) {
                ShowMainWindow(c);
            }
        } else {
            PreviewApp(c, 0);
            RefreshAppList(c);
        }
        return;
    }
    if (c->tree->rootGone) {
        if (s->watchMode != WATCH_ON) {
            PreviewApp(c, 0);  // a previewed app that closed: the list no longer holds it
            RefreshAppList(c);
            return;
        }
        // The work of a watch is over when its tree is empty, not when its first process exits:
        // a launcher's worker, or a build's compiler, goes on being watched.
        if (!c->survivorsLogged) {
            char line[96];
            FormatText8(line, sizeof(line), "  the watched process exited; %u processes it started still run",
                        static_cast<uint32_t>(c->tree->memberCount));
            ControllerLog(c, line);
            c->survivorsLogged = true;
        }
    }
    int32_t connections = CountTreeConnections(c->tcp, c->tree->memberPids, c->tree->memberCount);
    s->currentState = EvaluateActivity(c->evaluator, &sample, connections);
    if (s->watchMode == WATCH_ON) {
        const uint32_t serial = s->watchSerial;
        bool hold = WantsLock(s->currentState);
        SetPowerRequest(c->power, hold, *c->keepDisplayOn);
        UpdateTray(c);
        // The shell call lets other messages in; one of them may have ended this watch, and
        // a tick line must never claim a lock that was released.
        if (s->watchMode != WATCH_ON || s->watchSerial != serial) {
            return;
        }
        char line[TICK_LINE_CAPACITY];
        FormatTickLine(line, TICK_LINE_CAPACITY, &sample, c->evaluator, connections, s->currentState,
                       LockStateName(c->power, hold));
        ControllerLog(c, line);
        if (s->currentState != previous) {
            FormatText8(line, TICK_LINE_CAPACITY, "  ^ state changed: %s -> %s", StateLogName(previous),
                        StateLogName(s->currentState));
            ControllerLog(c, line);
        }
        if (s->currentState == STATE_BUSY) {
            WorkBusyAgain(c);
        } else if (s->currentState == STATE_IDLE && previous != STATE_IDLE && !c->untilTreeEnds) {
            WorkFinished(c, false);
            if (s->watchMode != WATCH_ON) {
                return;  // the action ended the watch
            }
        }
    }
    if (c->platform.windowVisible(c->platform.context)) {
        InvalidateWindow(c);
    }
}

// A tick never runs inside another: a message dispatched during one (a menu's loop, a call
// into the shell) must not sample, judge or log in the middle of it.
void Tick(WatchController* c) {
    if (c->ticking) {
        return;
    }
    c->ticking = true;
    TickOnce(c);
    c->ticking = false;
}

void ReleaseFromTray(WatchController* c, uint32_t serial) {
    if (c->status->watchMode == WATCH_ON && c->status->watchSerial == serial) {
        StopWatching(c, u"released from the tray");
    }
    ShowMainWindow(c);
}

void SystemSuspending(WatchController* c) {
    if (c->status->watchMode == WATCH_ON) {
        ControllerLog(c, "system suspending");
    }
}

// Counters and clocks across the sleep are meaningless: the next sample is a new baseline.
// While watching, the request is set again in case the platform dropped it, and the tick
// timer restarted.
void SystemResumed(WatchController* c) {
    WatchStatus* s = c->status;
    if (s->watchMode == WATCH_ON) {
        ControllerLog(c, WantsLock(s->currentState) ? "system resumed; lock re-asserted" : "system resumed");
        ReassertPowerRequest(c->power);
        (void)c->platform.startTimer(c->platform.context);  // it is running already; this restarts it
    }
    if (s->sampling) {
        RebaselineWatchedTree(c->tree);
    }
}

void ShowMainWindow(WatchController* c) {
    uint32_t listed = c->enumerations;
    c->platform.showWindow(c->platform.context, true);
    c->platform.bringToFront(c->platform.context);
    // Coming to the front refreshes the list already when the window was not active.
    if (c->status->watchMode == WATCH_OFF && c->enumerations == listed) {
        RefreshAppList(c);
    }
    InvalidateWindow(c);
}

void HandleClick(WatchController* c, HitTarget target) {
    WatchStatus* s = c->status;
    switch (target) {
    case TARGET_BUTTON:
        if (s->watchMode == WATCH_ON) {
            StopWatching(c, u"released \u00B7 pick another app when you need to");
        } else {
            StartWatching(c);
        }
        break;
    case TARGET_CHECKBOX:
        *c->keepDisplayOn = !*c->keepDisplayOn;
        SaveUserSettings(c);
        if (s->watchMode == WATCH_ON) {
            SetPowerRequest(c->power, WantsLock(s->currentState), *c->keepDisplayOn);
        }
        break;
    case TARGET_REFRESH:
        s->notice[0] = 0;
        RefreshAppList(c);
        break;
    default:
        break;
    }
    InvalidateWindow(c);
}
