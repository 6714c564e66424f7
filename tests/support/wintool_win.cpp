// A small Windows-side helper for the end-to-end tests: it looks at windows from inside the
// Wine session, where the X server sees only the virtual desktop.
//
//   wintool wait CLASS TIMEOUT_MS   wait until a visible top-level window of CLASS exists;
//                                   prints "hwnd pid x y clientWidth clientHeight left top right
//                                   bottom" (client origin and size, then the window rectangle)
//   wintool find CLASS              the same line, at once; exit 1 when there is none
//   wintool close CLASS             post WM_CLOSE to it
//   wintool workarea                prints the work area "left top right bottom"
//   wintool foreground              prints the class of the foreground window
//   wintool resources PID           prints "gdiObjects userObjects handles" of a process
//   wintool broadcast settings|taskbar
//                                   sends WM_SETTINGCHANGE or "TaskbarCreated" to every
//                                   top-level window, as Windows does and Wine does not
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

HWND FindVisible(const wchar_t* className) {
    HWND window = FindWindowW(className, nullptr);
    return (window && IsWindowVisible(window)) ? window : nullptr;
}

void Describe(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    RECT client = {};
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    RECT frame = {};
    GetWindowRect(window, &frame);
    printf("%llu %lu %ld %ld %ld %ld %ld %ld %ld %ld\n",
           static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)), pid, origin.x, origin.y,
           client.right - client.left, client.bottom - client.top, frame.left, frame.top, frame.right, frame.bottom);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && wcscmp(argv[1], L"workarea") == 0) {
        RECT work = {};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        printf("%ld %ld %ld %ld\n", work.left, work.top, work.right, work.bottom);
        return 0;
    }
    if (argc == 2 && wcscmp(argv[1], L"foreground") == 0) {
        wchar_t name[128] = L"";
        HWND front = GetForegroundWindow();
        if (front) {
            GetClassNameW(front, name, 128);
        }
        printf("%ls\n", name);
        return 0;
    }
    if (argc == 3 && wcscmp(argv[1], L"resources") == 0) {
        HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, static_cast<DWORD>(_wtoi(argv[2])));
        if (!p) {
            return 1;
        }
        DWORD handles = 0;
        GetProcessHandleCount(p, &handles);
        printf("%lu %lu %lu\n", GetGuiResources(p, GR_GDIOBJECTS), GetGuiResources(p, GR_USEROBJECTS), handles);
        CloseHandle(p);
        return 0;
    }
    if (argc == 3 && wcscmp(argv[1], L"broadcast") == 0) {
        bool settings = wcscmp(argv[2], L"settings") == 0;
        UINT message = settings ? WM_SETTINGCHANGE : RegisterWindowMessageW(L"TaskbarCreated");
        DWORD_PTR result = 0;
        SendMessageTimeoutW(HWND_BROADCAST, message, 0, settings ? reinterpret_cast<LPARAM>(L"ImmersiveColorSet") : 0,
                            SMTO_ABORTIFHUNG, 5000, &result);
        return 0;
    }
    if (argc < 3) {
        fprintf(stderr, "usage: wintool wait|find|close CLASS [...] | workarea | foreground\n");
        return 2;
    }
    const wchar_t* command = argv[1];
    const wchar_t* className = argv[2];
    if (wcscmp(command, L"wait") == 0) {
        DWORD timeout = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 10000;
        DWORD start = GetTickCount();
        for (;;) {
            HWND window = FindVisible(className);
            if (window) {
                Describe(window);
                return 0;
            }
            if (GetTickCount() - start > timeout) {
                return 1;
            }
            Sleep(50);
        }
    }
    HWND window = FindWindowW(className, nullptr);
    if (!window) {
        return 1;
    }
    if (wcscmp(command, L"find") == 0) {
        Describe(window);
        return 0;
    }
    if (wcscmp(command, L"close") == 0) {
        return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    return 2;
}
