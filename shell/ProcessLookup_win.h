#pragma once
#include "base/Owner_win.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>

// Processes by name and by id, from a Toolhelp snapshot, which lists every process of the
// session whatever its rights.

// Calls visit(pid, imageName) for each process of one snapshot until it returns false; false
// when no snapshot could be taken.
template <typename Visit>
bool ForEachProcess(Visit visit) {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return false;
    }
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (!visit(static_cast<uint32_t>(entry.th32ProcessID), static_cast<const wchar_t*>(entry.szExeFile))) {
            break;
        }
    }
    return true;
}

// The oldest running process of the image name (any case); 0 when none runs.
uint32_t FindOldestProcess(const char16_t* imageName);
// The image name of a running process; false when no process has that id.
bool ReadProcessImage(uint32_t pid, char16_t* imageName, int32_t capacity);
