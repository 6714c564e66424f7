// The application the engine tests watch: a process that starts a child, which starts a
// grandchild, and so on; each burns CPU for a while and then idles until its life is over.
// With a title, the root also shows a window with that title, so it is an open app.
//
//   busytree DEPTH BURN_MS LIFE_MS [TITLE]
#include <windows.h>

#include <cstdint>
#include <cwchar>

static DWORD WINAPI Burn(void* parameter) {
    DWORD ms = static_cast<DWORD>(reinterpret_cast<uintptr_t>(parameter));
    DWORD start = GetTickCount();
    volatile uint32_t x = 1;
    while (GetTickCount() - start < ms) {
        for (int i = 0; i < 100000; i++) {
            x = x * 1664525u + 1013904223u;
        }
    }
    return 0;
}

static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        return 2;
    }
    int depth = _wtoi(argv[1]);
    DWORD burn = static_cast<DWORD>(_wtoi(argv[2]));
    DWORD life = static_cast<DWORD>(_wtoi(argv[3]));
    if (depth > 0) {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        wchar_t line[MAX_PATH + 64];
        swprintf(line, MAX_PATH + 64, L"\"%ls\" %d %lu %lu", self, depth - 1, burn, life);
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        if (CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
    }
    if (argc > 4) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = L"BusyTree";
        RegisterClassW(&wc);
        HWND w = CreateWindowExW(0, L"BusyTree", argv[4], WS_OVERLAPPEDWINDOW, 600, 200, 320, 200, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        ShowWindow(w, SW_SHOWNOACTIVATE);
    }
    HANDLE burner = CreateThread(nullptr, 0, Burn, reinterpret_cast<void*>(static_cast<uintptr_t>(burn)), 0, nullptr);
    if (burner) {
        CloseHandle(burner);
    }
    SetTimer(nullptr, 0, life, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) {
            break;
        }
        DispatchMessageW(&msg);
    }
    return 0;
}
