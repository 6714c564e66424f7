#include "shell/ControllerInternal.h"

#include "base/CaseFold.h"
#include "base/Format.h"
#include "base/Text.h"
#include "base/Utf8.h"

// Watches that standing rules start, beside the window's: the look for new processes of the
// rules' images, one round of samples for every watch of a tick, and each rule watch's lines,
// lock and finished action.

bool RulesInPlay(const WatchController* c) {
    if (!c->rules) {
        return false;
    }
    if (c->rules->ruleCount > 0) {
        return true;
    }
    for (const RuleWatch& r : c->rules->slots) {
        if (RuleSlotInUse(&r)) {
            return true;
        }
    }
    return false;
}

bool LockHeldBeside(const WatchController* c, const Watch* self) {
    if (self != c->watch && c->watch->status.watchMode == WATCH_ON && HoldsLock(c->watch)) {
        return true;
    }
    if (c->rules) {
        for (const RuleWatch& r : c->rules->slots) {
            if (&r.watch != self && r.watch.status.watchMode == WATCH_ON && HoldsLock(&r.watch)) {
                return true;
            }
        }
    }
    return self != nullptr && HoldHolds(c);
}

int32_t RuleWatchesRunning(const WatchController* c) {
    int32_t n = 0;
    if (c->rules) {
        for (const RuleWatch& r : c->rules->slots) {
            n += r.watch.status.watchMode == WATCH_ON ? 1 : 0;
        }
    }
    return n;
}

void RuleLog(WatchController* c, const RuleWatch* r, const char* text) {
    TaggedLog(c, r->tag, text);
}

namespace {

void RuleLogWide(WatchController* c, const RuleWatch* r, const char* prefix, const char16_t* text) {
    char line[RULE_TAG_CAPACITY + 64];
    FormatText8(line, sizeof(line), "%s%s", r->tag, prefix);
    c->platform.writeLogWide(Context(c), line, text);
}

// "[render.exe] ", or "[render.exe #2] " while another watch of the same image runs.
void NameRuleWatch(WatchController* c, RuleWatch* r) {
    const char16_t* image = r->watch.status.watchedApp.imageName;
    int32_t number = 1;
    for (bool taken = true; taken;) {
        taken = false;
        for (const RuleWatch& o : c->rules->slots) {
            taken = taken || (&o != r && RuleSlotInUse(&o) && o.number == number &&
                              EqualIgnoringCase(o.watch.status.watchedApp.imageName, image));
        }
        number += taken ? 1 : 0;
    }
    r->number = number;
    char utf8[APP_IMAGE_CAPACITY * 3];
    Utf16ToUtf8(image, utf8, sizeof(utf8));
    if (number == 1) {
        FormatText8(r->tag, RULE_TAG_CAPACITY, "[%s] ", utf8);
    } else {
        FormatText8(r->tag, RULE_TAG_CAPACITY, "[%s #%d] ", utf8, number);
    }
}

// The user's own settings, not a script's for the window's watch.
void UserSettings(const WatchController* c, LimitTable* limits, bool* keepDisplayOn) {
    const LimitOverride* o = &c->override;
    *limits = o->active ? o->saved : *c->limits;
    *keepDisplayOn = o->active ? o->savedDisplay : *c->keepDisplayOn;
}

void LogRuleStart(WatchController* c, const RuleWatch* r) {
    const WatchedApp* app = &r->watch.status.watchedApp;
    char16_t title[APP_IMAGE_CAPACITY + 8];
    FormatText(title, APP_IMAGE_CAPACITY + 8, u"%s (rule)", app->imageName);  // the image stands in for a title
    RuleLogWide(c, r, "watching: ", title);
    char line[160];
    FormatText8(line, sizeof(line), "  pid %u, plus every process it spawns", app->pid);
    RuleLog(c, r, line);
    RuleLogWide(c, r, "  image: ", app->imageName);
    FormatThresholdsLine(line, sizeof(line), &r->limits, 0);
    RuleLog(c, r, line);
    RuleLog(c, r, r->keepDisplayOn ? "  screen will be kept on too" : "  screen may still turn off");
    if (r->watch.finish.action != FinishAction::None) {
        FormatText8(line, sizeof(line), "  when finished: %s", FinishNamesOf(r->watch.finish.action)->choiceLogName);
        RuleLog(c, r, line);
    }
}

// A process of a rule's image started: it is watched with that rule's limits from now on.
void StartRuleWatch(WatchController* c, const ArmedProcess* found) {
    RuleWatches* rw = c->rules;
    int32_t k = 0;
    while (k < RULE_WATCHES_MAX && RuleSlotInUse(&rw->slots[k])) {
        k++;
    }
    if (k == RULE_WATCHES_MAX) {
        return;
    }
    RuleWatch* r = &rw->slots[k];
    const ArmedRule* rule = &rw->rules[found->image];
    UserSettings(c, &r->limits, &r->keepDisplayOn);
    OptionalSettings optional = *c->optional;
    LimitOverride own = {};
    const SettingsInForce f = {.limits = &r->limits, .keepDisplayOn = &r->keepDisplayOn, .optional = &optional};
    (void)ApplyOverride(&own, &f, &rule->options);
    const uint32_t serial = r->watch.status.watchSerial;  // a menu opened for the slot's last watch
    InitWatch(&r->watch, &r->limits, &r->keepDisplayOn, rw->slotStates[k]);
    r->watch.status.watchSerial = serial;
    r->watch.power.reason = rw->reason;
    if (!AttachWatch(&r->watch, c->sampler, found->pid)) {
        return;  // gone already
    }
    WatchStatus* s = &r->watch.status;
    s->sampling = true;
    s->watchMode = WATCH_ON;
    s->currentState = STATE_BUSY;  // held from the start, as any watch is, until it is judged
    s->watchSerial++;
    CopyWide(s->watchedApp.title, rule->image, APP_TITLE_CAPACITY);
    CopyWide(s->watchedApp.imageName, rule->image, APP_IMAGE_CAPACITY);
    s->watchedApp.pid = found->pid;
    r->then = rule->options.then;
    ResetFinish(&r->watch.finish, r->then);
    NameRuleWatch(c, r);
    OpenPowerReason(&r->watch.power, rule->image);
    SetPowerRequest(&r->watch.power, true, r->keepDisplayOn);
    LogRuleStart(c, r);
    UpdateTray(c);
}

// The action on the PC, unless it would cut short the work of other watches.
void CarryOutRuleFinish(WatchController* c, RuleWatch* r) {
    const FinishAction action = r->watch.finish.action;
    ResetFinish(&r->watch.finish, r->then);  // the next job that finishes does the same
    CarryOutFinishBeside(c, action, r->tag, LockHeldBeside(c, &r->watch));
}

void RuleWorkFinished(WatchController* c, RuleWatch* r) {
    const FinishStep step = FinishWorkDone(&r->watch.finish);
    if (step == FinishStep::Perform) {
        CarryOutRuleFinish(c, r);
    } else if (step == FinishStep::CountdownStarted) {
        char line[96];
        FormatText8(line, sizeof(line), "work finished; %s in %u s", FinishNamesOf(r->watch.finish.action)->countdownLog,
                    FINISH_COUNTDOWN_SECONDS);
        RuleLog(c, r, line);
        char16_t text[APP_IMAGE_CAPACITY + 48];
        FormatText(text, APP_IMAGE_CAPACITY + 48, u"%s is done. %s in %u s", r->watch.status.watchedApp.imageName,
                   FinishNamesOf(r->watch.finish.action)->verb, FINISH_COUNTDOWN_SECONDS);
        c->platform.notifyUser(Context(c), text);
    }
}

void EndRuleWatch(WatchController* c, RuleWatch* r, const char* line, bool keepFinish) {
    RuleLog(c, r, line);
    if (!keepFinish) {
        if (r->watch.finish.counting) {
            RuleLog(c, r, "finished action cancelled");
        }
        ResetFinish(&r->watch.finish, FinishAction::None);
    }
    StopSampling(&r->watch);
    ReleasePowerRequest(&r->watch.power);
    ClosePowerReason(&r->watch.power);
    r->watch.status.watchMode = WATCH_OFF;
    r->watch.status.currentState = STATE_IDLE;
    r->watch.status.watchedApp.pid = 0;
}

void CarryOutRuleTick(WatchController* c, RuleWatch* r, const WatchTick* t) {
    if (t->ended) {
        RuleLog(c, r, "the watched process exited");
        const bool wasBusy = r->watch.status.currentState != STATE_IDLE;
        EndRuleWatch(c, r, "stopped watching; lock released", true);
        if (wasBusy) {
            RuleWorkFinished(c, r);  // the job ended with its process
        }
        return;
    }
    if (t->resumed) {
        RuleLog(c, r, HoldsLock(&r->watch) ? "system resumed; lock re-asserted" : "system resumed");
    }
    if (t->rootLeft) {
        char line[96];
        FormatText8(line, sizeof(line), "  the watched process exited; %u processes it started still run",
                    static_cast<uint32_t>(t->survivors));
        RuleLog(c, r, line);
    }
    if (!t->lineReady) {
        return;
    }
    RuleLog(c, r, t->line);
    if (t->state != t->previous) {
        char line[64];
        FormatText8(line, sizeof(line), "  ^ state changed: %s -> %s", StateLogName(t->previous), StateLogName(t->state));
        RuleLog(c, r, line);
    }
    if (t->state == STATE_BUSY && FinishBusyAgain(&r->watch.finish) == FinishStep::CancelledBusy) {
        RuleLog(c, r, "finished action cancelled: busy again");
    } else if (t->state == STATE_IDLE && t->previous != STATE_IDLE) {
        RuleWorkFinished(c, r);
    }
}

// A second of a rule watch's countdown, on the tick.
void RuleCountdown(WatchController* c, RuleWatch* r) {
    if (r->watch.finish.counting && FinishSecond(&r->watch.finish) == FinishStep::Perform) {
        CarryOutRuleFinish(c, r);
    }
}

}  // namespace

// Every watch of the tick is sampled from one process list, then their connections counted
// from one read of the tables, then each judged and carried out; the look for new processes
// of the rules' images comes last, so a process that joined a tree this tick starts nothing.
void TickRound(WatchController* c) {
    RuleWatches* rw = c->rules;
    Watch* w = c->watch;
    WatchStatus* s = &w->status;
    const bool waiting = s->watchMode == WATCH_ON && s->waitingFor[0];
    const bool window = s->sampling && !waiting;
    const bool running = RuleWatchesRunning(c) > 0;
    const bool look = rw->ruleCount > 0 && (window || running || waiting || ++rw->quietTicks >= ARMED_LOOK_TICKS);
    if (waiting) {
        PollWaiting(c);
    }
    if (!window && !running && !look) {
        for (RuleWatch& r : rw->slots) {
            RuleCountdown(c, &r);
        }
        UpdateTray(c);
        LeftPlay(c);
        return;
    }
    BeginSamplerRound(c->sampler);
    ActivitySample samples[RULE_WATCHES_MAX + 1];
    bool live[RULE_WATCHES_MAX + 1] = {};
    Watch* watches[RULE_WATCHES_MAX + 1] = {};
    watches[0] = window ? w : nullptr;
    for (int32_t k = 0; k < RULE_WATCHES_MAX; k++) {
        watches[k + 1] = rw->slots[k].watch.status.watchMode == WATCH_ON ? &rw->slots[k].watch : nullptr;
    }
    const PidSet* members[RULE_WATCHES_MAX + 1];
    for (int32_t i = 0; i <= RULE_WATCHES_MAX; i++) {
        live[i] = watches[i] && SampleWatch(watches[i], c->sampler, c->gpu, &samples[i]);
        members[i] = live[i] && watches[i]->tree.memberCount > 0 ? TreeMembers(&watches[i]->tree) : &rw->noMembers;
    }
    int32_t connections[RULE_WATCHES_MAX + 1];
    CountTreesConnections(c->tcp, members, RULE_WATCHES_MAX + 1, connections);
    if (window) {
        WatchTick t = {};
        if (live[0]) {
            t = JudgeWatch(w, &samples[0], connections[0]);
        } else {
            t.previous = t.state = s->currentState;
            t.ended = true;
        }
        CarryOutTick(c, &t);
    }
    for (int32_t k = 0; k < RULE_WATCHES_MAX; k++) {
        RuleWatch* r = &rw->slots[k];
        const bool counting = r->watch.finish.counting;  // a countdown begun by this tick waits a second
        if (watches[k + 1] && r->watch.status.watchMode == WATCH_ON) {
            WatchTick t = {};
            if (live[k + 1]) {
                t = JudgeWatch(&r->watch, &samples[k + 1], connections[k + 1]);
            } else {
                t.previous = t.state = r->watch.status.currentState;
                t.ended = true;
            }
            CarryOutRuleTick(c, r, &t);
        }
        if (counting) {
            RuleCountdown(c, r);
        }
    }
    if (look) {
        rw->quietTicks = 0;
        const PidSet* trees[RULE_WATCHES_MAX + 1];
        int32_t treeCount = 0;
        if (s->watchMode == WATCH_ON && w->tree.memberCount > 0) {  // a preview holds nothing
            trees[treeCount++] = TreeMembers(&w->tree);
        }
        for (const RuleWatch& r : rw->slots) {
            if (r.watch.status.watchMode == WATCH_ON && r.watch.tree.memberCount > 0) {
                trees[treeCount++] = TreeMembers(&r.watch.tree);
            }
        }
        int32_t room = 0;
        for (const RuleWatch& r : rw->slots) {
            room += RuleSlotInUse(&r) ? 0 : 1;
        }
        ArmedProcess found[RULE_WATCHES_MAX];
        const int32_t n =
            FindArmedProcesses(&rw->arming, c->sampler, rw->images, rw->ruleCount, trees, treeCount, found, room);
        for (int32_t i = 0; i < n; i++) {
            StartRuleWatch(c, &found[i]);
        }
    }
    EndSamplerRound(c->sampler);
    UpdateTray(c);
    LeftPlay(c);
}

// The last rule and the last watch a rule started are gone: the ticks, the tray and the
// window's watch are as they are without rules.
void LeftPlay(WatchController* c) {
    RuleWatches* rw = c->rules;
    if (rw->inPlay == RulesInPlay(c)) {
        return;
    }
    rw->inPlay = !rw->inPlay;
    if (rw->inPlay) {
        return;
    }
    (void)FollowWhatIsLeft(c);
}

void SetRules(WatchController* c, const ArmedRule* rules, int32_t count) {
    RuleWatches* rw = c->rules;
    const bool wasInPlay = RulesInPlay(c);
    rw->ruleCount = count < ARMED_IMAGES_MAX ? count : ARMED_IMAGES_MAX;
    for (int32_t i = 0; i < rw->ruleCount; i++) {
        rw->rules[i] = rules[i];
        rw->images[i] = rw->rules[i].image;
    }
    ArmAfresh(&rw->arming);
    rw->quietTicks = ARMED_LOOK_TICKS;  // the first look at the next tick
    if (RulesInPlay(c)) {
        if (!wasInPlay) {
            (void)StartTicks(c);
            AddTrayIcon(c->tray);
        }
        UpdateTray(c);
    }
    LeftPlay(c);
}

int32_t ReleaseRuleWatches(WatchController* c, const char16_t* image) {
    int32_t n = 0;
    if (!c->rules) {
        return 0;
    }
    for (RuleWatch& r : c->rules->slots) {
        if (r.watch.status.watchMode == WATCH_ON &&
            (!image || EqualIgnoringCase(r.watch.status.watchedApp.imageName, image))) {
            EndRuleWatch(c, &r, "stopped watching; lock released", false);
            n++;
        }
    }
    if (n > 0) {
        UpdateTray(c);
        LeftPlay(c);
    }
    return n;
}

void ReleaseRuleWatch(WatchController* c, int32_t slot, uint32_t serial) {
    RuleWatch* r = &c->rules->slots[slot];
    if (r->watch.status.watchSerial != serial) {
        return;
    }
    if (r->watch.status.watchMode == WATCH_ON) {
        EndRuleWatch(c, r, "stopped watching; lock released", false);
    } else if (r->watch.finish.counting) {
        RuleLog(c, r, "finished action cancelled");
        ResetFinish(&r->watch.finish, FinishAction::None);
    }
    UpdateTray(c);
    LeftPlay(c);
}

void ChooseRuleFinish(WatchController* c, int32_t slot, FinishAction action, uint32_t serial) {
    RuleWatch* r = &c->rules->slots[slot];
    if (r->watch.status.watchMode != WATCH_ON || r->watch.status.watchSerial != serial) {
        return;
    }
    if (r->watch.finish.counting) {
        RuleLog(c, r, "finished action cancelled");
    }
    r->then = action;
    ResetFinish(&r->watch.finish, action);
    char line[64];
    FormatText8(line, sizeof(line), "when finished: %s", FinishNamesOf(action)->choiceLogName);
    RuleLog(c, r, line);
    if (r->watch.status.currentState == STATE_IDLE) {
        RuleWorkFinished(c, r);
    }
    UpdateTray(c);
}

void CancelRuleFinish(WatchController* c, int32_t slot, uint32_t serial) {
    RuleWatch* r = &c->rules->slots[slot];
    if (r->watch.status.watchSerial == serial && FinishCancel(&r->watch.finish) == FinishStep::Cancelled) {
        RuleLog(c, r, "finished action cancelled");
        UpdateTray(c);
    }
}

void RuleWatchesResumed(WatchController* c) {
    if (!c->rules) {
        return;
    }
    for (RuleWatch& r : c->rules->slots) {
        RebaselineWatch(&r.watch);
    }
}

void EndRuleWatches(WatchController* c) {
    if (!c->rules) {
        return;
    }
    for (RuleWatch& r : c->rules->slots) {
        if (r.watch.status.watchMode == WATCH_ON) {
            EndRuleWatch(c, &r, "stopped watching; lock released", false);
        }
    }
}

namespace {

void RuleTooltip(const RuleWatch* r, char16_t* tip) {
    const ActivityEvaluator* e = &r->watch.evaluator;
    FormatTrayTooltip(tip, r->watch.status.currentState, &r->watch.status.watchedApp,
                      e->meters[Index(METRIC_CPU)].average,
                      e->overMetric == GPU_MEASURE ? e->gpu.average : TRAY_NOT_GPU);
}

}  // namespace

int32_t RunningWatches(const WatchController* c, const char16_t** names, WatchState* state,
                       const RuleWatch** lastRule) {
    int32_t count = 0;
    auto take = [&](WatchState s) {
        *state = (s == STATE_BUSY || *state == STATE_BUSY)     ? STATE_BUSY
                 : (s == STATE_GRACE || *state == STATE_GRACE) ? STATE_GRACE
                                                               : STATE_IDLE;
    };
    const WatchStatus* w = &c->watch->status;
    if (w->watchMode == WATCH_ON) {
        names[count++] = TrayName(w->watchedApp.title, w->watchedApp.imageName);
        take(w->currentState);
    }
    *lastRule = nullptr;
    if (c->rules) {
        for (const RuleWatch& r : c->rules->slots) {
            if (r.watch.status.watchMode == WATCH_ON) {
                names[count++] = r.watch.status.watchedApp.imageName;
                take(r.watch.status.currentState);
                *lastRule = &r;
            }
        }
    }
    return count;
}

// One icon for every watch: busy while any is busy, in grace while any is, idle otherwise.
void UpdateRulesTray(WatchController* c) {
    const char16_t* names[RULE_WATCHES_MAX + 1];
    const RuleWatch* only = nullptr;
    WatchState state = STATE_IDLE;
    const int32_t count = RunningWatches(c, names, &state, &only);
    char16_t tip[TRAY_TIP_CAPACITY];
    if (count == 1 && only) {
        RuleTooltip(only, tip);
    } else {
        FormatWatchesTooltip(tip, names, count, c->rules->ruleCount);
    }
    UpdateTrayIcon(c->tray, TrayIconKindOf(state), tip);
}

void FillRulesMenu(const WatchController* c, TrayMenuModel* m) {
    const WatchStatus* s = &c->watch->status;
    m->keepText[0] = 0;
    m->ruleWatchCount = 0;
    m->ruleCount = 0;
    if (!c->rules) {
        return;
    }
    if (s->watchMode == WATCH_ON && !s->waitingFor[0] && s->watchedApp.imageName[0]) {
        FormatText(m->keepText, TRAY_ITEM_TEXT_CAPACITY, u"Keep awake whenever %s works", s->watchedApp.imageName);
    }
    for (int32_t k = 0; k < RULE_WATCHES_MAX; k++) {
        const RuleWatch* r = &c->rules->slots[k];
        if (RuleSlotInUse(r)) {
            TrayRuleWatch* t = &m->ruleWatches[m->ruleWatchCount++];
            t->slot = k;
            if (r->number > 1) {
                FormatText(t->name, TRAY_ITEM_TEXT_CAPACITY, u"%s #%d", r->watch.status.watchedApp.imageName, r->number);
            } else {
                CopyWide(t->name, r->watch.status.watchedApp.imageName, TRAY_ITEM_TEXT_CAPACITY);
            }
            t->action = r->watch.finish.action;
            t->counting = r->watch.finish.counting;
        }
    }
    for (int32_t i = 0; i < c->rules->ruleCount && i < TRAY_RULES_MAX; i++) {
        CopyWide(m->rules[m->ruleCount++], c->rules->rules[i].image, TRAY_ITEM_TEXT_CAPACITY);
    }
}
