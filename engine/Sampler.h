#pragma once
#include <cstdint>

// Follows one process and everything it spawned, and turns each second's cumulative counters
// into the totals of one interval. A process is known by its id and its creation time, so a
// reused id is never mistaken for the process that had it before.

constexpr int MAX_SNAPSHOT_PROCESSES = 2048;
constexpr int MAX_TREE_PROCESSES = 256;
constexpr int MAX_DESCENDANT_PASSES = 64;

// Times are 100-ns units, as FILETIME holds them.
struct ProcessCounters {
    uint32_t pid;
    uint64_t creationTime;
    uint64_t cpuTime;      // kernel + user
    uint64_t ioBytes;      // read + write transfer
    uint64_t otherBytes;   // other transfer
    uint64_t pageFaults;
    uint64_t workingSet;   // bytes
};

struct SnapshotEntry {
    uint32_t pid;
    uint32_t parentPid;
    uint8_t inTree;
};

struct PreviousTable {
    ProcessCounters entries[MAX_TREE_PROCESSES];
    int32_t count;
    uint64_t time;
    int32_t valid;
};

struct WatchedTree {
    uint32_t rootPid;
    uint64_t rootCreationTime;
    PreviousTable previous;
    int32_t attached;
    uint32_t memberPids[MAX_TREE_PROCESSES];  // root first
    int32_t memberCount;
};

struct ActivitySample {
    uint64_t cpuTime;
    uint64_t diskBytes;
    uint64_t otherBytes;
    uint64_t pageFaults;
    uint64_t workingSet;
    uint64_t elapsed;      // 0 when the sample covers no interval
    int32_t processCount;
};

// The platform under the sampler. The Windows layer answers from one system-wide process
// query per tick; tests answer from tables.
struct ProcessPlatform {
    void* context;
    // The system's processes in its own order: up to capacity entries with pid and parent pid
    // (inTree cleared). Returns the number filled, 0 when no list could be taken.
    int32_t (*snapshot)(void* context, SnapshotEntry* entries, int32_t capacity);
    // The counters of entry `index` of the last snapshot; 1, or 0 when they cannot be read.
    int32_t (*snapshotCounters)(void* context, int32_t index, ProcessCounters* out);
    // One process read on its own: for attaching, and for the root when there is no list.
    int32_t (*readProcess)(void* context, uint32_t pid, ProcessCounters* out);
    uint64_t (*currentTime)(void* context);
};

// Working memory for finding descendants in linear time rather than pass by pass.
struct DescendantScratch {
    int32_t slots[MAX_SNAPSHOT_PROCESSES * 2];     // parent pid hash -> first child, -1 empty
    uint32_t slotPids[MAX_SNAPSHOT_PROCESSES * 2];
    int32_t nextSibling[MAX_SNAPSHOT_PROCESSES];
    uint64_t pending[MAX_DESCENDANT_PASSES + 1][MAX_SNAPSHOT_PROCESSES / 64];
};

// The sampler's platform and its scratch tables, allocated once for the program's life.
struct ProcessSampler {
    ProcessPlatform platform;
    SnapshotEntry snapshot[MAX_SNAPSHOT_PROCESSES];
    int32_t snapshotIndex[MAX_TREE_PROCESSES];
    ProcessCounters current[MAX_TREE_PROCESSES];
    DescendantScratch descendants;
};

int32_t AttachWatchedTree(ProcessSampler* sampler, WatchedTree* tree, uint32_t pid);
int32_t SampleWatchedTree(ProcessSampler* sampler, WatchedTree* tree, ActivitySample* sample);

uint64_t FileTimeToU64(uint32_t lowPart, uint32_t highPart);

// Marks the root's entries and every entry whose parent chain reaches them, exactly as
// repeated passes in table order would: a pass marks an entry when an entry marked before it
// (in this pass or an earlier one) has its parent's pid, and at most 64 passes are made.
void MarkDescendants(SnapshotEntry* entries, int32_t count, uint32_t rootPid, DescendantScratch* scratch);

const ProcessCounters* FindPreviousCounters(const PreviousTable* previous, uint32_t pid, uint64_t creationTime,
                                            int32_t hint);
void ClearPreviousTable(PreviousTable* previous);
ActivitySample SumCounterDeltas(PreviousTable* previous, const ProcessCounters* current, int32_t count,
                                uint64_t now);
