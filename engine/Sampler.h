#pragma once
#include "engine/PidSet.h"

#include <cstdint>

// Follows one process and everything it spawned, and turns each second's cumulative counters
// into the totals of one interval. A process is known by its id and its creation time, so a
// reused id is never mistaken for the process that had it before. Once a process belongs to
// the tree it stays a member while it lives, even after its parent has exited.

constexpr int MAX_SNAPSHOT_PROCESSES = 2048;
constexpr int MAX_TREE_PROCESSES = MAX_SNAPSHOT_PROCESSES;  // a tree may fill a whole snapshot
constexpr int MAX_DESCENDANT_PASSES = 64;
static_assert(PID_SET_CAPACITY >= MAX_TREE_PROCESSES, "every member is indexed");

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

// What a job object counts over every process it ever held, those that ended included.
struct JobTotals {
    uint64_t cpuTime;
    uint64_t ioBytes;
    uint64_t otherBytes;
    uint64_t pageFaults;
    uint64_t processes;  // processes ever assigned
};

struct SnapshotEntry {
    uint32_t pid;
    uint32_t parentPid;
    uint64_t creationTime;
    uint8_t inTree;
};

// The members measured at the previous sample. `index` finds an entry by its pid in constant
// time; `time` is on the interval clock, `wallTime` the system time then.
struct PreviousTable {
    ProcessCounters entries[MAX_TREE_PROCESSES];
    uint32_t pids[MAX_TREE_PROCESSES];  // the entries' pids, which `index` refers into
    PidSet index;
    int32_t count;
    uint64_t time;
    uint64_t wallTime;
    bool valid;  // false: the entries are the members, but no interval starts from them
    bool unchanged;  // the members are those of the sample before, in the same order
};

struct WatchedTree {
    uint32_t rootPid;
    uint64_t rootCreationTime;
    PreviousTable previous;
    bool attached;
    uint32_t memberPids[MAX_TREE_PROCESSES];  // root first
    int32_t memberCount;
    int64_t clockOffset;    // the system time less the interval time at the last sample
    bool clockOffsetKnown;
    uint64_t clockSetBack;  // how far the system clock was set back since the tree was attached
    bool rootGone;          // the root has exited; the processes it started may live on
    JobTotals jobTotals;    // the job's accounting at the last sample
    bool jobTotalsValid;
};

struct ActivitySample {
    uint64_t cpuTime;
    uint64_t diskBytes;
    uint64_t otherBytes;
    uint64_t pageFaults;
    uint64_t workingSet;
    uint64_t elapsed;      // 0 when the sample covers no interval
    int32_t processCount;
    int32_t newProcesses;  // members started during the interval that were not members before
    uint32_t gpu;          // permille of the busiest GPU engine, while `gpuKnown`
    bool gpuKnown;         // Windows keeps GPU statistics of some member
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
    // A clock that only moves forward and stops while the machine sleeps: intervals are
    // measured on it, so a clock set by hand or by time sync never stretches or shrinks one.
    uint64_t (*intervalTime)(void* context);
    // The system time, which process creation times are compared with.
    uint64_t (*wallTime)(void* context);
    // The image name of entry `index` of the last snapshot ("ffmpeg.exe"), cut to capacity - 1
    // units and ended; its length, 0 when it has none. May be null: no names are read.
    int32_t (*snapshotImage)(void* context, int32_t index, char16_t* out, int32_t capacity);
    // The processes of the job a command was started in, when the tree's root is such a
    // command and the job can be read: up to capacity pids, or -1 (no job, or none readable).
    int32_t (*jobMembers)(void* context, uint32_t rootPid, uint32_t* pids, int32_t capacity);
    // That job's accounting; false when there is no job or it keeps none (Wine's).
    bool (*jobTotals)(void* context, uint32_t rootPid, JobTotals* out);
};

// Working memory for finding descendants in time linear in the snapshot. It starts zeroed and
// is left clean by every call: only the slots a call used are cleared, and every pending bit
// is consumed, so a tick clears a few hundred entries rather than kilobytes.
struct DescendantScratch {
    int32_t slots[MAX_SNAPSHOT_PROCESSES * 2];     // parent pid hash -> first child + 1, 0 empty
    uint32_t slotPids[MAX_SNAPSHOT_PROCESSES * 2];
    int32_t usedSlots[MAX_SNAPSHOT_PROCESSES];
    int32_t usedCount;
    int32_t nextSibling[MAX_SNAPSHOT_PROCESSES];
    uint64_t pending[MAX_DESCENDANT_PASSES + 1][MAX_SNAPSHOT_PROCESSES / 64];
};

// The sampler's platform and its scratch tables, allocated once for the program's life.
struct ProcessSampler {
    ProcessPlatform platform;
    SnapshotEntry snapshot[MAX_SNAPSHOT_PROCESSES];
    ProcessCounters current[MAX_TREE_PROCESSES];
    DescendantScratch descendants;
    int32_t marked[MAX_SNAPSHOT_PROCESSES];  // the indexes of the snapshot's members, in its order
    int32_t markedCount;
    uint32_t jobPids[MAX_TREE_PROCESSES];
    PidSet jobIndex;
    // A round: one process list that every tree of a tick is sampled from, each process's
    // counters read from it once however many trees hold it.
    bool roundOpen;
    int32_t roundCount;
    uint64_t roundRead[MAX_SNAPSHOT_PROCESSES / 64];
    int32_t roundValid[MAX_SNAPSHOT_PROCESSES];  // 1: roundCounters holds the entry's counters
    ProcessCounters roundCounters[MAX_SNAPSHOT_PROCESSES];
};

// Takes the process list that every tree sampled until EndSamplerRound shares. Returns its
// length (0: no list could be taken).
int32_t BeginSamplerRound(ProcessSampler* sampler);
void EndSamplerRound(ProcessSampler* sampler);

int32_t AttachWatchedTree(ProcessSampler* sampler, WatchedTree* tree, uint32_t pid);
// 0 once the tree is empty: its root and every process that joined it have exited. When the
// root exits first, the tree goes on with the processes it started (and `rootGone` is set).
int32_t SampleWatchedTree(ProcessSampler* sampler, WatchedTree* tree, ActivitySample* sample);
// The index of the members of the last sample that found any (`memberCount` > 0).
inline const PidSet* TreeMembers(const WatchedTree* tree) {
    return &tree->previous.index;
}
// The next sample is a new baseline (after the machine slept); the members stay members.
void RebaselineWatchedTree(WatchedTree* tree);

uint64_t FileTimeToU64(uint32_t lowPart, uint32_t highPart);

// Marks the root's entries, the entries already marked on entry (members that outlived their
// parents), and every entry whose parent chain reaches one of them, each link from a child to
// a parent created no later than it (less `setBack`, how far the system clock was set back). Following parent ids is
// done in up to 64 rounds over the table in its order, a round marking an entry when an
// entry marked before it has its parent's pid: the work per tick stays bounded however the
// system orders its list, and a deeper tree is found over the following ticks.
void MarkDescendants(SnapshotEntry* entries, int32_t count, uint32_t rootPid, uint64_t setBack,
                     DescendantScratch* scratch);
// Adds to the tree's clockSetBack each step back of the system clock against the interval clock.
void NoteClockSteps(WatchedTree* tree, uint64_t wallNow, uint64_t intervalNow);

const ProcessCounters* FindPreviousCounters(const PreviousTable* previous, uint32_t pid, uint64_t creationTime);
void ClearPreviousTable(PreviousTable* previous);
// now is on the interval clock, wallNow the system time. `job`, when not null, holds the pids
// of a job's processes: what those members add is also summed into `jobPart`.
ActivitySample SumCounterDeltas(PreviousTable* previous, const ProcessCounters* current, int32_t count,
                                uint64_t now, uint64_t wallNow, const PidSet* job = nullptr,
                                ActivitySample* jobPart = nullptr);
