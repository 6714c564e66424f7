// The application the engine tests watch: a process that starts a child, which starts a
// grandchild, and so on; each burns CPU for a while and then idles until its life is over.
// With a title, the root also shows a window with that title, so it is an open app; it
// sits at the top right, clear of the centred Pellacord window the end-to-end tests click.
//
//   busytree DEPTH SCHEDULE LIFE_MS [TITLE]
//
// SCHEDULE is BURN_MS, or BURN,IDLE,BURN,... in milliseconds: phases of work and rest. Or it
// is @PATH: every process works while the file PATH exists and rests while it does not, so a
// test can switch the work on and off when it has seen what it waits for, whatever the
// machine's speed. LIFE_MS may be @PATH too: every process lives while that file exists.
#include <windows.h>

#include <cstdint>
#include <cwchar>

static void Spin(DWORD ms) {
    DWORD start = GetTickCount();
    volatile uint32_t x = 1;
    while (GetTickCount() - start < ms) {
        for (int i = 0; i < 100000; i++) {
            x = x * 1664525u + 1013904223u;
        }
    }
}

static DWORD WINAPI Burn(void* parameter) {
    const wchar_t* schedule = static_cast<const wchar_t*>(parameter);
    if (*schedule == L'@') {
        for (;;) {
            if (GetFileAttributesW(schedule + 1) != INVALID_FILE_ATTRIBUTES) {
                Spin(50);
            } else {
                Sleep(50);
            }
        }
    }
    bool burning = true;
    while (*schedule) {
        wchar_t* end = nullptr;
        DWORD ms = static_cast<DWORD>(wcstoul(schedule, &end, 10));
        if (burning) {
            Spin(ms);
        } else {
            Sleep(ms);
        }
        burning = !burning;
        schedule = *end == L',' ? end + 1 : end;
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
    const wchar_t* schedule = argv[2];
    const wchar_t* lifeFile = argv[3][0] == L'@' ? argv[3] + 1 : nullptr;
    DWORD life = lifeFile ? 50 : static_cast<DWORD>(_wtoi(argv[3]));
    if (depth > 0) {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        wchar_t line[3 * MAX_PATH + 64];
        swprintf(line, 3 * MAX_PATH + 64, L"\"%ls\" %d \"%ls\" \"%ls\"", self, depth - 1, schedule, argv[3]);
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
        HWND w = CreateWindowExW(0, L"BusyTree", argv[4], WS_OVERLAPPEDWINDOW, 880, 40, 320, 160, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        ShowWindow(w, SW_SHOWNOACTIVATE);
    }
    HANDLE burner = CreateThread(nullptr, 0, Burn, const_cast<wchar_t*>(schedule), 0, nullptr);
    if (burner) {
        CloseHandle(burner);
    }
    SetTimer(nullptr, 0, life, nullptr);  // with a life file, a look at it every 50 ms
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr &&
            (!lifeFile || GetFileAttributesW(lifeFile) == INVALID_FILE_ATTRIBUTES)) {
            break;
        }
        DispatchMessageW(&msg);
    }
    return 0;
}
