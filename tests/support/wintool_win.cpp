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
//   wintool row TITLE PID           the row of the open app titled TITLE in a list of open
//                                   apps made as Pellacord (process PID) makes it; exit 1 when
//                                   it is not listed
//   wintool front TITLE             brings the window titled TITLE to the front
//   wintool lock PATH MS            holds the file open, sharing nothing, for MS milliseconds
//   wintool squat MS [WINDOW_MS]    holds Pellacord's single-instance name for MS; with
//                                   WINDOW_MS, shows a "PellacordWindow" after that long, as a
//                                   first copy slow to start would, and prints "shown" when it
//                                   is asked to show itself
//   wintool text CLASS              prints the texts of the window's children (a message box)
//   wintool mutex                   exit 0 when Pellacord's single-instance name is held
//   wintool hotkey MS               registers Ctrl+Alt+W for MS milliseconds, as another program
//                                   would; prints "registered", or "refused" and exits 1
//   wintool job EXE [ARGS...]       runs EXE, and everything it starts, in a job that ends them
//                                   all when this tool ends: prints EXE's pid, then waits until
//                                   its standard input closes (the test that started it ended
//                                   or was killed), or until it is killed itself
//   wintool post CLASS MSG WPARAM LPARAM
//                                   posts a message (numbers in decimal or 0x hex) to the
//                                   window, such as a power broadcast Wine never sends
//   wintool dpi CLASS DPI           sends WM_DPICHANGED as Windows does when the window moves to
//                                   a monitor of that DPI, suggesting its rectangle scaled, at
//                                   the top of the screen
//   wintool cues on|off             the system's "always show keyboard cues" setting
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

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

struct RowSearch {
    DWORD ownPid;
    const wchar_t* title;
    DWORD pids[256];
    int count;
    int found;
};

// The open-app rule: visible, unowned, not a tool window, titled, one row per process.
BOOL CALLBACK CollectRow(HWND w, LPARAM context) {
    auto* s = reinterpret_cast<RowSearch*>(context);
    if (!IsWindowVisible(w) || GetAncestor(w, GA_ROOTOWNER) != w ||
        (GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) || GetWindowTextLengthW(w) == 0) {
        return TRUE;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == 0 || pid == s->ownPid) {
        return TRUE;
    }
    for (int i = 0; i < s->count; i++) {
        if (s->pids[i] == pid) {
            return TRUE;
        }
    }
    wchar_t title[128] = L"";
    GetWindowTextW(w, title, 128);
    if (wcscmp(title, s->title) == 0) {
        s->found = s->count;
        return FALSE;
    }
    if (s->count < 256) {
        s->pids[s->count++] = pid;
    }
    return TRUE;
}

UINT Number(const wchar_t* text) {
    return static_cast<UINT>(wcstoul(text, nullptr, 0));
}

BOOL CALLBACK PrintChildText(HWND child, LPARAM) {
    wchar_t text[512] = L"";
    GetWindowTextW(child, text, 512);
    if (text[0]) {
        printf("%ls\n", text);
    }
    return TRUE;
}

LRESULT CALLBACK FirstCopyProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == 0x8002) {  // WM_SHOW_EXISTING
        printf("shown\n");
        fflush(stdout);
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

int RunInJob(int argc, wchar_t** argv) {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job || !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
        return 1;
    }
    std::wstring line;
    for (int i = 2; i < argc; i++) {
        line += (i > 2 ? L" \"" : L"\"") + std::wstring(argv[i]) + L"\"";
    }
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi)) {
        return 1;
    }
    AssignProcessToJobObject(job, pi.hProcess);  // before it can start anything
    ResumeThread(pi.hThread);
    printf("%lu\n", pi.dwProcessId);
    fflush(stdout);
    char byte;
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr) && read > 0) {
    }
    CloseHandle(job);  // ends every process in it
    return 0;
}

int Squat(DWORD ms, DWORD windowAfter) {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Local\\PellacordSingleInstance");
    if (!mutex) {
        return 1;
    }
    DWORD start = GetTickCount();
    HWND window = nullptr;
    while (GetTickCount() - start < ms) {
        if (windowAfter && !window && GetTickCount() - start >= windowAfter) {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = FirstCopyProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"PellacordWindow";
            RegisterClassW(&wc);
            window = CreateWindowExW(0, L"PellacordWindow", L"Pellacord", WS_OVERLAPPEDWINDOW, 10, 10, 100, 100,
                                     nullptr, nullptr, wc.hInstance, nullptr);
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    if (window) {
        DestroyWindow(window);
    }
    CloseHandle(mutex);
    return 0;
}

}  // namespace

// Windows passes the suggested rectangle by pointer and Wine does not copy it across processes:
// it is written into the window's own process, and the pointer sent is valid there.
int SendDpiChanged(const wchar_t* className, UINT dpi) {
    HWND window = FindWindowW(className, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = window ? OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid) : nullptr;
    if (!process) {
        return 1;
    }
    RECT frame = {};
    GetWindowRect(window, &frame);
    const UINT old = 96;
    // At the top of the screen, where a window grown by the new scale still fits.
    RECT suggested = {frame.left, 0, frame.left + MulDiv(frame.right - frame.left, static_cast<int>(dpi), old),
                      MulDiv(frame.bottom - frame.top, static_cast<int>(dpi), old)};
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    int result = 1;
    if (remote && WriteProcessMemory(process, remote, &suggested, sizeof(suggested), nullptr)) {
        DWORD_PTR answer = 0;
        result = SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote),
                                     SMTO_ABORTIFHUNG, 10000, &answer)
                     ? 0
                     : 1;
    }
    if (remote) {
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return result;
}

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && wcscmp(argv[1], L"dpi") == 0) {
        return SendDpiChanged(argv[2], Number(argv[3]));
    }
    if (argc == 3 && wcscmp(argv[1], L"cues") == 0) {
        BOOL on = wcscmp(argv[2], L"on") == 0;
        return SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<PVOID>(static_cast<INT_PTR>(on)),
                                     SPIF_UPDATEINIFILE | SPIF_SENDCHANGE)
                   ? 0
                   : 1;
    }
    if (argc == 4 && wcscmp(argv[1], L"row") == 0) {
        RowSearch search = {};
        search.ownPid = Number(argv[3]);
        search.title = argv[2];
        search.found = -1;
        EnumWindows(CollectRow, reinterpret_cast<LPARAM>(&search));
        if (search.found < 0) {
            return 1;
        }
        printf("%d\n", search.found);
        return 0;
    }
    if (argc >= 3 && wcscmp(argv[1], L"job") == 0) {
        return RunInJob(argc, argv);
    }
    if (argc == 3 && wcscmp(argv[1], L"front") == 0) {
        HWND window = FindWindowW(nullptr, argv[2]);
        return window && SetForegroundWindow(window) ? 0 : 1;
    }
    if (argc == 4 && wcscmp(argv[1], L"lock") == 0) {
        HANDLE file = CreateFileW(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return 1;
        }
        printf("locked\n");
        fflush(stdout);
        Sleep(Number(argv[3]));
        CloseHandle(file);
        return 0;
    }
    if ((argc == 3 || argc == 4) && wcscmp(argv[1], L"squat") == 0) {
        return Squat(Number(argv[2]), argc == 4 ? Number(argv[3]) : 0);
    }
    if (argc == 3 && wcscmp(argv[1], L"hotkey") == 0) {
        // Holds Ctrl+Alt+W for a while, as another program would: "registered", or "refused".
        const bool held = RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT | MOD_NOREPEAT, 'W') != FALSE;
        printf(held ? "registered\n" : "refused\n");
        fflush(stdout);
        for (DWORD start = GetTickCount(); held && GetTickCount() - start < Number(argv[2]);) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&msg);
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
        return held ? 0 : 1;
    }
    if (argc == 2 && wcscmp(argv[1], L"mutex") == 0) {
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"Local\\PellacordSingleInstance");
        if (!mutex) {
            return 1;
        }
        CloseHandle(mutex);
        return 0;
    }
    if (argc == 3 && wcscmp(argv[1], L"text") == 0) {
        HWND window = FindWindowW(argv[2], nullptr);
        if (!window) {
            return 1;
        }
        EnumChildWindows(window, PrintChildText, 0);
        return 0;
    }
    if (argc == 6 && wcscmp(argv[1], L"post") == 0) {
        HWND window = FindWindowW(argv[2], nullptr);
        return window && PostMessageW(window, Number(argv[3]), Number(argv[4]), Number(argv[5])) ? 0 : 1;
    }
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
