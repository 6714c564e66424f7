#include "shell/Tray.h"

#include "shell/IconPainter.h"
#include "base/Format.h"
#include "base/Text.h"

TrayIconKind TrayIconKindOf(WatchState state) {
    return state == STATE_BUSY ? TrayIconKind::Busy : state == STATE_GRACE ? TrayIconKind::Grace : TrayIconKind::Idle;
}

TrayIconStyle TrayIconStyleOf(TrayIconKind kind) {
    switch (kind) {
    case TrayIconKind::Busy: return TrayIconStyle{0x43A02E, ICON_SHAPE_EYE};    // green
    case TrayIconKind::Grace: return TrayIconStyle{0x009BE0, ICON_SHAPE_EYE};   // amber
    case TrayIconKind::Idle: break;
    }
    return TrayIconStyle{0x8A8A8A, ICON_SHAPE_ARCH};  // grey, the closed eye
}

namespace {

void CopyTrayName(char16_t* name, const WatchedApp* app) {
    CopyWide(name, TrayName(app->title, app->imageName), TRAY_NAME_CAPACITY);
}

}  // namespace

void FormatTrayTooltip(char16_t* out, WatchState state, const WatchedApp* app, uint32_t cpuAverage,
                       uint32_t gpuReason) {
    char16_t name[TRAY_NAME_CAPACITY];
    CopyTrayName(name, app);
    if (state == STATE_BUSY && gpuReason != TRAY_NOT_GPU) {
        FormatText(out, TRAY_TIP_CAPACITY, u"Pellacord \u00B7 %s \u00B7 GPU %u%%", name, gpuReason / 10);
    } else if (state == STATE_BUSY) {
        FormatText(out, TRAY_TIP_CAPACITY, u"Pellacord \u00B7 %s \u00B7 %u%% of one core", name, cpuAverage / 10);
    } else if (state == STATE_GRACE) {
        FormatText(out, TRAY_TIP_CAPACITY, u"Pellacord \u00B7 %s \u00B7 quiet, still holding", name);
    } else {
        FormatText(out, TRAY_TIP_CAPACITY, u"Pellacord \u00B7 %s \u00B7 released", name);
    }
}

void FormatCountdownTooltip(char16_t* out, const WatchedApp* app, FinishAction action, uint32_t secondsLeft) {
    char16_t name[TRAY_NAME_CAPACITY];
    CopyTrayName(name, app);
    FormatText(out, TRAY_TIP_CAPACITY, u"Pellacord \u00B7 %s \u00B7 %s in %u s", name, FinishNamesOf(action)->verb, secondsLeft);
}

void FormatSavingTooltip(char16_t* out, const WatchedApp* app) {
    char16_t name[TRAY_NAME_CAPACITY];
    CopyTrayName(name, app);
    FormatText(out, TRAY_TIP_CAPACITY, u"Pellacord \u00B7 %s \u00B7 released to save the battery", name);
}

void FormatWaitingTooltip(char16_t* out, const WatchedApp* app) {
    char16_t name[TRAY_NAME_CAPACITY];
    CopyTrayName(name, app);
    FormatText(out, TRAY_TIP_CAPACITY, u"Pellacord \u00B7 waiting for %s", name);
}

void InitTray(TrayState* tray, uintptr_t window, uint32_t callbackMessage, TrayShell shell) {
    tray->trayWindow = window;
    tray->callbackMessage = callbackMessage;
    tray->shell = shell;
    tray->iconKind = TrayIconKind::Idle;
    tray->trayImage = shell.makeIcon(shell.context, TrayIconKind::Idle);
    tray->iconShown = false;
    tray->lastAddError = 0;
}

int32_t AddTrayIcon(TrayState* tray) {
    if (tray->iconShown) {
        return 1;
    }
    bool shown = tray->shell.notify(tray->shell.context, TRAY_ADD, tray, u"Pellacord") != 0;
    if (!shown) {
        tray->lastAddError = tray->shell.lastError(tray->shell.context);
        // The shell refuses to add an icon it still shows, as after a modify that failed for a
        // moment: if it takes a modify, the icon is there.
        shown = tray->shell.notify(tray->shell.context, TRAY_MODIFY, tray, u"Pellacord") != 0;
    }
    if (shown) {
        tray->iconShown = true;
        tray->lastAddError = 0;
        CopyWide(tray->shownTip, u"Pellacord", TRAY_TIP_CAPACITY);
        tray->shownImage = tray->trayImage;
    }
    return tray->iconShown;
}

uint32_t TrayAddError(const TrayState* tray) {
    return tray->lastAddError;
}

uint32_t TrayDataSize() {
    return TRAY_DATA_SIZE;
}

// Sent even when the record believes the icon is gone: a shell that kept it after a failed
// modify would otherwise show a stale icon for good.
void RemoveTrayIcon(TrayState* tray) {
    (void)tray->shell.notify(tray->shell.context, TRAY_DELETE, tray, nullptr);  // gone either way
    tray->iconShown = false;
}

void UpdateTrayTooltip(TrayState* tray, const WatchStatus* status, uint32_t cpuAverage, uint32_t gpuReason) {
    char16_t text[TRAY_TIP_CAPACITY];
    if (status->batterySaving) {
        // Released whatever the app does: the grey icon, and why.
        FormatSavingTooltip(text, &status->watchedApp);
        UpdateTrayIcon(tray, TrayIconKind::Idle, text);
        return;
    }
    FormatTrayTooltip(text, status->currentState, &status->watchedApp, cpuAverage, gpuReason);
    UpdateTrayIcon(tray, TrayIconKindOf(status->currentState), text);
}

int32_t UpdateTrayIcon(TrayState* tray, TrayIconKind kind, const char16_t* text) {
    // A new image only when the kind changes; a failed one keeps the old image and retries.
    if (kind != tray->iconKind || !tray->trayImage) {
        void* image = tray->shell.makeIcon(tray->shell.context, kind);
        if (image) {
            void* replaced = tray->trayImage;
            tray->trayImage = image;
            tray->iconKind = kind;
            if (replaced) {
                tray->shell.destroyIcon(tray->shell.context, replaced);
            }
        }
    }
    if (!tray->iconShown) {
        return AddTrayIcon(tray);
    }
    if (tray->shownImage == tray->trayImage && WideEqual(tray->shownTip, text)) {
        return 1;  // the shell shows this already
    }
    if (!tray->shell.notify(tray->shell.context, TRAY_MODIFY, tray, text)) {
        tray->iconShown = false;  // a restarted taskbar no longer knows it: add it again next time
        return 0;
    }
    CopyWide(tray->shownTip, text, TRAY_TIP_CAPACITY);
    tray->shownImage = tray->trayImage;
    return 1;
}

void ForgetShownTray(TrayState* tray) {
    tray->shownTip[0] = 0;
    tray->shownImage = nullptr;
}

void ShutdownTray(TrayState* tray) {
    RemoveTrayIcon(tray);
    if (tray->trayImage) {
        tray->shell.destroyIcon(tray->shell.context, tray->trayImage);
        tray->trayImage = nullptr;
    }
}

int32_t BuildTrayMenu(TrayMenuItem* items, const TrayMenuModel* m) {
    int32_t n = 0;
    auto add = [&](int32_t id, const char16_t* text, MenuItemKind kind, bool checked) {
        if (n < TRAY_MENU_MAX) {
            items[n++] = TrayMenuItem{id, text, kind, checked};
        }
    };
    auto finishChoices = [&](int32_t first, FinishAction chosen) {
        add(0, u"When finished", MenuItemKind::Submenu, false);
        for (const FinishNames& c : FINISH_NAMES) {
            add(first + static_cast<int32_t>(c.action), c.menuText, MenuItemKind::Choice, c.action == chosen);
        }
    };
    if (m->counting) {
        add(IDM_CANCEL_FINISH, u"Cancel", MenuItemKind::Command, false);
        add(0, nullptr, MenuItemKind::Separator, false);
    }
    add(IDM_SHOW, u"Show Pellacord", MenuItemKind::Command, false);
    if (m->watching || m->holding) {
        add(IDM_RELEASE, m->watching && m->waiting ? u"Stop waiting" : u"Release the lock", MenuItemKind::Command,
            false);
    }
    if (m->watching) {
        finishChoices(IDM_FINISH_FIRST, m->action);
        add(IDM_BATTERY_GUARD, u"Release below 20% battery", MenuItemKind::Check, m->batteryGuard);
        if (m->keepText[0]) {
            add(IDM_KEEP_RULE, m->keepText, MenuItemKind::Command, false);
        }
    }
    static const char16_t* const HOLD_TEXTS[] = {u"For 30 minutes", u"For 1 hour", u"For 2 hours", u"For 4 hours",
                                                 u"Until I release"};
    add(0, u"Keep awake", MenuItemKind::Open, false);
    for (int32_t i = 0; i <= HOLD_CHOICE_OPEN; i++) {
        add(IDM_HOLD_FOR + i, HOLD_TEXTS[i], MenuItemKind::Choice, m->holding && m->holdChoice == i);
    }
    add(0, nullptr, MenuItemKind::Separator, false);
    add(IDM_HOLD_SCREEN, u"Keep the screen on too", MenuItemKind::Check, m->holdScreen);
    add(0, nullptr, MenuItemKind::Close, false);
    if (m->ruleWatchCount > 0) {
        add(0, nullptr, MenuItemKind::Separator, false);
        for (int32_t i = 0; i < m->ruleWatchCount && i < TRAY_RULE_WATCHES_MAX; i++) {
            const TrayRuleWatch* w = &m->ruleWatches[i];
            add(0, w->name, MenuItemKind::Open, false);
            add(IDM_RULE_RELEASE + w->slot, u"Release", MenuItemKind::Command, false);
            if (w->counting) {
                add(IDM_RULE_CANCEL + w->slot, u"Cancel", MenuItemKind::Command, false);
            }
            finishChoices(IDM_RULE_FINISH + w->slot * 8, w->action);
            add(0, nullptr, MenuItemKind::Close, false);
        }
        if (m->ruleWatchCount + (m->watching ? 1 : 0) > 1) {
            add(IDM_RELEASE_ALL, u"Release all", MenuItemKind::Command, false);
        }
    }
    if (m->ruleCount > 0) {
        add(0, nullptr, MenuItemKind::Separator, false);
        add(0, u"Rules", MenuItemKind::Open, false);
        for (int32_t i = 0; i < m->ruleCount && i < TRAY_RULES_MAX; i++) {
            add(0, m->rules[i], MenuItemKind::Open, false);
            add(IDM_FORGET + i, u"Forget", MenuItemKind::Command, false);
            add(0, nullptr, MenuItemKind::Close, false);
        }
        add(0, nullptr, MenuItemKind::Close, false);
    }
    if (m->offerStartWithWindows) {
        add(IDM_START_WITH_WINDOWS, u"Start with Windows", MenuItemKind::Check, m->startWithWindows);
    }
    add(0, nullptr, MenuItemKind::Separator, false);
    add(IDM_EXIT, u"Exit", MenuItemKind::Command, false);
    return n;
}

RuleMenuChoice RuleChoiceOfCommand(int32_t id) {
    RuleMenuChoice c = {RuleMenuKind::None, 0, FinishAction::None};
    if (id >= IDM_RULE_RELEASE && id < IDM_RULE_RELEASE + TRAY_RULE_WATCHES_MAX) {
        c = {RuleMenuKind::Release, id - IDM_RULE_RELEASE, FinishAction::None};
    } else if (id >= IDM_RULE_CANCEL && id < IDM_RULE_CANCEL + TRAY_RULE_WATCHES_MAX) {
        c = {RuleMenuKind::Cancel, id - IDM_RULE_CANCEL, FinishAction::None};
    } else if (id >= IDM_RULE_FINISH && id < IDM_RULE_FINISH + TRAY_RULE_WATCHES_MAX * 8 &&
               (id - IDM_RULE_FINISH) % 8 < FINISH_ACTION_COUNT) {
        c = {RuleMenuKind::Finish, (id - IDM_RULE_FINISH) / 8, static_cast<FinishAction>((id - IDM_RULE_FINISH) % 8)};
    } else if (id >= IDM_FORGET && id < IDM_FORGET + TRAY_RULES_MAX) {
        c = {RuleMenuKind::Forget, id - IDM_FORGET, FinishAction::None};
    }
    return c;
}

void FormatWatchesTooltip(char16_t* out, const char16_t* const* names, int32_t count, int32_t rules) {
    if (count <= 0) {
        if (rules == 1) {
            CopyWide(out, u"Pellacord \u00B7 1 rule armed", TRAY_TIP_CAPACITY);
        } else {
            FormatText(out, TRAY_TIP_CAPACITY, u"Pellacord \u00B7 %d rules armed", rules);
        }
        return;
    }
    const int32_t n = FormatText(out, TRAY_TIP_CAPACITY, u"Pellacord \u00B7 ");
    FormatWatchNames(out + n, TRAY_TIP_CAPACITY - n, names, count);
}

int32_t FormatWatchNames(char16_t* out, int32_t capacity, const char16_t* const* names, int32_t count) {
    // Three names of up to 28 units each, and what follows them, always fit the tooltip.
    constexpr int32_t NAME_UNITS = 28;
    int32_t n = 0;
    if (capacity > 0) {
        out[0] = 0;
    }
    for (int32_t i = 0; i < count && i < 3; i++) {
        char16_t name[NAME_UNITS + 1];
        CopyWide(name, names[i], NAME_UNITS + 1);
        if (i > 0) {
            n += FormatText(out + n, capacity - n, u", %s", name);
        } else {
            n += FormatText(out + n, capacity - n, u"%s", name);
        }
    }
    if (count > 3) {
        n += FormatText(out + n, capacity - n, u" and %d more", count - 3);
    }
    return n;
}

bool FinishActionOfCommand(int32_t id, FinishAction* action) {
    int32_t i = id - IDM_FINISH_FIRST;
    if (i < 0 || i >= FINISH_ACTION_COUNT) {
        return false;
    }
    *action = static_cast<FinishAction>(i);
    return true;
}
