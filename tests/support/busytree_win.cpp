// The application the engine tests watch: a process that starts a child, which starts a
// grandchild, and so on; each burns CPU for a while and then idles until its life is over.
//
//   busytree DEPTH BURN_MS LIFE_MS
#include <windows.h>

#include <cstdint>
#include <cwchar>

static void Burn(DWORD ms) {
    DWORD start = GetTickCount();
    volatile uint32_t x = 1;
    while (GetTickCount() - start < ms) {
        for (int i = 0; i < 100000; i++) {
            x = x * 1664525u + 1013904223u;
        }
    }
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        return 2;
    }
    int depth = _wtoi(argv[1]);
    DWORD burn = static_cast<DWORD>(_wtoi(argv[2]));
    DWORD life = static_cast<DWORD>(_wtoi(argv[3]));
    DWORD start = GetTickCount();
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
    Burn(burn);
    DWORD used = GetTickCount() - start;
    if (used < life) {
        Sleep(life - used);
    }
    return 0;
}
