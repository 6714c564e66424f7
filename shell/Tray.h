#pragma once
#include "engine/Finish.h"
#include "engine/WatchStatus.h"
#include "shell/Messages.h"

#include <cstdint>

// The notification-area icon while watching: its image follows the state, its tooltip names
// the app, and it comes back after the taskbar restarts. The shell calls go through TrayShell.

constexpr uint32_t TRAY_ICON_ID = 1;
constexpr uint32_t TRAY_DATA_SIZE = 952;  // NOTIFYICONDATAW up to dwInfoFlags, on 64-bit Windows
constexpr int32_t TRAY_TIP_CAPACITY = 128;
constexpr int32_t TRAY_NAME_CAPACITY = 64;
constexpr int32_t IDM_SHOW = 201;
constexpr int32_t IDM_RELEASE = 202;
constexpr int32_t IDM_EXIT = 203;
constexpr int32_t IDM_CANCEL_FINISH = 204;
constexpr int32_t IDM_BATTERY_GUARD = 205;
constexpr int32_t IDM_FINISH_FIRST = 210;  // + the FinishAction: the "When finished" choices
constexpr int32_t IDM_KEEP_RULE = 206;
constexpr int32_t IDM_RELEASE_ALL = 207;
constexpr int32_t IDM_START_WITH_WINDOWS = 208;
constexpr int32_t IDM_HOLD_FOR = 220;          // + the length's place: 30 minutes, 1, 2 and 4 hours
constexpr int32_t IDM_HOLD_OPEN = 224;         // "Until I release"
constexpr int32_t IDM_HOLD_SCREEN = 225;       // "Keep the screen on too"
constexpr int32_t IDM_RULE_RELEASE = 300;      // + the rule watch's slot
constexpr int32_t IDM_RULE_CANCEL = 310;       // + the slot
constexpr int32_t IDM_RULE_FINISH = 320;       // + slot * 8 + the FinishAction
constexpr int32_t IDM_FORGET = 400;            // + the rule's index
constexpr int32_t TRAY_RULE_WATCHES_MAX = 8;
constexpr int32_t TRAY_RULES_MAX = 32;
constexpr int32_t TRAY_ITEM_TEXT_CAPACITY = 96;

constexpr uint32_t TRAY_ADD = 0;
constexpr uint32_t TRAY_MODIFY = 1;
constexpr uint32_t TRAY_DELETE = 2;

struct TrayState;

// The icon's picture: the green eye while BUSY, the amber eye in grace, the grey arch in IDLE.
enum class TrayIconKind : int32_t { Busy = 0, Grace = 1, Idle = 2 };

struct TrayShell {
    void* context;
    // Shell_NotifyIconW with the icon's record; tip null means no text. Non-zero on success.
    int32_t (*notify)(void* context, uint32_t message, const TrayState* tray, const char16_t* tip);
    uint32_t (*lastError)(void* context);  // why the last add was refused
    void* (*makeIcon)(void* context, TrayIconKind kind);
    void (*destroyIcon)(void* context, void* icon);
};

struct TrayState {
    uintptr_t trayWindow;
    uint32_t callbackMessage;
    void* trayImage;
    bool iconShown;
    uint32_t lastAddError;
    TrayIconKind iconKind;  // the kind trayImage was made for
    TrayShell shell;
    // What the shell shows now, so an update that changes nothing is not sent.
    char16_t shownTip[TRAY_TIP_CAPACITY];
    void* shownImage;
};

struct TrayIconStyle {
    uint32_t color;
    int32_t shape;
};

TrayIconKind TrayIconKindOf(WatchState state);
TrayIconStyle TrayIconStyleOf(TrayIconKind kind);
// The tooltip for the state: the app's image name (or title) cut to 63 units, and for BUSY
// the cpu average in whole percent of one core.
// `gpuReason`: the GPU's average while it is why the work is BUSY, else TRAY_NOT_GPU.
constexpr uint32_t TRAY_NOT_GPU = 0xFFFFFFFFu;
void FormatTrayTooltip(char16_t* out, WatchState state, const WatchedApp* app, uint32_t cpuAverage,
                       uint32_t gpuReason);
// While a finished action counts down, while the lock is let go for the battery, and while an
// app is awaited.
void FormatSavingTooltip(char16_t* out, const WatchedApp* app);
void FormatCountdownTooltip(char16_t* out, const WatchedApp* app, FinishAction action, uint32_t secondsLeft);
void FormatWaitingTooltip(char16_t* out, const WatchedApp* app);

void InitTray(TrayState* tray, uintptr_t window, uint32_t callbackMessage, TrayShell shell);
int32_t AddTrayIcon(TrayState* tray);
uint32_t TrayAddError(const TrayState* tray);
uint32_t TrayDataSize();
void RemoveTrayIcon(TrayState* tray);
void UpdateTrayTooltip(TrayState* tray, const WatchStatus* status, uint32_t cpuAverage, uint32_t gpuReason);
int32_t UpdateTrayIcon(TrayState* tray, TrayIconKind kind, const char16_t* text);
// The taskbar was created anew: the next update goes to the shell even if nothing changed, so
// a shell that no longer knows the icon says so and it is added again.
void ForgetShownTray(TrayState* tray);
void ShutdownTray(TrayState* tray);

// The menu: "Cancel" and a separator while a finished action counts down; "Show Pellacord";
// while watching "Release the lock" ("Stop waiting" while an app is awaited), the "When
// finished" submenu of radio choices and "Release below 20% battery", checked while a floor is
// set; a separator; "Exit".
// Choices go in the submenu before them, or else in the menu they are in, as one radio group. Open starts a submenu that takes every item up to
// its Close (submenus of choices included), so menus nest.
enum class MenuItemKind { Command, Separator, Submenu, Choice, Check, Open, Close };
struct TrayMenuItem {
    int32_t id;  // 0 for a separator or a submenu
    const char16_t* text;
    MenuItemKind kind;
    bool checked;
};
// A watch a rule started, as its submenu shows it.
struct TrayRuleWatch {
    int32_t slot;
    char16_t name[TRAY_ITEM_TEXT_CAPACITY];
    FinishAction action;
    bool counting;
};
// With rules: "Keep awake whenever <image> works" while the window's watch has an image, a
// submenu for each rule watch ("Release", "Cancel" while it counts down, its "When
// finished"), "Release all" beside another watch, the "Rules" submenu with each rule's
// "Forget", and "Start with Windows". Without rules, and with the Run value absent, the menu
// is what it always was but for "Keep awake whenever", which makes the first rule.
struct TrayMenuModel {
    bool watching;
    bool waiting;
    bool counting;
    FinishAction action;
    bool batteryGuard;  // a battery floor is in force
    char16_t keepText[TRAY_ITEM_TEXT_CAPACITY] = {};  // empty: no "Keep awake whenever" item
    int32_t ruleWatchCount = 0;
    TrayRuleWatch ruleWatches[TRAY_RULE_WATCHES_MAX] = {};
    int32_t ruleCount = 0;
    char16_t rules[TRAY_RULES_MAX][TRAY_ITEM_TEXT_CAPACITY] = {};
    bool offerStartWithWindows = false;
    bool startWithWindows = false;  // checked
    // "Keep awake": the hold's lengths and "Until I release", the one in force checked, and
    // "Keep the screen on too". While a hold lasts, "Release the lock" ends it.
    bool holding = false;
    int32_t holdChoice = -1;  // the place of the choice in force: a length, HOLD_CHOICE_OPEN, or -1
    bool holdScreen = false;
};
constexpr int32_t HOLD_CHOICE_OPEN = 4;
constexpr int32_t TRAY_MENU_MAX = 256;
int32_t BuildTrayMenu(TrayMenuItem* items, const TrayMenuModel* model);
// The command of a menu choice: a "When finished" choice gives its action.
bool FinishActionOfCommand(int32_t id, FinishAction* action);
// A rule watch's choice: which slot, and for "When finished" the action.
enum class RuleMenuKind { None, Release, Cancel, Finish, Forget };
struct RuleMenuChoice {
    RuleMenuKind kind;
    int32_t index;  // the slot, or the rule for Forget
    FinishAction action;
};
RuleMenuChoice RuleChoiceOfCommand(int32_t id);

// The tooltip while rules are in play and more than one watch, or none, runs: the watches'
// names, up to three, then "and N more"; with none, how many rules are armed.
void FormatWatchesTooltip(char16_t* out, const char16_t* const* names, int32_t count, int32_t rules);
// The names alone, "render.exe, ffmpeg.exe and 2 more"; the length.
int32_t FormatWatchNames(char16_t* out, int32_t capacity, const char16_t* const* names, int32_t count);
