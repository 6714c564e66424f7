#include "shell/ProcessLookup_win.h"

#include "engine/Sampler.h"
#include "base/Owner_win.h"
#include "base/Wide_win.h"
#include "base/Text.h"

#include <tlhelp32.h>

namespace {

// Creation time of a process, or all ones when it cannot be read: a process that cannot be
// opened counts as the newest, so one that can be told apart is preferred. Only the query
// right is asked for: nothing else of the process is read.
uint64_t CreationTime(uint32_t pid) {
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    FILETIME created, exited, kernel, user;
    if (!process || !GetProcessTimes(process.get(), &created, &exited, &kernel, &user)) {
        return ~uint64_t{0};
    }
    return FileTimeToU64(created.dwLowDateTime, created.dwHighDateTime);
}

}  // namespace

uint32_t FindOldestProcess(const char16_t* imageName) {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return 0;
    }
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    uint32_t oldest = 0;
    uint64_t oldestTime = 0;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == 0 ||
            CompareStringOrdinal(entry.szExeFile, -1, AsWide(imageName), -1, TRUE) != CSTR_EQUAL) {
            continue;
        }
        uint64_t created = CreationTime(entry.th32ProcessID);
        if (oldest == 0 || created < oldestTime) {
            oldest = entry.th32ProcessID;
            oldestTime = created;
        }
    }
    return oldest;
}

bool ReadProcessImage(uint32_t pid, char16_t* imageName, int32_t capacity) {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = snapshot && Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == pid && pid != 0) {
            CopyWide(imageName, AsUtf16(entry.szExeFile), capacity);
            return true;
        }
    }
    return false;
}
