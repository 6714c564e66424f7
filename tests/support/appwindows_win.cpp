// Windows for the open-app tests, one kind per process:
//   appwindows main   a main window with an owned dialog above it
//   appwindows tool   a tool window and a visible untitled window
//   appwindows two    two unowned titled windows, "Upper Window" above "Lower Window"
//   appwindows one TITLE X
//                     one titled window at x X
// It lives until closed, or for a minute.
#include <windows.h>

#include <cwchar>

static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

// An owned window is a popup, as dialogs are; the others are ordinary top-level windows.
static HWND Make(const wchar_t* title, DWORD exStyle, HWND owner, int x) {
    DWORD style = owner ? WS_POPUP | WS_CAPTION | WS_SYSMENU : WS_OVERLAPPEDWINDOW;
    HWND w = CreateWindowExW(exStyle, L"AppWindowsTest", title, style, x, 100, 300, 200, owner,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(w, SW_SHOWNORMAL);
    return w;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return 2;
    }
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"AppWindowsTest";
    RegisterClassW(&wc);
    const wchar_t* mode = argv[1];
    if (wcscmp(mode, L"main") == 0) {
        HWND main = Make(L"Main Window", 0, nullptr, 500);
        Make(L"Owned Dialog", 0, main, 520);
    } else if (wcscmp(mode, L"one") == 0 && argc >= 4) {
        Make(argv[2], 0, nullptr, _wtoi(argv[3]));
    } else if (wcscmp(mode, L"tool") == 0) {
        Make(L"Tool Palette", WS_EX_TOOLWINDOW, nullptr, 600);
        Make(L"", 0, nullptr, 620);
    } else {
        HWND lower = Make(L"Lower Window", 0, nullptr, 700);
        HWND upper = Make(L"Upper Window (placing)", 0, nullptr, 720);
        SetWindowPos(upper, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetWindowPos(lower, upper, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        // Its final title says the order is set: a test waits for it, not for a time.
        SetWindowTextW(upper, L"Upper Window");
    }
    SetTimer(nullptr, 0, 60000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER) {
            break;
        }
        DispatchMessageW(&msg);
    }
    return 0;
}
