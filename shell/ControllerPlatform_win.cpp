#include "shell/ControllerPlatform_win.h"

#include "engine/Finish_win.h"
#include "engine/PowerLimits_win.h"
#include "files/Settings_win.h"
#include "shell/Apps_win.h"
#include "shell/ProcessLookup_win.h"
#include "shell/Tray_win.h"
#include "base/Wide_win.h"
#include "ui/AppListView_win.h"

namespace {

WindowsControllerContext* W(void* c) {
    return static_cast<WindowsControllerContext*>(c);
}

uint32_t StartTimer(HWND window, UINT_PTR id, UINT period) {
    SetLastError(0);
    if (SetTimer(window, id, period, nullptr)) {
        return 0;
    }
    DWORD error = GetLastError();
    return error != 0 ? error : ERROR_NOT_ENOUGH_QUOTA;  // a failure with no reason given
}

}  // namespace

ControllerPlatform WindowsControllerPlatform(WindowsControllerContext* context) {
    return ControllerPlatform{
        .context = context,
        .startTimer = [](void* c) { return StartTimer(W(c)->mainWindow, TICK_TIMER_ID, TICK_INTERVAL_MS); },
        .stopTimer = [](void* c) { KillTimer(W(c)->mainWindow, TICK_TIMER_ID); },
        .showWindow = [](void* c, bool show) { ShowWindow(W(c)->mainWindow, show ? SW_SHOW : SW_HIDE); },
        .bringToFront = [](void* c) { SetForegroundWindow(W(c)->mainWindow); },
        .windowVisible = [](void* c) { return IsWindowVisible(W(c)->mainWindow) != FALSE; },
        .invalidateWindow = [](void* c) { InvalidateRect(W(c)->mainWindow, nullptr, FALSE); },
        .invalidateList = [](void* c) { InvalidateRect(W(c)->listWindow, nullptr, FALSE); },
        .enumerateApps = [](void* c, AppEntry* entries, int32_t capacity) {
            return EnumerateOpenApps(entries, capacity, W(c)->imageNames);
        },
        .setListCount = [](void* c, int32_t count) { SetAppListCount(W(c)->listWindow, count); },
        .enableList = [](void* c, bool enable) { EnableAppList(W(c)->listWindow, enable); },
        .writeLog = [](void* c, const char* text) { WriteLogLine(W(c)->log, text); },
        .writeLogWide = [](void* c, const char* prefix, const char16_t* text) { WriteLogLineWide(W(c)->log, prefix, AsWide(text)); },
        .saveSettings = [](void* c, LimitTable* limits, bool* display, OptionalSettings* optional,
                           bool* tookHandEdits) { return SaveSettings(limits, display, optional, W(c)->settings, tookHandEdits); },
        .readPower = [](void* c, PowerFacts* facts) { *facts = ReadPowerFacts(W(c)->imageName); },
        .followPower = [](void* c, bool follow) {
            FollowPowerSettings(&W(c)->powerNotices, W(c)->mainWindow, follow);
        },
        .displayOff = [](void* c) { SendMessageW(W(c)->mainWindow, WM_SYSCOMMAND, SC_MONITORPOWER, 2); },
        .closeMenus = [](void*) { EndMenu(); },
        .limitsChanged = [](void* c) {
            SyncSliderPositions(W(c)->pointer, W(c)->limits);
            InvalidateRect(W(c)->mainWindow, nullptr, FALSE);
        },
        .startCountdown = [](void* c) { return StartTimer(W(c)->mainWindow, COUNTDOWN_TIMER_ID, 1000); },
        .stopCountdown = [](void* c) { KillTimer(W(c)->mainWindow, COUNTDOWN_TIMER_ID); },
        .performFinish = [](void*, FinishAction action) { return PerformFinishAction(action); },
        .exitProgram = [](void* c, bool workFinished) { PostMessageW(W(c)->mainWindow, WM_EXIT_PROGRAM, workFinished, 0); },
        .findImage = [](void*, const char16_t* image) { return FindOldestProcess(image); },
        .processImage = [](void*, uint32_t pid, char16_t* image, int32_t capacity) { return ReadProcessImage(pid, image, capacity); },
        .notifyUser = [](void* c, const char16_t* text) { ShowBalloonWin(W(c)->mainWindow, W(c)->tray, text); },
        .startShutdownCheck = [](void* c) { (void)StartTimer(W(c)->mainWindow, SHUTDOWN_CHECK_TIMER_ID, SHUTDOWN_CHECK_MS); },
        .stopShutdownCheck = [](void* c) { KillTimer(W(c)->mainWindow, SHUTDOWN_CHECK_TIMER_ID); },
    };
}

void ReadHoldClockWin(void*, HoldClock* now) {
    FILETIME system;
    GetSystemTimeAsFileTime(&system);
    SYSTEMTIME local;
    GetLocalTime(&local);
    const uint64_t ticks = (static_cast<uint64_t>(system.dwHighDateTime) << 32) | system.dwLowDateTime;
    now->intervalMs = GetTickCount64();
    now->wallMs = static_cast<int64_t>(ticks / 10000);  // 100 ns units since 1601
    now->localDayMs = ((local.wHour * 60u + local.wMinute) * 60u + local.wSecond) * 1000u + local.wMilliseconds;
}

void ShowBalloonWin(HWND window, TrayState* tray, const char16_t* text) {
    if (!tray->iconShown && AddTrayIcon(tray)) {
        SetTimer(window, BALLOON_ICON_TIMER_ID, BALLOON_ICON_MS, nullptr);
    }
    (void)ShowTrayBalloon(tray, text);
}
