// Drives the tray icon for the end-to-end tray test. It reads commands on standard input and
// answers on standard output:
//   kind N   show the icon with the image of kind N (0 busy, 1 grace, 2 idle)   -> "ok"
//   remove   remove the icon                                                     -> "ok"
//   quit     end                                                                 -> "bye"
// A right click on the icon opens the tray menu ("menu"); a chosen item prints "command N".
#include "shell/Tray_win.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr UINT WM_COMMAND_LINE = WM_APP + 10;  // clear of the tray callback
TrayState g_tray;
char g_line[64];
HANDLE g_lineTaken;

LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_TRAY_CALLBACK:
        if (LOWORD(lp) == WM_RBUTTONUP) {
            printf("menu\n");
            fflush(stdout);
            const TrayMenuModel model = {true, false, false, FinishAction::None, false};
            ShowTrayMenu(&g_tray, &model);
        }
        return 0;
    case WM_COMMAND:
        printf("command %d\n", LOWORD(wp));
        fflush(stdout);
        return 0;
    case WM_COMMAND_LINE: {
        int kind = 0;
        if (sscanf(g_line, "kind %d", &kind) == 1) {
            UpdateTrayIcon(&g_tray, static_cast<TrayIconKind>(kind), u"traytool");
            UpdateTrayIcon(&g_tray, static_cast<TrayIconKind>(kind), u"traytool");  // the first call only adds it
            printf("ok\n");
        } else if (strncmp(g_line, "remove", 6) == 0) {
            RemoveTrayIcon(&g_tray);
            printf("ok\n");
        } else {
            ShutdownTray(&g_tray);
            printf("bye\n");
            PostQuitMessage(0);
        }
        fflush(stdout);
        SetEvent(g_lineTaken);
        return 0;
    }
    default:
        return DefWindowProcW(w, m, wp, lp);
    }
}

DWORD WINAPI ReadCommands(void* window) {
    char line[64];
    while (fgets(line, sizeof(line), stdin)) {
        memcpy(g_line, line, sizeof(line));
        PostMessageW(static_cast<HWND>(window), WM_COMMAND_LINE, 0, 0);
        WaitForSingleObject(g_lineTaken, INFINITE);
    }
    memcpy(g_line, "quit", 5);
    PostMessageW(static_cast<HWND>(window), WM_COMMAND_LINE, 0, 0);
    return 0;
}

}  // namespace

int main() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TrayToolWindow";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, L"TrayToolWindow", L"traytool", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    InitTray(&g_tray, reinterpret_cast<uintptr_t>(window), WM_TRAY_CALLBACK, WindowsTrayShell());
    g_lineTaken = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(CreateThread(nullptr, 0, ReadCommands, window, 0, nullptr));
    printf("ready\n");
    fflush(stdout);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
    }
    return 0;
}
