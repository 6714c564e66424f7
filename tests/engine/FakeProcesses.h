#pragma once
#include "engine/Sampler.h"

#include <cstddef>
#include <string>
#include <vector>

// A process table the tests write by hand, behind the sampler's platform seam.
struct FakeProcess {
    uint32_t pid;
    uint32_t parentPid;
    ProcessCounters counters;  // counters.pid is filled from pid
    bool readable = true;
    bool inJob = false;        // in the job of the command whose root is jobRoot
    std::u16string image;      // its image name, "" for none
};

struct FakeProcesses {
    std::vector<FakeProcess> list;
    uint64_t now = 0;          // the interval clock
    int64_t wallOffset = 0;    // the system clock is now + wallOffset: set it to step the clock
    bool snapshotFails = false;
    int snapshots = 0;
    std::vector<uint32_t> countersRead;  // the pid of each counters read from a snapshot, in order
    uint32_t jobRoot = 0;      // the root of a command started in a job; 0: no job
    bool jobAccounting = false;
    JobTotals jobTotals = {};  // what the job counted, the processes that ended included

    FakeProcess* Find(uint32_t pid) {
        for (FakeProcess& p : list) {
            if (p.pid == pid) {
                return &p;
            }
        }
        return nullptr;
    }

    // Adds a process created at `created` with the given cumulative cpu time.
    FakeProcess& Add(uint32_t pid, uint32_t parent, uint64_t created, uint64_t cpu = 0) {
        FakeProcess p{pid, parent, {}, true, false, {}};
        p.counters.pid = pid;
        p.counters.creationTime = created;
        p.counters.cpuTime = cpu;
        list.push_back(p);
        return list.back();
    }

    ProcessPlatform Platform() {
        return ProcessPlatform{
            .context = this,
            .snapshot = Snapshot,
            .snapshotCounters = SnapshotCounters,
            .readProcess = ReadProcess,
            .intervalTime = Now,
            .wallTime = Wall,
            .snapshotImage = SnapshotImage,
            .jobMembers = JobMembers,
            .jobTotals = Totals,
        };
    }

    static int32_t Snapshot(void* c, SnapshotEntry* entries, int32_t capacity) {
        auto* f = static_cast<FakeProcesses*>(c);
        f->snapshots++;
        if (f->snapshotFails) {
            return 0;
        }
        int32_t n = 0;
        for (const FakeProcess& p : f->list) {
            if (n == capacity) {
                break;
            }
            entries[n++] = SnapshotEntry{p.pid, p.parentPid, p.counters.creationTime, 0};
        }
        return n;
    }
    static int32_t SnapshotImage(void* c, int32_t index, char16_t* out, int32_t capacity) {
        const std::u16string& image = static_cast<FakeProcesses*>(c)->list[static_cast<size_t>(index)].image;
        int32_t n = static_cast<int32_t>(image.size()) < capacity - 1 ? static_cast<int32_t>(image.size()) : capacity - 1;
        image.copy(out, static_cast<size_t>(n));
        out[n] = 0;
        return n;
    }
    static int32_t SnapshotCounters(void* c, int32_t index, ProcessCounters* out) {
        auto* f = static_cast<FakeProcesses*>(c);
        f->countersRead.push_back(f->list[static_cast<size_t>(index)].pid);
        const FakeProcess& p = f->list[static_cast<size_t>(index)];
        if (!p.readable) {
            return 0;
        }
        *out = p.counters;
        return 1;
    }
    static int32_t ReadProcess(void* c, uint32_t pid, ProcessCounters* out) {
        FakeProcess* p = static_cast<FakeProcesses*>(c)->Find(pid);
        if (!p || !p->readable) {
            return 0;
        }
        *out = p->counters;
        return 1;
    }
    static int32_t JobMembers(void* c, uint32_t rootPid, uint32_t* pids, int32_t capacity) {
        auto* f = static_cast<FakeProcesses*>(c);
        if (f->jobRoot == 0 || f->jobRoot != rootPid) {
            return -1;
        }
        int32_t n = 0;
        for (const FakeProcess& p : f->list) {
            if (p.inJob && n < capacity) {
                pids[n++] = p.pid;
            }
        }
        return n;
    }
    static bool Totals(void* c, uint32_t rootPid, JobTotals* out) {
        auto* f = static_cast<FakeProcesses*>(c);
        if (f->jobRoot == 0 || f->jobRoot != rootPid || !f->jobAccounting) {
            return false;
        }
        *out = f->jobTotals;
        return true;
    }
    static uint64_t Now(void* c) { return static_cast<FakeProcesses*>(c)->now; }
    static uint64_t Wall(void* c) {
        auto* f = static_cast<FakeProcesses*>(c);
        return f->now + static_cast<uint64_t>(f->wallOffset);
    }
};
