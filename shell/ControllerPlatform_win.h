#pragma once
#include "shell/Controller.h"
#include "shell/Apps.h"
#include "shell/Messages.h"
#include "shell/PowerNotices_win.h"
#include "files/Log_win.h"
#include "files/Settings_win.h"
#include "ui/Pointer.h"

#include <windows.h>


// The controller's platform on Windows: the main window's timers and visibility, the list
// window, the log file, the settings file, the sliders and the tray icon.
struct WindowsControllerContext {
    HWND mainWindow;
    HWND listWindow;
    LogFile* log;
    SettingsFile* settings;
    ImageNameEntry* imageNames;  // MAX_IMAGE_NAMES scratch entries
    PointerState* pointer;
    const LimitTable* limits;
    TrayState* tray;
    const wchar_t* imageName;  // Pellacord's own, as `powercfg /requestsoverride` names it
    PowerNotices powerNotices;
};

ControllerPlatform WindowsControllerPlatform(WindowsControllerContext* context);

// The clocks a hold runs by: GetTickCount64, which runs on through sleep, the system time, and
// the local time of day.
void ReadHoldClockWin(void* context, HoldClock* now);
// The time until the next local `minute` of the day, by the time zone's rules.
uint32_t DelayUntilWin(void* context, uint32_t minute);

// A balloon from the tray icon, which shows for it alone for BALLOON_ICON_MS when nothing else
// shows it; the main window's BALLOON_ICON_TIMER_ID ends that.
void ShowBalloonWin(HWND window, TrayState* tray, const char16_t* text);
