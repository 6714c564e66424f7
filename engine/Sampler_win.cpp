#include "engine/Sampler_win.h"

#include "base/Owner_win.h"

#include <psapi.h>

#include <cstddef>
#include <cstring>

namespace {

constexpr ULONG SYSTEM_PROCESS_INFORMATION_CLASS = 5;
constexpr LONG STATUS_LENGTH_MISMATCH = static_cast<LONG>(0xC0000004);
constexpr uint32_t QUERY_SLACK = 64 * 1024;  // a few hundred more processes and threads
constexpr int QUERY_ATTEMPTS = 4;

// The process record of SystemProcessInformation, as far as the sampler reads it.
struct ProcessRecord {
    ULONG nextEntryOffset;
    ULONG numberOfThreads;
    LARGE_INTEGER workingSetPrivateSize;
    ULONG hardFaultCount;
    ULONG numberOfThreadsHighWatermark;
    ULONGLONG cycleTime;
    LARGE_INTEGER createTime;
    LARGE_INTEGER userTime;
    LARGE_INTEGER kernelTime;
    struct {
        USHORT length;
        USHORT maximumLength;
        PWSTR buffer;
    } imageName;
    LONG basePriority;
    HANDLE uniqueProcessId;
    HANDLE inheritedFromUniqueProcessId;
    ULONG handleCount;
    ULONG sessionId;
    ULONG_PTR uniqueProcessKey;
    SIZE_T peakVirtualSize;
    SIZE_T virtualSize;
    ULONG pageFaultCount;
    SIZE_T peakWorkingSetSize;
    SIZE_T workingSetSize;
    SIZE_T quotaPeakPagedPoolUsage;
    SIZE_T quotaPagedPoolUsage;
    SIZE_T quotaPeakNonPagedPoolUsage;
    SIZE_T quotaNonPagedPoolUsage;
    SIZE_T pagefileUsage;
    SIZE_T peakPagefileUsage;
    SIZE_T privatePageCount;
    LARGE_INTEGER readOperationCount;
    LARGE_INTEGER writeOperationCount;
    LARGE_INTEGER otherOperationCount;
    LARGE_INTEGER readTransferCount;
    LARGE_INTEGER writeTransferCount;
    LARGE_INTEGER otherTransferCount;
};
static_assert(offsetof(ProcessRecord, createTime) == 32, "layout");
static_assert(offsetof(ProcessRecord, uniqueProcessId) == 80, "layout");
static_assert(offsetof(ProcessRecord, pageFaultCount) == 128, "layout");
static_assert(offsetof(ProcessRecord, workingSetSize) == 144, "layout");
static_assert(offsetof(ProcessRecord, readTransferCount) == 232, "layout");
static_assert(sizeof(ProcessRecord) == 256, "layout");

uint64_t Unsigned(LARGE_INTEGER v) {
    return static_cast<uint64_t>(v.QuadPart);
}

bool RunQuery(SystemProcessQuery* q) {
    if (!q->query) {
        return false;
    }
    for (int attempt = 0; attempt < QUERY_ATTEMPTS; attempt++) {
        ULONG needed = 0;
        LONG status = q->buffer ? q->query(SYSTEM_PROCESS_INFORMATION_CLASS, q->buffer, q->bufferSize, &needed)
                                : STATUS_LENGTH_MISMATCH;
        if (status >= 0) {
            return true;
        }
        if (status != STATUS_LENGTH_MISMATCH) {
            return false;
        }
        uint32_t size = needed > q->bufferSize ? needed : q->bufferSize * 2;
        if (size < QUERY_SLACK) {
            size = QUERY_SLACK;
        }
        size += QUERY_SLACK;
        HANDLE heap = GetProcessHeap();
        if (q->buffer) {
            HeapFree(heap, 0, q->buffer);
        }
        q->buffer = static_cast<uint8_t*>(HeapAlloc(heap, 0, size));
        q->bufferSize = q->buffer ? size : 0;
        if (!q->buffer) {
            return false;
        }
    }
    return false;
}

int32_t Snapshot(void* context, SnapshotEntry* entries, int32_t capacity) {
    auto* q = static_cast<SystemProcessQuery*>(context);
    if (!RunQuery(q)) {
        return 0;
    }
    int32_t n = 0;
    uint32_t offset = 0;
    while (n < capacity && offset + sizeof(ProcessRecord) <= q->bufferSize) {
        const uint8_t* at = q->buffer + offset;
        ProcessRecord r;
        memcpy(&r, at, sizeof(r));
        entries[n].pid = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(r.uniqueProcessId));
        entries[n].parentPid = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(r.inheritedFromUniqueProcessId));
        entries[n].creationTime = Unsigned(r.createTime);
        entries[n].inTree = 0;
        q->records[n] = at;
        n++;
        if (r.nextEntryOffset == 0) {
            break;
        }
        offset += r.nextEntryOffset;
    }
    return n;
}

int32_t SnapshotCounters(void* context, int32_t index, ProcessCounters* out) {
    auto* q = static_cast<SystemProcessQuery*>(context);
    ProcessRecord r;
    memcpy(&r, q->records[index], sizeof(r));
    out->pid = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(r.uniqueProcessId));
    out->creationTime = Unsigned(r.createTime);
    out->cpuTime = Unsigned(r.kernelTime) + Unsigned(r.userTime);
    out->ioBytes = Unsigned(r.readTransferCount) + Unsigned(r.writeTransferCount);
    out->otherBytes = Unsigned(r.otherTransferCount);
    out->pageFaults = r.pageFaultCount;
    out->workingSet = r.workingSetSize;
    return 1;
}

// The name points into the query's own buffer; one that points elsewhere is not read.
int32_t SnapshotImage(void* context, int32_t index, char16_t* out, int32_t capacity) {
    auto* q = static_cast<SystemProcessQuery*>(context);
    ProcessRecord r;
    memcpy(&r, q->records[index], sizeof(r));
    const uint8_t* name = reinterpret_cast<const uint8_t*>(r.imageName.buffer);
    uint32_t bytes = r.imageName.length & ~1u;
    int32_t n = 0;
    if (name && capacity > 0 && name >= q->buffer && bytes <= q->bufferSize &&
        static_cast<size_t>(name - q->buffer) <= q->bufferSize - bytes) {
        n = static_cast<int32_t>(bytes / 2);
        if (n > capacity - 1) {
            n = capacity - 1;
        }
        memcpy(out, name, static_cast<size_t>(n) * 2);
    }
    if (capacity > 0) {
        out[n] = 0;
    }
    return n;
}

int32_t ReadProcess(void*, uint32_t pid, ProcessCounters* out) {
    return ReadProcessAlone(pid, out);
}

int32_t JobMembers(void* context, uint32_t rootPid, uint32_t* pids, int32_t capacity) {
    auto* q = static_cast<SystemProcessQuery*>(context);
    if (!q->job || q->jobRoot != rootPid) {
        return -1;
    }
    auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(q->jobList);
    // A job of more processes than fit gives ERROR_MORE_DATA with the list filled as far as it goes.
    if (!QueryInformationJobObject(q->job, JobObjectBasicProcessIdList, list, sizeof(q->jobList), nullptr) &&
        GetLastError() != ERROR_MORE_DATA) {
        return -1;
    }
    DWORD n = list->NumberOfProcessIdsInList;
    n = n < static_cast<DWORD>(capacity) ? n : static_cast<DWORD>(capacity);
    n = n < static_cast<DWORD>(MAX_TREE_PROCESSES) ? n : static_cast<DWORD>(MAX_TREE_PROCESSES);
    for (DWORD i = 0; i < n; i++) {
        pids[i] = static_cast<uint32_t>(list->ProcessIdList[i]);
    }
    return static_cast<int32_t>(n);
}

bool JobTotalsOf(void* context, uint32_t rootPid, JobTotals* out) {
    auto* q = static_cast<SystemProcessQuery*>(context);
    JOBOBJECT_BASIC_AND_IO_ACCOUNTING_INFORMATION info = {};
    if (!q->job || q->jobRoot != rootPid ||
        !QueryInformationJobObject(q->job, JobObjectBasicAndIoAccountingInformation, &info, sizeof(info), nullptr)) {
        return false;
    }
    out->cpuTime = Unsigned(info.BasicInfo.TotalUserTime) + Unsigned(info.BasicInfo.TotalKernelTime);
    out->ioBytes = info.IoInfo.ReadTransferCount + info.IoInfo.WriteTransferCount;
    out->otherBytes = info.IoInfo.OtherTransferCount;
    out->pageFaults = info.BasicInfo.TotalPageFaultCount;
    out->processes = info.BasicInfo.TotalProcesses;
    return true;
}

uint64_t IntervalNow(void*) {
    return CurrentIntervalTime();
}

uint64_t WallNow(void*) {
    return CurrentFileTime();
}

HANDLE OpenProcessForCounters(uint32_t pid) {
    static const DWORD MASKS[] = {PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ,
                                  PROCESS_QUERY_LIMITED_INFORMATION, PROCESS_QUERY_INFORMATION};
    for (DWORD mask : MASKS) {
        HANDLE process = OpenProcess(mask, FALSE, pid);
        if (process) {
            return process;
        }
    }
    return nullptr;
}

uint64_t FromFileTime(FILETIME t) {
    return FileTimeToU64(t.dwLowDateTime, t.dwHighDateTime);
}

}  // namespace

// Interrupt time without the time spent asleep or hibernating, in 100-ns units. It never
// jumps when the system clock is set.
uint64_t CurrentIntervalTime() {
    ULONGLONG t = 0;
    if (!QueryUnbiasedInterruptTime(&t)) {
        t = GetTickCount64() * 10000;  // counts sleep, but still never moves back
    }
    return t;
}

uint64_t CurrentFileTime() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return FromFileTime(now);
}

int32_t ReadProcessAlone(uint32_t pid, ProcessCounters* out) {
    UniqueHandle owner(OpenProcessForCounters(pid));
    HANDLE process = owner.get();
    FILETIME created, exited, kernel, user;
    int32_t ok = process && GetProcessTimes(process, &created, &exited, &kernel, &user) ? 1 : 0;
    if (ok) {
        out->pid = pid;
        out->creationTime = FromFileTime(created);
        out->cpuTime = FromFileTime(kernel) + FromFileTime(user);
        IO_COUNTERS io;
        bool haveIo = GetProcessIoCounters(process, &io);
        out->ioBytes = haveIo ? io.ReadTransferCount + io.WriteTransferCount : 0;
        out->otherBytes = haveIo ? io.OtherTransferCount : 0;
        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof(memory);
        bool haveMemory = GetProcessMemoryInfo(process, &memory, sizeof(memory));
        out->pageFaults = haveMemory ? memory.PageFaultCount : 0;
        out->workingSet = haveMemory ? memory.WorkingSetSize : 0;
    }
    return ok;
}

void InitProcessPlatform(ProcessSampler* sampler, SystemProcessQuery* q) {
    q->buffer = nullptr;
    q->bufferSize = 0;
    q->query = nullptr;
    q->query = LibraryFunction<decltype(q->query)>(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation");
    q->job = nullptr;
    q->jobRoot = 0;
    sampler->platform =
        ProcessPlatform{
            .context = q,
            .snapshot = Snapshot,
            .snapshotCounters = SnapshotCounters,
            .readProcess = ReadProcess,
            .intervalTime = IntervalNow,
            .wallTime = WallNow,
            .snapshotImage = SnapshotImage,
            .jobMembers = JobMembers,
            .jobTotals = JobTotalsOf,
        };
}

void WatchJob(SystemProcessQuery* q, HANDLE job, uint32_t rootPid) {
    q->job = job;
    q->jobRoot = rootPid;
}

void FreeProcessPlatform(SystemProcessQuery* q) {
    if (q->buffer) {
        HeapFree(GetProcessHeap(), 0, q->buffer);
    }
    q->buffer = nullptr;
    q->bufferSize = 0;
}
