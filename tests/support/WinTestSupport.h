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

// Every helper and everything it starts runs in one job that ends with the test program, so a
// failed assertion leaves no helper behind to disturb the next test.
inline HANDLE HelperJob() {
    static HANDLE job = [] {
        HANDLE j = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (j) {
            SetInformationJobObject(j, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
        }
        return j;
    }();
    return job;
}

// Starts a helper program in the helper job; returns its process information (both handles
// open) or zeros.
inline PROCESS_INFORMATION StartHelper(const wchar_t* exe, const std::wstring& args) {
    std::wstring line = L"\"" + BesideTestExe(exe) + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi)) {
        return PROCESS_INFORMATION{};
    }
    if (HelperJob()) {
        AssignProcessToJobObject(HelperJob(), pi.hProcess);  // before it can start anything
    }
    ResumeThread(pi.hThread);
    return pi;
}

// Ends every helper started so far, with all of their children.
inline void EndHelpers() {
    if (HelperJob()) {
        TerminateJobObject(HelperJob(), 1);
    }
}

inline void KillPid(uint32_t pid) {
    HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (p) {
        TerminateProcess(p, 1);
        WaitForSingleObject(p, 5000);
        CloseHandle(p);
    }
}

// A file that switches a busytree helper's work on and off (its schedule "@PATH"): a test
// turns the work off once it has seen what it waits for, whatever the machine's speed.
struct WorkSwitch {
    std::wstring path;

    explicit WorkSwitch(const wchar_t* name) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId());
        On();
    }
    ~WorkSwitch() { Off(); }
    WorkSwitch(const WorkSwitch&) = delete;
    WorkSwitch& operator=(const WorkSwitch&) = delete;

    void On() const {
        HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f != INVALID_HANDLE_VALUE) {
            CloseHandle(f);
        }
    }
    void Off() const { DeleteFileW(path.c_str()); }
    // The schedule argument, quoted.
    std::wstring Schedule() const { return L"\"@" + path + L"\""; }
};

