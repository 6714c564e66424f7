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
    // Shown for the balloon alone, the icon says nothing is watched: the idle arch.
    if (!tray->iconShown && UpdateTrayIcon(tray, TrayIconKind::Idle, u"Pellacord")) {
        SetTimer(window, BALLOON_ICON_TIMER_ID, BALLOON_ICON_MS, nullptr);
    }
    (void)ShowTrayBalloon(tray, text);
}

namespace {

uint64_t Ticks(const FILETIME& f) {
    return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}

FILETIME FileTimeOf(uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace

// The local midnight of today, then the minute on it, today or on the days after, each turned
// into UTC by the time zone's own rules: the first that is still ahead.
uint32_t DelayUntilWin(void*, uint32_t minute) {
    constexpr uint64_t TICKS_PER_MS = 10000;
    FILETIME utcNow;
    GetSystemTimeAsFileTime(&utcNow);
    SYSTEMTIME utc, local;
    FILETIME localMidnight;
    if (!FileTimeToSystemTime(&utcNow, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        return DAY_MS;
    }
    local.wHour = local.wMinute = local.wSecond = local.wMilliseconds = 0;
    if (!SystemTimeToFileTime(&local, &localMidnight)) {
        return DAY_MS;
    }
    for (uint64_t day = 0; day < 3; day++) {
        const FILETIME target = FileTimeOf(Ticks(localMidnight) + (day * 24 * 60 + minute % (24 * 60)) * 60000 * TICKS_PER_MS);
        SYSTEMTIME targetLocal, targetUtc;
        FILETIME targetUtcTime;
        if (FileTimeToSystemTime(&target, &targetLocal) &&
            TzSpecificLocalTimeToSystemTime(nullptr, &targetLocal, &targetUtc) &&
            SystemTimeToFileTime(&targetUtc, &targetUtcTime) && Ticks(targetUtcTime) > Ticks(utcNow)) {
            const uint64_t ms = (Ticks(targetUtcTime) - Ticks(utcNow)) / TICKS_PER_MS;
            return ms > DAY_MS + 3600000 ? DAY_MS : static_cast<uint32_t>(ms);  // a day and an hour at most
        }
    }
    return DAY_MS;
}
