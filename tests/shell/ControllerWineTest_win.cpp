// The controller against a real busy process tree under Wine: preview, watch, BUSY with the
// lock held, grace, IDLE after the wait with the lock off, and the end of the watch when the
// app's root process is killed.
#include "shell/Controller.h"
#include "engine/PowerRequest_win.h"
#include "engine/Sampler_win.h"
#include "shell/ControllerPlatform_win.h"
#include "shell/Tray_win.h"
#include "ui/AppListView_win.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

WatchController* g_controller;

LRESULT CALLBACK MainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_TIMER && wp == TICK_TIMER_ID && g_controller) {
        Tick(g_controller);
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

// Pumps messages until the condition holds or the time is up.
template <typename Condition>
bool PumpUntil(DWORD ms, Condition condition) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        if (condition()) {
            return true;
        }
        Pump(100);
    }
    return condition();
}

std::string ReadFileText(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    std::string text;
    char chunk[4096];
    DWORD n;
    while (f != INVALID_HANDLE_VALUE && ReadFile(f, chunk, sizeof(chunk), &n, nullptr) && n > 0) {
        text.append(chunk, n);
    }
    if (f != INVALID_HANDLE_VALUE) {
        CloseHandle(f);
    }
    return text;
}

TEST(ControllerWine, WatchesARealBusyTreeToIdleAndItsExit) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"ControllerTestMain";
    RegisterClassW(&wc);
    RegisterAppListClass(instance);
    HWND main = CreateWindowExW(0, L"ControllerTestMain", L"Controller test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20,
                                20, 430, 500, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(main, nullptr);

    Palette palette;
    FillPalette(&palette, 0);
    AppListView view{};
    view.palette = &palette;
    view.rowHeight = 40;
    view.dpi = 96;
    HWND list = CreateAppListView(main, 100, &view);
    MoveWindow(list, 10, 10, 400, 300, FALSE);

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    // A folder of this run's own, so no other test's log is ever read or written.
    std::wstring folder = std::wstring(temp) + L"pellacord-controller-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring exePath = folder + L"Pellacord.exe";
    std::wstring logPath = folder + L"Pellacord.log";
    DeleteFileW(logPath.c_str());
    SettingsFile settings{};
    OpenSettingsFile(&settings, exePath.c_str());
    LogFile log = MakeLogFile();
    OpenLog(&log, exePath.c_str());

    auto sampler = std::make_unique<ProcessSampler>();
    SystemProcessQuery query;
    InitProcessPlatform(sampler.get(), &query);
    auto watch = std::make_unique<Watch>();
    auto apps = std::make_unique<AppList>();
    auto imageNames = std::make_unique<ImageNameEntry[]>(MAX_IMAGE_NAMES);
    LimitTable limits;
    SetDefaultLimits(&limits);
    limits.rows[WAIT_ROW].value = 30000;  // the shortest wait
    bool keepDisplayOn = false;
    OptionalSettings optional{};
    InitWatch(watch.get(), &limits, &keepDisplayOn, SetExecutionStateWin);
    WatchStatus& status = watch->status;
    WatchedTree* const tree = &watch->tree;
    PowerRequest& power = watch->power;
    TcpTableApi tcp;
    LoadTcpTableApi(&tcp);
    TrayState tray{};
    InitTray(&tray, reinterpret_cast<uintptr_t>(main), WM_TRAY_CALLBACK, WindowsTrayShell());
    PointerState pointer{};
    WindowsControllerContext context{main, list, &log, &settings, imageNames.get(), &pointer, &limits, &tray,
                                     L"win_tests.exe", {}};
    WatchController c{.watch = watch.get(), .sampler = sampler.get(), .tcp = &tcp, .gpu = nullptr, .limits = &limits,
                      .keepDisplayOn = &keepDisplayOn, .optional = &optional, .apps = apps.get(),
                      .listView = &view, .tray = &tray, .platform = WindowsControllerPlatform(&context)};
    g_controller = &c;

    WorkSwitch work(L"pellacord-controller-work");
    PROCESS_INFORMATION root = StartHelper(L"busytree.exe", L"2 " + work.Schedule() + L" 120000 \"Busy Tree\"");
    ASSERT_NE(root.hProcess, nullptr);
    auto listed = [&] {
        RefreshAppList(&c);
        for (int32_t i = 0; i < apps->count; i++) {
            if (apps->entries[i].pid == root.dwProcessId) {
                return i;
            }
        }
        return -1;
    };
    int32_t row = -1;
    ASSERT_TRUE(PumpUntil(10000, [&] { return (row = listed()) >= 0; }));

    // Preview: sampling starts, nothing is held or logged.
    view.selectedIndex = row;
    PreviewApp(&c, root.dwProcessId);
    EXPECT_EQ(status.sampling, 1);
    Pump(1500);
    EXPECT_EQ(power.lastFlags, 0x80000000u);
    EXPECT_EQ(tray.iconShown, 0);

    StartWatching(&c);
    EXPECT_EQ(status.watchMode, WATCH_ON);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ(power.lastFlags, 0x80000001u);
    EXPECT_EQ(PowerRequestAccepted(&power), 1);
    Pump(1500);
    EXPECT_EQ(status.currentState, STATE_BUSY);
    EXPECT_EQ(tray.iconShown, 1);

    work.Off();
    ASSERT_TRUE(PumpUntil(15000, [&] { return status.currentState == STATE_GRACE; }));
    EXPECT_EQ(power.lastFlags, 0x80000001u);  // grace still holds
    EXPECT_EQ(tray.iconKind, TrayIconKind::Grace);
    ASSERT_TRUE(PumpUntil(40000, [&] { return status.currentState == STATE_IDLE; }));
    EXPECT_EQ(power.lastFlags, 0x80000000u);
    EXPECT_EQ(tray.iconKind, TrayIconKind::Idle);

    // The root goes: the watch goes on with the processes it started. When they go too, the
    // watch ends on the next tick and the window comes back.
    uint32_t members[MAX_TREE_PROCESSES];
    int32_t memberCount = tree->memberCount;
    std::copy(tree->memberPids, tree->memberPids + memberCount, members);
    TerminateProcess(root.hProcess, 0);
    WaitForSingleObject(root.hProcess, 5000);
    ASSERT_TRUE(PumpUntil(5000, [&] { return tree->rootGone; }));
    Pump(1500);
    EXPECT_EQ(status.watchMode, WATCH_ON);
    for (int32_t i = 0; i < memberCount; i++) {
        KillPid(members[i]);
    }
    ASSERT_TRUE(PumpUntil(5000, [&] { return status.watchMode == WATCH_OFF; }));
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(tray.iconShown, 0);
    EXPECT_EQ(std::u16string(status.notice), u"that app has closed \u00B7 the lock was released");

    CloseLog(&log);
    std::string text = ReadFileText(logPath);
    for (const char* expected : {"watching: Busy Tree", "-> BUSY (cpu)", "lock=held", "  ^ state changed: BUSY -> grace",
                                 "  ^ state changed: grace -> IDLE", "lock=off",
                                 "  the watched process exited; 2 processes it started still run\r\n",
                                 "the watched process exited\r\n", "stopped watching; lock released\r\n"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    }
    // No tick line between the exit line and the end of the watch.
    size_t exited = text.find("the watched process exited\r\n");
    EXPECT_EQ(text.find("tick ", exited), std::string::npos);

    g_controller = nullptr;
    for (int32_t i = 0; i < memberCount; i++) {
        KillPid(members[i]);
    }
    ShutdownTray(&tray);
    UnloadTcpTableApi(&tcp);
    FreeProcessPlatform(&query);
    DestroyWindow(main);
    DeleteFileW(logPath.c_str());
    RemoveDirectoryW(folder.c_str());
    EndHelpers();
    CloseHandle(root.hThread);
    CloseHandle(root.hProcess);
}

}  // namespace
