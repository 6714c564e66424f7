#pragma once
#include "engine/Sampler.h"

#include <windows.h>

// The system-wide process query behind the sampler: one NtQuerySystemInformation call a tick
// gives every process's ids, creation time, times, transfer counts, faults and working set.
struct SystemProcessQuery {
    LONG(NTAPI* query)(ULONG infoClass, PVOID buffer, ULONG length, PULONG returnLength);
    uint8_t* buffer;   // one heap block, reused every tick, grown only on a length mismatch
    uint32_t bufferSize;
    const uint8_t* records[MAX_SNAPSHOT_PROCESSES];  // the record behind each snapshot entry
    HANDLE job;        // the job a --run command was started in, or null
    uint32_t jobRoot;  // the command's process
    ULONG_PTR jobList[2 + MAX_TREE_PROCESSES];  // JOBOBJECT_BASIC_PROCESS_ID_LIST
};

void InitProcessPlatform(ProcessSampler* sampler, SystemProcessQuery* query);
void FreeProcessPlatform(SystemProcessQuery* query);
// The tree of `rootPid` is also every process of `job`, which the query then reads (it is not
// closed here: it lives as long as the program).
void WatchJob(SystemProcessQuery* query, HANDLE job, uint32_t rootPid);

// The platform calls on their own, for tests.
int32_t ReadProcessAlone(uint32_t pid, ProcessCounters* out);
uint64_t CurrentFileTime();
uint64_t CurrentIntervalTime();
