#pragma once
#include "engine/PidSet.h"
#include "engine/Sampler.h"

#include <cstdint>

// How busy the watched tree keeps the graphics processors. Windows keeps, for each process and
// each engine (node) of each adapter, the time the engine ran that process's work. Over an
// interval the members' growth is summed per engine, and the measure is the busiest engine's
// share of the interval in permille: what Task Manager shows as a process's GPU use, never more
// than 1000 however many engines of different kinds are busy.
//
// Reading every engine of every member each second would be thousands of kernel calls for a
// large tree, so only members that showed GPU time lately are read in full every tick; the
// others are read in turn, each at least once in GPU_PROBE_TICKS ticks, and join the full
// reads when their time grew. A process handle is opened once per member and kept while it is
// one.
//
// Where Windows keeps no statistics (builds before GPU_FIRST_BUILD, no WDDM 2 driver, Wine, a
// member that never used the GPU) the reads come back empty: that is "no data", never an idle
// GPU, and the measure is then not known.

constexpr int32_t GPU_MAX_ADAPTERS = 8;
constexpr int32_t GPU_MAX_ENGINES = 64;      // over every adapter followed: a bit each
constexpr int32_t GPU_ACTIVE_SLOTS = 128;    // members read on every engine every tick
constexpr int32_t GPU_PROBE_TICKS = 7;       // each other member is read once in this many ticks
constexpr int32_t GPU_QUIET_TICKS = 8;       // a member whose time stopped growing is probed again
constexpr uint64_t GPU_RELIST_GAP = 60ull * 10000000;  // adapters listed again at most once a minute
constexpr uint32_t GPU_FIRST_BUILD = 17134;  // earlier builds misreport, or crash in this path

enum class GpuRead : int32_t {
    Failed,  // the adapter did not answer: its LUID is gone (a driver update, a removed eGPU)
    Empty,   // nothing kept for this process on this engine
    Value,
};

struct GpuAdapter {
    uint32_t luidLow;
    int32_t luidHigh;
    uint32_t nodeCount;
    bool software;  // the Basic Render Driver: processor work, never read
};

// The statistics under the measure. The Windows layer calls gdi32's D3DKMT functions, found at
// run time; tests answer from tables.
struct GpuPlatform {
    void* context;
    uint32_t (*windowsBuild)(void* context);
    // The adapters, up to capacity; -1 when they cannot be listed (no such call).
    int32_t (*listAdapters)(void* context, GpuAdapter* adapters, int32_t capacity);
    // A handle the reads of a process need; null when it cannot be opened.
    void* (*openProcess)(void* context, uint32_t pid);
    void (*closeProcess)(void* context, void* process);
    // The process's running time on one engine, in 100 ns units.
    GpuRead (*readEngine)(void* context, void* process, const GpuAdapter* adapter, uint32_t node,
                          uint64_t* runningTime);
    // The same for every engine of the adapter, 0 where empty: Value when any engine had data,
    // Failed as soon as the adapter fails (what was read then is not kept).
    GpuRead (*readAdapter)(void* context, void* process, const GpuAdapter* adapter, uint64_t* runningTimes);
};

// Shared by every watch: the platform, and the adapters as last listed.
struct GpuSource {
    GpuPlatform platform;
    bool checked;      // the build was looked at
    bool supported;    // and is new enough
    bool listed;
    bool stale;        // an adapter failed since: list them again, once the gap has passed
    uint64_t listedAt; // on the interval clock
    uint32_t generation;  // changes with every listing: engine numbers may mean other engines
    GpuAdapter adapters[GPU_MAX_ADAPTERS];
    int32_t firstEngine[GPU_MAX_ADAPTERS];
    uint8_t engineAdapter[GPU_MAX_ENGINES];  // each engine's adapter and node
    uint8_t engineNode[GPU_MAX_ENGINES];
    bool failed[GPU_MAX_ADAPTERS];  // not read again until the next listing
    int32_t adapterCount;
    int32_t engineCount;
};

struct GpuMember {
    uint32_t pid;
    uint64_t creationTime;
    void* process;      // null: it could not be opened, and is not read
    int32_t slot;       // its full reads, or -1 while it is probed
    uint64_t total;     // its time over every engine at the last probe
    bool totalKnown;
    bool started;       // it started lately: GPU time at its first probe is new work
    bool hasData;       // some read of it was not empty
    uint64_t probeDue;  // the tick of its next probe
};

// A member read every tick, on the engines it uses; on every engine once in GPU_PROBE_TICKS
// ticks, which finds an engine it starts using.
struct GpuSlot {
    uint64_t running[GPU_MAX_ENGINES];
    uint64_t engines;   // a bit for each engine it ran on
    int32_t sinceFull;  // ticks since every engine was read
    uint64_t at;        // interval clock of the reads
    bool baseline;      // the reads are there to take growth from
    int32_t quietTicks;
    bool used;
};

// One watch's members and what was read of them. It starts zeroed.
struct GpuUsage {
    GpuSource* source;  // that opened the handles
    GpuMember members[MAX_TREE_PROCESSES];  // a pool: a free entry has pid 0
    uint32_t pids[MAX_TREE_PROCESSES];      // the entries' pids, which `index` refers into
    PidSet index;
    int32_t used;       // entries up to the last one in use
    uint32_t seen[MAX_TREE_PROCESSES];
    uint32_t stamp;
    int32_t pending[MAX_TREE_PROCESSES];    // members of the tree to add at this sync
    GpuSlot slots[GPU_ACTIVE_SLOTS];
    uint32_t generation;
    uint64_t tick;
    uint64_t spread;    // staggers the first probes of members that join together
    bool synced;        // the members are those of the tree's last sample
    int32_t calls;      // engine reads in the last tick
    uint32_t engineRate[GPU_MAX_ENGINES];
};

// The tree's members of its last sample (`tree->previous`), read at `now` on the interval clock.
// `sample->gpu` and `sample->gpuKnown` are set; gpuKnown is false with no data from any member.
void SampleGpu(GpuSource* source, GpuUsage* usage, const WatchedTree* tree, uint64_t now, ActivitySample* sample);
// Closes every handle the usage holds: the watch ended, or follows another tree.
void ReleaseGpuUsage(GpuUsage* usage);
