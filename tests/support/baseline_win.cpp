// The do-nothing Win32 program the whole-process figures are compared with: one fixed window,
// the message loop, nothing else. Built static, as Pellacord.exe is.
#include <windows.h>

static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"BaselineWindow";
    RegisterClassW(&wc);
    HWND w = CreateWindowExW(0, L"BaselineWindow", L"Baseline", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 100, 100,
                             430, 742, nullptr, nullptr, instance, nullptr);
    ShowWindow(w, SW_SHOW);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
    }
    return 0;
}
