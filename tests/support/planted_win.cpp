// A DLL left beside Pellacord.exe under a system library's name. Loading it leaves a marker
// file beside it, so a test can tell whether the program ever ran it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH];
        DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
        while (n > 0 && path[n - 1] != L'\\' && path[n - 1] != L'/') {
            n--;
        }
        lstrcpynW(path + n, L"planted-dll-was-loaded", MAX_PATH - static_cast<int>(n));
        HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (marker != INVALID_HANDLE_VALUE) {
            CloseHandle(marker);
        }
    }
    return TRUE;
}
