#include "shell/Controller.h"

#include "shell/ControllerInternal.h"
#include "base/Format.h"
#include "base/Text.h"

void ControllerLog(WatchController* c, const char* text) {
    if (RuleWatchesRunning(c) > 0) {
        char line[TICK_LINE_CAPACITY + 16];
        FormatText8(line, sizeof(line), "[window] %s", text);
        c->platform.writeLog(Context(c), line);
        return;
    }
    c->platform.writeLog(Context(c), text);
}

void ControllerLogWide(WatchController* c, const char* prefix, const char16_t* text) {
    if (RuleWatchesRunning(c) > 0) {
        char tagged[80];
        FormatText8(tagged, sizeof(tagged), "[window] %s", prefix);
        c->platform.writeLogWide(Context(c), tagged, text);
        return;
    }
    c->platform.writeLogWide(Context(c), prefix, text);
}

void StopTicks(WatchController* c) {
    if (!OthersInPlay(c)) {
        c->platform.stopTimer(Context(c));
    }
}

// The tray icon goes once nothing needs it: rules and a hold keep it, in the colour of their
// watches or the hold's.
void HideTray(WatchController* c) {
    if (OthersInPlay(c) || c->trayResident) {
        UpdateTray(c);
    } else {
        RemoveTrayIcon(c->tray);
    }
}

bool FollowWhatIsLeft(WatchController* c) {
    const WatchStatus* s = &c->watch->status;
    if (!s->sampling && s->watchMode != WATCH_ON && !OthersInPlay(c)) {
        c->platform.stopTimer(Context(c));
    }
    if (TrayInUse(c)) {
        UpdateTray(c);
        return false;
    }
    RemoveTrayIcon(c->tray);
    return true;
}

bool TrayInUse(const WatchController* c) {
    return c->watch->status.watchMode == WATCH_ON || c->watch->finish.counting || OthersInPlay(c) ||
           c->trayResident;
}

bool StartTicks(WatchController* c) {
    uint32_t error = c->platform.startTimer(Context(c));
    if (error != 0) {
        char line[80];
        FormatText8(line, sizeof(line), "could not start the tick timer: error %u", error);
        ControllerLog(c, line);
    }
    return error == 0;
}

namespace {

void InvalidateWindow(WatchController* c) {
    c->platform.invalidateWindow(Context(c));
}

}  // namespace

SettingsInForce InForce(WatchController* c) {
    return SettingsInForce{.limits = c->limits, .keepDisplayOn = c->keepDisplayOn, .optional = c->optional};
}

void UseUserLimits(WatchController* c) {
    const SettingsInForce f = InForce(c);
    if (RestoreOverride(&c->override, &f)) {
        c->platform.limitsChanged(Context(c));
    }
}

// The watch's own limits: a new evaluator starts with them, a previewed one reads them from
// its next tick.
void UseWatchLimits(WatchController* c, const WatchOptions* options) {
    UseUserLimits(c);
    const SettingsInForce f = InForce(c);
    if (ApplyOverride(&c->override, &f, options)) {
        c->platform.limitsChanged(Context(c));
    }
}

void SaveUserSettings(WatchController* c) {
    LimitOverride* o = &c->override;
    const SettingsInForce f = InForce(c);
    TakeUserChanges(o, &f);
    bool tookHandEdits = false;
    uint32_t error = o->active ? c->platform.saveSettings(Context(c), &o->saved, &o->savedDisplay, &o->savedOptional,
                                                          &tookHandEdits)
                               : c->platform.saveSettings(Context(c), c->limits, c->keepDisplayOn, c->optional,
                                                          &tookHandEdits);
    if (tookHandEdits) {
        // Hand edits of the file are the user's settings: those not set for this watch alone
        // are in force at once.
        PutSavedInForce(o, &f);
        c->watch->guard.floor = c->optional->batteryFloor;
        c->platform.limitsChanged(Context(c));
    }
    if (error != 0 && !c->saveFailureLogged) {
        char line[64];
        FormatText8(line, sizeof(line), "settings could not be saved: error %u", error);
        ControllerLog(c, line);
    }
    c->saveFailureLogged = error != 0;
}

void LogThresholds(WatchController* c) {
    char line[160];
    FormatThresholdsLine(line, sizeof(line), c->limits, c->optional->batteryFloor);
    ControllerLog(c, line);
}

void PreviewApp(WatchController* c, uint32_t pid) {
    Watch* w = c->watch;
    WatchStatus* s = &w->status;
    if (pid != 0) {
        if (s->sampling && w->tree.attached && w->tree.rootPid == pid) {
            return;  // the same app: the preview goes on with its history
        }
        if (AttachWatch(w, c->sampler, pid)) {
            s->sampling = true;
            if (c->platform.startTimer(Context(c)) == 0) {
                return;
            }
            // No timer, no preview: without ticks the numbers would never come.
        }
    }
    if (s->sampling) {
        StopTicks(c);
    }
    StopSampling(w);
}

void RefreshAppList(WatchController* c) {
    AppListView* v = c->listView;
    AppList* apps = c->apps;
    uint32_t keep = (v->selectedIndex >= 0 && v->selectedIndex < apps->count) ? apps->entries[v->selectedIndex].pid : 0;
    apps->count = c->platform.enumerateApps(Context(c), apps->entries, MAX_APPS);
    c->enumerations++;
    c->platform.setListCount(Context(c), apps->count);
    // Keep the same process selected across the new list, without a notification.
    v->selectedIndex = keep != 0 ? FindAppByPid(apps, keep) : -1;
    if (c->watch->status.watchMode == WATCH_OFF) {
        PreviewApp(c, v->selectedIndex >= 0 ? apps->entries[v->selectedIndex].pid : 0);
    }
    c->platform.invalidateList(Context(c));
    InvalidateWindow(c);
}

void UpdateTray(WatchController* c) {
    const Watch* w = c->watch;
    const WatchStatus* s = &w->status;
    if (HoldInPlay(c) && !w->finish.counting) {
        UpdateHoldTray(c);
        return;
    }
    if (RulesInPlay(c) && !w->finish.counting && (s->watchMode != WATCH_ON || RuleWatchesRunning(c) > 0)) {
        UpdateRulesTray(c);
        return;
    }
    if (c->trayResident && s->watchMode != WATCH_ON && !w->finish.counting) {
        UpdateTrayIcon(c->tray, TrayIconKind::Idle, u"Pellacord");  // in the tray, nothing watched
        return;
    }
    if (w->finish.counting) {
        char16_t tip[TRAY_TIP_CAPACITY];
        FormatCountdownTooltip(tip, &s->watchedApp, w->finish.action, w->finish.secondsLeft);
        UpdateTrayIcon(c->tray, HoldHolds(c) ? TrayIconKind::Busy : TrayIconKindOf(s->currentState), tip);
    } else if (s->waitingFor[0]) {
        char16_t tip[TRAY_TIP_CAPACITY];
        FormatWaitingTooltip(tip, &s->watchedApp);
        UpdateTrayIcon(c->tray, TrayIconKindOf(s->currentState), tip);
    } else {
        const ActivityEvaluator* e = &w->evaluator;
        UpdateTrayTooltip(c->tray, s, e->meters[Index(METRIC_CPU)].average,
                          e->overMetric == GPU_MEASURE ? e->gpu.average : TRAY_NOT_GPU);
    }
}

void StartWatching(WatchController* c) {
    AppListView* v = c->listView;
    if (v->selectedIndex < 0 || v->selectedIndex >= c->apps->count) {
        return;
    }
    const AppEntry entry = c->apps->entries[v->selectedIndex];
    const WatchOptions none = {};
    if (BeginWatch(c, &entry, &none) == WatchStart::Vanished) {
        CopyWide(c->watch->status.notice, u"that app closed before we could attach to it", NOTICE_CAPACITY);
        RefreshAppList(c);
    }
}

namespace {

void LogWatchStart(WatchController* c, const AppEntry* entry, const char16_t* title) {
    ControllerLogWide(c, "watching: ", title);
    char line[80];
    FormatText8(line, sizeof(line), "  pid %u, plus every process it spawns", entry->pid);
    ControllerLog(c, line);
    ControllerLogWide(c, "  image: ", entry->imageName);
    LogThresholds(c);
    ControllerLog(c, *c->keepDisplayOn ? "  screen will be kept on too" : "  screen may still turn off");
    if (c->watch->finish.action != FinishAction::None) {
        FormatText8(line, sizeof(line), "  when finished: %s", FinishNamesOf(c->watch->finish.action)->choiceLogName);
        ControllerLog(c, line);
    }
}

}  // namespace

WatchStart BeginWatch(WatchController* c, const AppEntry* entry, const WatchOptions* options) {
    Watch* w = c->watch;
    WatchStatus* s = &w->status;
    UseWatchLimits(c, options);
    if (!(s->sampling && w->tree.attached && w->tree.rootPid == entry->pid)) {
        if (!AttachWatch(w, c->sampler, entry->pid)) {
            if (s->watchMode == WATCH_OFF) {
                UseUserLimits(c);
            }
            return WatchStart::Vanished;
        }
        s->sampling = true;
    }
    // The tick comes first: a lock taken without ticks to release it would keep the PC awake
    // for good. The period starts again from now.
    if (!StartTicks(c)) {
        StopSampling(w);
        if (s->watchMode == WATCH_ON) {
            EndWatch(c, u"Windows refused a timer \u00B7 the app is not watched", false);
        } else {
            StopTicks(c);
            UseUserLimits(c);
            CopyWide(s->notice, u"Windows refused a timer \u00B7 the app is not watched", NOTICE_CAPACITY);
            InvalidateWindow(c);
        }
        return WatchStart::NoTimer;
    }
    // A previewed app carries its averages, history and quiet time into the watch. An app
    // without a window goes by its image name.
    const char16_t* title = AppDisplayTitle(entry);
    s->waitingFor[0] = 0;
    EnterWatch(c, title, entry->imageName, entry->pid, STATE_BUSY, options->then);
    w->untilTreeEnds = options->untilTreeEnds;
    OpenPowerReason(&w->power, title);
    StartPowerWatch(c);  // the lock is taken here, unless the battery is below its floor
    if (!AddTrayIcon(c->tray)) {
        char line[120];
        FormatText8(line, sizeof(line), "  the shell refused the tray icon: error %u, struct %u bytes",
                    TrayAddError(c->tray), TrayDataSize());
        ControllerLog(c, line);
    }
    UpdateTray(c);
    LogWatchStart(c, entry, title);
    LogPowerStart(c);
    c->platform.showWindow(Context(c), false);
    return WatchStart::Started;
}

void EnterWatch(WatchController* c, const char16_t* title, const char16_t* image, uint32_t pid, WatchState state,
                FinishAction then) {
    Watch* w = c->watch;
    WatchStatus* s = &w->status;
    CopyWide(s->watchedApp.title, title, APP_TITLE_CAPACITY);
    CopyWide(s->watchedApp.imageName, image, APP_IMAGE_CAPACITY);
    s->watchedApp.pid = pid;
    s->notice[0] = 0;
    s->watchMode = WATCH_ON;
    s->currentState = state;
    s->watchSerial++;
    w->rootLeftTold = false;
    DropCountdown(c);
    ResetFinish(&w->finish, then);
    c->platform.enableList(Context(c), false);
}

void StopWatching(WatchController* c, const char16_t* notice) {
    EndWatch(c, notice, false);
}

void EndWatch(WatchController* c, const char16_t* notice, bool keepFinish) {
    Watch* w = c->watch;
    WatchStatus* s = &w->status;
    if (s->watchMode == WATCH_ON) {
        if (s->waitingFor[0]) {
            char16_t line[APP_IMAGE_CAPACITY + 32];
            FormatText(line, APP_IMAGE_CAPACITY + 32, u"stopped waiting for %s", s->waitingFor);
            ControllerLogWide(c, "", line);
        } else {
            ControllerLog(c, "stopped watching; lock released");
        }
        c->platform.closeMenus(Context(c));  // a tray menu left open would act on nothing
    }
    if (!keepFinish) {
        if (w->finish.counting) {
            ControllerLog(c, "finished action cancelled");
        }
        c->platform.stopCountdown(Context(c));
        ResetFinish(&w->finish, FinishAction::None);
    }
    EndPowerWatch(c);
    ReleasePowerRequest(&w->power);
    ClosePowerReason(&w->power);
    s->watchMode = WATCH_OFF;
    s->currentState = STATE_IDLE;
    s->watchedApp.pid = 0;
    s->waitingFor[0] = 0;
    HideTray(c);
    UseUserLimits(c);
    c->platform.enableList(Context(c), true);
    CopyWide(s->notice, notice, NOTICE_CAPACITY);
    RefreshAppList(c);  // previews the still-selected app again, or stops sampling
    if (c->trayResident && !c->platform.windowVisible(Context(c))) {
        PreviewApp(c, 0);  // in the tray with the window hidden, a preview would sample for nobody
    }
    if (!s->sampling) {
        StopTicks(c);  // the ticks of a wait for an image
    }
    InvalidateWindow(c);
}

namespace {

void TreeEnded(WatchController* c) {
    if (c->watch->status.watchMode != WATCH_ON) {
        PreviewApp(c, 0);  // a previewed app that closed: the list no longer holds it
        RefreshAppList(c);
        return;
    }
    ControllerLog(c, "the watched process exited");
    // The app's exit finishes its work: the chosen action goes on past the watch.
    bool exiting = c->watch->finish.action == FinishAction::Exit;
    EndWatch(c, u"that app has closed \u00B7 the lock was released", true);
    WorkFinished(c, true);
    if (!exiting) {
        ShowMainWindow(c);
    }
}

void TickOnce(WatchController* c) {
    Watch* w = c->watch;
    WatchStatus* s = &w->status;
    if (s->watchMode == WATCH_ON && s->waitingFor[0]) {
        PollWaiting(c);
        return;
    }
    const WatchTick t = TickWatch(w, c->sampler, c->tcp, c->gpu);
    CarryOutTick(c, &t);
}

}  // namespace

void CarryOutTick(WatchController* c, const WatchTick* tick) {
    const WatchTick& t = *tick;
    Watch* w = c->watch;
    WatchStatus* s = &w->status;
    if (t.ended) {
        TreeEnded(c);
        return;
    }
    if (t.resumed && s->watchMode == WATCH_ON) {
        LogResume(c);
    }
    if (t.rootLeft) {
        char line[96];
        FormatText8(line, sizeof(line), "  the watched process exited; %u processes it started still run",
                    static_cast<uint32_t>(t.survivors));
        ControllerLog(c, line);
    }
    if (t.lineReady) {
        const uint32_t serial = s->watchSerial;
        UpdateTray(c);
        // The shell call lets other messages in; one of them may have ended this watch, and
        // a tick line must never claim a lock that was released.
        if (s->watchMode != WATCH_ON || s->watchSerial != serial) {
            return;
        }
        ControllerLog(c, t.line);
        if (t.state != t.previous) {
            char line[64];
            FormatText8(line, sizeof(line), "  ^ state changed: %s -> %s", StateLogName(t.previous),
                        StateLogName(t.state));
            ControllerLog(c, line);
        }
        TellBatteryLimit(c);
        if (t.state == STATE_BUSY) {
            WorkBusyAgain(c);
        } else if (t.state == STATE_IDLE && t.previous != STATE_IDLE && !w->untilTreeEnds) {
            WorkFinished(c, false);
            if (s->watchMode != WATCH_ON) {
                return;  // the action ended the watch
            }
        }
    }
    if (c->platform.windowVisible(Context(c))) {
        c->platform.invalidateWindow(Context(c));
    }
}

// A tick never runs inside another: a message dispatched during one (a menu's loop, a call
// into the shell) must not sample, judge or log in the middle of it.
void Tick(WatchController* c) {
    if (c->ticking) {
        return;
    }
    c->ticking = true;
    const WatchStatus* s = &c->watch->status;
    if (RulesInPlay(c)) {
        TickRound(c);
    } else if (s->sampling || s->watchMode == WATCH_ON) {
        TickOnce(c);
    }
    HoldTick(c);
    c->ticking = false;
}

// The lock goes, the hold's and the window's watch's; the window comes back for the watch.
void ReleaseFromTray(WatchController* c, uint32_t serial) {
    const WatchStatus* s = &c->watch->status;
    const bool held = EndKeepingAwake(c);
    if (s->watchMode == WATCH_ON && s->watchSerial == serial) {
        StopWatching(c, u"released from the tray");
    } else if (held) {
        return;
    }
    ShowMainWindow(c);
}

void SystemSuspending(WatchController* c) {
    if (c->watch->status.watchMode == WATCH_ON || HoldHolds(c)) {
        ControllerLog(c, "system suspending");
    }
}

// Counters and clocks across the sleep are meaningless: the next sample is a new baseline.
// While watching, the request is set again in case the platform dropped it, and the tick
// timer restarted.
void SystemResumed(WatchController* c) {
    const WatchStatus* s = &c->watch->status;
    if (s->watchMode == WATCH_ON || HoldHolds(c)) {
        ControllerLog(c, HoldsLock(c->watch) || HoldHolds(c) ? "system resumed; lock re-asserted" : "system resumed");
    }
    RebaselineWatch(c->watch);
    RuleWatchesResumed(c);
    HoldResumedAfterSleep(c);
    if (s->watchMode == WATCH_ON || OthersInPlay(c)) {
        (void)c->platform.startTimer(Context(c));  // it is running already; this restarts it
    }
}

void ShowMainWindow(WatchController* c) {
    uint32_t listed = c->enumerations;
    c->platform.showWindow(Context(c), true);
    c->platform.bringToFront(Context(c));
    // Coming to the front refreshes the list already when the window was not active.
    if (c->watch->status.watchMode == WATCH_OFF && c->enumerations == listed) {
        RefreshAppList(c);
    }
    InvalidateWindow(c);
}

void HandleClick(WatchController* c, HitTarget target) {
    WatchStatus* s = &c->watch->status;
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
            SetPowerRequest(&c->watch->power, HoldsLock(c->watch), *c->keepDisplayOn);
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
