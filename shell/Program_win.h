#pragma once
#include "shell/Controller.h"
#include "engine/GpuUsage_win.h"
#include "engine/PowerRequest_win.h"
#include "engine/Sampler_win.h"
#include "files/Log_win.h"
#include "files/Paths.h"
#include "files/Settings_win.h"
#include "shell/CommandQueue.h"
#include "shell/ControllerPlatform_win.h"
#include "shell/Launch_win.h"
#include "shell/Messages.h"
#include "shell/Theme.h"
#include "shell/Tray.h"
#include "ui/Accessible_win.h"
#include "ui/AppRow_win.h"
#include "ui/DrawKit_win.h"
#include "ui/Keyboard.h"

#include <windows.h>


// The program's records, shared by the main window's files: start-up, the window procedure,
// the commands of other copies, the controls, the keyboard, the accessible objects and the DPI
// changes.

constexpr int IDC_APP_LIST = 100;
constexpr UINT_PTR REFRESH_TIMER_ID = 2;  // the list refresh after a click that activated the window

// Every state record of the program, one each. Start-up makes it, the main window reaches it
// through its GWLP_USERDATA, and it outlives the window: what it owns is released once the
// message loop is over.
struct Program {
    HINSTANCE instance;
    UniqueHandle instanceMutex;  // the single-instance name, held while the program runs
    HWND mainWindow;
    HWND listWindow;
    UINT taskbarCreatedMessage;
    UniqueIcon smallIcon;  // the window's, at its DPI
    UniqueIcon largeIcon;
    bool refreshAfterClicks;  // a click activated the window: the list is refreshed once it is over
    bool exitForWork;         // the program ends because the watched work is finished
    wchar_t exePath[EXE_PATH_CAPACITY];
    LogFile log;
    SettingsFile settings;
    DrawKit kit;
    MainLayout layout;
    Palette palette;
    LimitTable limits;
    bool keepDisplayOn;
    OptionalSettings optional;
    Watch watch;  // the window's watch
    RuleWatches rules;  // the standing rules as the watches use them, and those watches
    RuleSet ruleSet;    // the rules as the file holds them
    HoldState hold;     // the hold without an app
    uint32_t hotkey;        // the hotkey as registered at start-up
    bool hotkeyRegistered;
    RulesFile rulesFile;
    ProcessSampler sampler;
    SystemProcessQuery processQuery;
    AppList apps;
    ImageNameEntry imageNames[MAX_IMAGE_NAMES];
    AppListView listView;
    AppRowContext rowContext;
    TcpTableApi tcp;
    GpuSource gpu;
    PowerReasonCalls powerReasonCalls;
    TrayState tray;
    PointerState pointer;
    PointerContext pointerContext;
    WindowsControllerContext controllerContext;
    WatchController controller;
    Launch launch;  // this copy's own command line
    CommandQueue commands;  // commands handed over by other copies
    KeyboardState keyboard;
    AccessibleHost accessHost;
    AccessibleSource mainAccess;
    AccessibleSource listAccess;
    AccessibleObject* mainAccessible;
    AccessibleObject* listAccessible;
    char16_t spokenButtonName[16];  // the button's name readers were last told
};

// The main window (MainWindow_win.cpp): creates it with its list, icons, tray record and
// accessible objects; false when Windows gave no window.
bool CreateMainWindow(Program* p);

// Commands (MainCommands_win.cpp): one from this copy's own command line or handed over,
// logged and carried out; its exit code.
int32_t RunCommand(Program* p, const Command* command, const char16_t* line);
// WM_COPYDATA from another copy: the command is queued, and answered once carried out.
LRESULT QueueHandedCommand(Program* p, const COPYDATASTRUCT* data);
// WM_RUN_COMMANDS: the queued commands, one at a time.
void RunHandedCommands(Program* p);

// The controls (MainControls_win.cpp), as the pointer and the keys press and change them.
void ClickTarget(Program* p, HitTarget target);
// The end of a change by the pointer or the keys: the limits saved (and logged while
// watching), and a target pressed.
void EndControlChange(Program* p, bool saveSettings, bool logThresholds, HitTarget click);
// What a pointer message asked of the window: capture, repaint, leave tracking, the change's end.
void ApplyPointer(Program* p, const PointerEffects& e);

// The standing rules (MainRules_win.cpp): read at start-up and armed, --rule and --forget
// from another copy (an exit code), the tray's items for them and "Start with Windows".
void LoadProgramRules(Program* p);
int32_t RuleCommand(Program* p, const Command* command);
void FillStartWithWindows(Program* p, TrayMenuModel* model);
void ToggleStartWithWindows(Program* p);
// "Keep awake whenever <image> works" for the window's watch `serial`: a rule of its image with
// the limits in force and the finished action chosen.
void KeepRuleFromMenu(Program* p, uint32_t serial);
void ForgetRuleFromMenu(Program* p, int32_t index);

// The hotkey that watches the app in front (MainHotkey_win.cpp): registered once the window
// exists, WM_HOTKEY, and the end of a tray icon shown for a balloon alone.
void RegisterProgramHotkey(Program* p);
void UnregisterProgramHotkey(Program* p);
void OnHotkey(Program* p, WPARAM id);
void BalloonIconDone(Program* p);

// The keyboard (MainKeyboard_win.cpp).
KeyboardContext KeyboardOf(Program* p);
// Gives the Win32 focus to the control that has the keyboard's focus, and tells readers.
void FocusControl(Program* p, FocusStop stop);
void OnActivateFocus(Program* p, bool active);
// WM_KEYDOWN and WM_KEYUP of the main window, and Tab from the list. False: not handled.
bool OnMainKey(Program* p, UINT message, WPARAM key, LPARAM flags);
// A click focused a control.
void FocusFromPointer(Program* p, FocusStop stop);
void OnUiState(Program* p, WPARAM state);
// WM_SETFOCUS and WM_KILLFOCUS of the main window, and of the list.
void OnFocusGained(Program* p, HWND window);
void OnFocusLost(Program* p);
void OnListFocus(Program* p, bool gained);

// Accessibility (MainAccessible_win.cpp).
void InitAccessibility(Program* p);
void OnAccessibleAction(Program* p, int32_t child);
// Tells readers what a paint shows that changed: the button's name.
void NotifyShownChanges(Program* p);

// DPI (MainDpi_win.cpp): a new scale for the window, in the rectangle Windows suggests.
void ApplyDpi(Program* p, int32_t dpi, const RECT* suggested);
// The window's icons made for a DPI; one that cannot be made leaves the one before.
void SetWindowIcons(Program* p, int32_t dpi);
// The layout for a monitor's work area at a DPI.
MainLayout LayoutFor(HMONITOR monitor, int32_t dpi);
