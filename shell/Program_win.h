#pragma once
#include "shell/Controller.h"
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


// The program's records, shared by the main window's files: the window procedure and
// start-up, the keyboard, the accessible objects and the DPI changes.

// Every state record of the program, one each, created here for the process's life.
struct Program {
    HINSTANCE instance;
    HANDLE instanceMutex;
    HWND mainWindow;
    HWND listWindow;
    UINT taskbarCreatedMessage;
    HICON smallIcon;
    HICON largeIcon;
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
    Watch watch;  // the window's watch
    ProcessSampler sampler;
    SystemProcessQuery processQuery;
    AppList apps;
    ImageNameEntry imageNames[MAX_IMAGE_NAMES];
    AppListView listView;
    AppRowContext rowContext;
    TcpTableApi tcp;
    PowerReasonCalls powerReasonCalls;
    TrayState tray;
    PointerState pointer;
    PointerContext pointerContext;
    WindowsControllerContext controllerContext;
    WatchController controller;
    Launch launch;  // this copy's own command line
    CommandQueue commands;  // commands handed over by other copies
    KeyboardState keyboard;
    AccessibleSource mainAccess;
    AccessibleSource listAccess;
    AccessibleObject* mainAccessible;
    AccessibleObject* listAccessible;
    char16_t spokenButtonName[16];  // the button's name readers were last told
};


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
// The main window's click targets, as the pointer and the keys press them.
void ClickTarget(Program* p, HitTarget target);
// The end of a change by the pointer or the keys: the limits saved (and logged while
// watching), and a target pressed.
void EndControlChange(Program* p, bool saveSettings, bool logThresholds, HitTarget click);

// Accessibility (MainAccessible_win.cpp).
void InitAccessibility(Program* p);
void OnAccessibleAction(Program* p, int32_t child);
// Tells readers what a paint shows that changed: the button's name.
void NotifyShownChanges(Program* p);

// DPI (MainDpi_win.cpp): a new scale for the window, in the rectangle Windows suggests.
void ApplyDpi(Program* p, int32_t dpi, const RECT* suggested);
// The layout for a monitor's work area at a DPI.
MainLayout LayoutFor(HMONITOR monitor, int32_t dpi);
