// Process trees whose shape changes while they work, for the tests of a tree that must stay
// watched:
//
//   spawner serial COUNT BURN_MS [TITLE]  starts COUNT children one after another, each
//                                        burning BURN_MS and exiting, as a build of short
//                                        compiler runs does; with a title it shows a window
//   spawner chain LEAF_MS MIDDLE         starts a middle process, which starts a leaf that
//                                        burns for LEAF_MS and then exits itself after MIDDLE
//                                        milliseconds, or once the event named MIDDLE is set,
//                                        leaving the leaf an orphan; the root idles until the
//                                        leaf is done
//   spawner burn MS                      burns one core for MS and exits
//   spawner middle LEAF_MS MIDDLE_MS     (the chain's middle)
#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <string>

namespace {

std::wstring Self() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, n);
}

HANDLE Start(const std::wstring& args) {
    std::wstring line = L"\"" + Self() + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return nullptr;
    }
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

void Burn(DWORD ms) {
    DWORD start = GetTickCount();
    volatile uint32_t x = 1;
    while (GetTickCount() - start < ms) {
        for (int i = 0; i < 20000; i++) {
            x = x * 1664525u + 1013904223u;
        }
    }
}

struct Serial {
    int count;
    DWORD burnMs;
};

DWORD WINAPI RunSerial(void* parameter) {
    const Serial* s = static_cast<const Serial*>(parameter);
    for (int i = 0; i < s->count; i++) {
        HANDLE child = Start(L"burn " + std::to_wstring(s->burnMs));
        if (child) {
            WaitForSingleObject(child, INFINITE);
            CloseHandle(child);
        }
    }
    return 0;
}

LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

// A titled window at the top right, clear of Pellacord's centred window, until the work is done.
void ShowWindowUntil(HANDLE done, const wchar_t* title) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"Spawner";
    RegisterClassW(&wc);
    HWND w = CreateWindowExW(0, L"Spawner", title, WS_OVERLAPPEDWINDOW, 880, 220, 320, 160, nullptr, nullptr,
                             wc.hInstance, nullptr);
    ShowWindow(w, SW_SHOWNOACTIVATE);
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT);
        if (r != WAIT_OBJECT_0 + 1) {
            return;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                return;
            }
            DispatchMessageW(&msg);
        }
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && wcscmp(argv[1], L"burn") == 0) {
        Burn(static_cast<DWORD>(_wtoi(argv[2])));
        return 0;
    }
    if (argc >= 4 && wcscmp(argv[1], L"serial") == 0) {
        Serial s = {_wtoi(argv[2]), static_cast<DWORD>(_wtoi(argv[3]))};
        HANDLE worker = CreateThread(nullptr, 0, RunSerial, &s, 0, nullptr);
        if (!worker) {
            return 1;
        }
        if (argc >= 5) {
            ShowWindowUntil(worker, argv[4]);
        } else {
            WaitForSingleObject(worker, INFINITE);
        }
        CloseHandle(worker);
        return 0;
    }
    if (argc >= 4 && wcscmp(argv[1], L"chain") == 0) {
        HANDLE middle = Start(std::wstring(L"middle ") + argv[2] + L" " + argv[3]);
        if (!middle) {
            return 1;
        }
        CloseHandle(middle);
        Sleep(static_cast<DWORD>(_wtoi(argv[2])) + 2000);
        return 0;
    }
    if (argc >= 4 && wcscmp(argv[1], L"middle") == 0) {
        HANDLE leaf = Start(std::wstring(L"burn ") + argv[2]);
        if (leaf) {
            CloseHandle(leaf);
        }
        if (iswdigit(argv[3][0])) {
            Sleep(static_cast<DWORD>(_wtoi(argv[3])));
        } else {
            // Told by the test, once it has seen what it checks while the middle lives.
            HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
            WaitForSingleObject(go, 120000);
            if (go) {
                CloseHandle(go);
            }
        }
        return 0;
    }
    return 2;
}
