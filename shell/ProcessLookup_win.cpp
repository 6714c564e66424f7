#include "shell/ProcessLookup_win.h"

#include "engine/Sampler.h"
#include "base/Wide_win.h"
#include "base/Text.h"

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
    uint32_t oldest = 0;
    uint64_t oldestTime = 0;
    ForEachProcess([&](uint32_t pid, const wchar_t* image) {
        if (pid != 0 && CompareStringOrdinal(image, -1, AsWide(imageName), -1, TRUE) == CSTR_EQUAL) {
            uint64_t created = CreationTime(pid);
            if (oldest == 0 || created < oldestTime) {
                oldest = pid;
                oldestTime = created;
            }
        }
        return true;
    });
    return oldest;
}

bool ReadProcessImage(uint32_t pid, char16_t* imageName, int32_t capacity) {
    bool found = false;
    ForEachProcess([&](uint32_t each, const wchar_t* image) {
        found = each == pid && pid != 0;
        if (found) {
            CopyWide(imageName, AsUtf16(image), capacity);
        }
        return !found;
    });
    return found;
}
