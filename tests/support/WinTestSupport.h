#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// Helpers for the tests that run under Wine against the real platform.

// A path beside the test executable, where the helper programs are built.
inline std::wstring BesideTestExe(const wchar_t* name) {
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

// Starts a helper program; returns its process information (both handles open) or zeros.
inline PROCESS_INFORMATION StartHelper(const wchar_t* exe, const std::wstring& args) {
    std::wstring line = L"\"" + BesideTestExe(exe) + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return PROCESS_INFORMATION{};
    }
    return pi;
}

inline void KillPid(uint32_t pid) {
    HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (p) {
        TerminateProcess(p, 1);
        WaitForSingleObject(p, 5000);
        CloseHandle(p);
    }
}
