#include "engine/Sampler.h"

#include "base/Hash.h"
#include <cstring>

uint64_t FileTimeToU64(uint32_t lowPart, uint32_t highPart) {
    return (uint64_t{highPart} << 32) | lowPart;
}

namespace {

constexpr int32_t HASH_SLOTS = MAX_SNAPSHOT_PROCESSES * 2;
constexpr uint64_t CREATION_AHEAD_LIMIT = 86400ull * 10000000;  // a day in 100-ns units

int32_t SlotFor(DescendantScratch* s, uint32_t pid, bool insert) {
    uint32_t slot = PidSlot(pid, 12);  // 12 bits: HASH_SLOTS
    for (;;) {
        if (s->slots[slot] == 0) {
            if (!insert) {
                return -1;
            }
            s->slotPids[slot] = pid;
            s->usedSlots[s->usedCount++] = static_cast<int32_t>(slot);
            return static_cast<int32_t>(slot);
        }
        if (s->slotPids[slot] == pid) {
            return static_cast<int32_t>(slot);
        }
        slot = (slot + 1) & (HASH_SLOTS - 1);
    }
}

int32_t FirstChild(DescendantScratch* s, uint32_t pid) {
    int32_t slot = SlotFor(s, pid, false);
    return slot < 0 ? -1 : s->slots[slot] - 1;
}

// A child is created after its parent. An entry that names the pid of an older entry as its
// parent was started by an earlier process that had the same id, and is no child of it.
// Creation times are system times: `setBack` is how far the system clock was set back during
// the watch, by which a child started after that may seem older than its parent.
bool ChildOf(const SnapshotEntry* entries, int32_t child, int32_t parent, uint64_t setBack) {
    return entries[child].creationTime + setBack >= entries[parent].creationTime;
}

void Queue(DescendantScratch* s, int32_t pass, int32_t index) {
    s->pending[pass][index >> 6] |= uint64_t{1} << (index & 63);
}

int32_t LowestBit(uint64_t bits) {
    int32_t n = 0;
    while (!(bits & 1)) {
        bits >>= 1;
        n++;
    }
    return n;
}

}  // namespace

// An entry is marked in round r when an entry with its parent's pid was marked in an earlier
// round, or earlier in round r at a lower index. So each entry's round is the smallest over
// its parents of (the parent's round, +1 if the parent comes later in the table), with the
// children of the seeds in round 1. Entries are visited in (round, index) order from one bit
// set per round, so each entry is looked at once instead of the table being rescanned.
void MarkDescendants(SnapshotEntry* entries, int32_t count, uint32_t rootPid, uint64_t setBack, DescendantScratch* s) {
    if (count > MAX_SNAPSHOT_PROCESSES) {
        count = MAX_SNAPSHOT_PROCESSES;
    }
    for (int32_t i = 0; i < s->usedCount; i++) {
        s->slots[s->usedSlots[i]] = 0;
    }
    s->usedCount = 0;
    // No memset of `pending`: every bit queued by the last call was consumed by it.
    for (int32_t i = count - 1; i >= 0; i--) {
        s->nextSibling[i] = -1;
        if (entries[i].parentPid == 0) {
            continue;  // a parent id of 0 never links anything
        }
        int32_t slot = SlotFor(s, entries[i].parentPid, true);
        s->nextSibling[i] = s->slots[slot] - 1;
        s->slots[slot] = i + 1;
    }
    for (int32_t i = 0; i < count; i++) {
        if (entries[i].pid == rootPid) {
            entries[i].inTree = 1;
        }
    }
    for (int32_t i = 0; i < count; i++) {
        if (!entries[i].inTree) {
            continue;
        }
        for (int32_t c = FirstChild(s, entries[i].pid); c >= 0; c = s->nextSibling[c]) {
            if (!entries[c].inTree && ChildOf(entries, c, i, setBack)) {
                Queue(s, 1, c);
            }
        }
    }
    int32_t words = (count + 63) / 64;
    for (int32_t round = 1; round <= MAX_DESCENDANT_PASSES; round++) {
        for (int32_t w = 0; w < words; w++) {
            // Entries queued for this round from within it always lie at higher indexes, so
            // taking the lowest bit each time visits them in table order.
            uint64_t bits;
            while ((bits = s->pending[round][w]) != 0) {
                int32_t i = w * 64 + LowestBit(bits);
                s->pending[round][w] = bits & (bits - 1);
                if (entries[i].inTree) {
                    continue;
                }
                entries[i].inTree = 1;
                for (int32_t c = FirstChild(s, entries[i].pid); c >= 0; c = s->nextSibling[c]) {
                    if (entries[c].inTree || !ChildOf(entries, c, i, setBack)) {
                        continue;
                    }
                    int32_t next = c > i ? round : round + 1;
                    if (next <= MAX_DESCENDANT_PASSES) {
                        Queue(s, next, c);
                    }
                }
            }
        }
    }
}

static uint64_t Growth(uint64_t now, uint64_t before) {
    return now > before ? now - before : 0;  // a counter that went back adds nothing
}

// A system's list never holds one pid twice, so the first entry with the pid is the only one.
const ProcessCounters* FindPreviousCounters(const PreviousTable* previous, uint32_t pid, uint64_t creationTime) {
    int32_t i = previous->count > 0 ? PidSetIndexOf(&previous->index, pid) : -1;
    if (i < 0 || previous->entries[i].creationTime != creationTime) {
        return nullptr;
    }
    return &previous->entries[i];
}

void ClearPreviousTable(PreviousTable* previous) {
    previous->count = 0;
    previous->unchanged = false;
    previous->time = 0;
    previous->wallTime = 0;
    previous->valid = false;
}

ActivitySample SumCounterDeltas(PreviousTable* previous, const ProcessCounters* current, int32_t count,
                                uint64_t now, uint64_t wallNow, const PidSet* job, ActivitySample* jobPart) {
    ActivitySample s = {};
    ActivitySample inJob = {};
    if (count > MAX_TREE_PROCESSES) {
        count = MAX_TREE_PROCESSES;
    }
    s.processCount = count;
    if (previous->valid) {
        s.elapsed = now > previous->time ? now - previous->time : 0;
        // The interval's start in system time. Taken the earlier of the two ways, so a process
        // started after the system clock was set back still counts as started in the interval.
        uint64_t back = wallNow > s.elapsed ? wallNow - s.elapsed : 0;
        uint64_t started = back < previous->wallTime ? back : previous->wallTime;
        for (int32_t i = 0; i < count; i++) {
            const ProcessCounters* cur = &current[i];
            // A tree that started and lost nothing lists its members in the same order as before.
            const ProcessCounters* same = i < previous->count ? &previous->entries[i] : nullptr;
            const ProcessCounters* old = same && same->pid == cur->pid && same->creationTime == cur->creationTime
                                             ? same
                                             : FindPreviousCounters(previous, cur->pid, cur->creationTime);
            ActivitySample* into[2] = {&s, job && PidSetContains(job, cur->pid) ? &inJob : nullptr};
            for (ActivitySample* t : into) {
                if (!t) {
                    continue;
                }
                if (old) {
                    t->cpuTime += Growth(cur->cpuTime, old->cpuTime);
                    t->diskBytes += Growth(cur->ioBytes, old->ioBytes);
                    t->otherBytes += Growth(cur->otherBytes, old->otherBytes);
                    t->pageFaults += Growth(cur->pageFaults, old->pageFaults);
                } else if (cur->creationTime > started) {
                    // Started during the interval: everything it did belongs to this tick.
                    t->cpuTime += cur->cpuTime;
                    t->diskBytes += cur->ioBytes;
                    t->otherBytes += cur->otherBytes;
                    t->pageFaults += cur->pageFaults;
                    t->newProcesses++;
                }
                // Otherwise it existed but was not measured last time: this is its baseline.
            }
            s.workingSet += cur->workingSet;
        }
    }
    bool samePids = count == previous->count;
    bool unchanged = samePids;
    for (int32_t i = 0; i < count && samePids; i++) {
        samePids = previous->pids[i] == current[i].pid;
        unchanged = samePids && unchanged && previous->entries[i].creationTime == current[i].creationTime;
    }
    previous->unchanged = unchanged;
    memcpy(previous->entries, current, sizeof(ProcessCounters) * static_cast<size_t>(count));
    previous->count = count;
    previous->time = now;
    previous->wallTime = wallNow;
    previous->valid = true;
    if (!samePids) {
        for (int32_t i = 0; i < count; i++) {
            previous->pids[i] = current[i].pid;
        }
        BuildPidSet(&previous->index, previous->pids, count);
    }
    if (jobPart) {
        *jobPart = inJob;
    }
    return s;
}

void RebaselineWatchedTree(WatchedTree* tree) {
    tree->previous.valid = false;
    tree->jobTotalsValid = false;
}

// The system clock against the interval clock: they move together but for a clock that is set
// (and for sleep, which the interval clock leaves out and which moves the system clock ahead).
// Each step back of more than a second adds to how far the system clock was set back.
void NoteClockSteps(WatchedTree* tree, uint64_t wallNow, uint64_t intervalNow) {
    constexpr int64_t STEP = 10000000;  // a second: slewing and the read between the two clocks are less
    const int64_t offset = static_cast<int64_t>(wallNow - intervalNow);
    if (tree->clockOffsetKnown && offset < tree->clockOffset - STEP) {
        tree->clockSetBack += static_cast<uint64_t>(tree->clockOffset - offset);
    }
    tree->clockOffset = offset;
    tree->clockOffsetKnown = true;
}

int32_t AttachWatchedTree(ProcessSampler* sampler, WatchedTree* tree, uint32_t pid) {
    ClearPreviousTable(&tree->previous);
    tree->clockOffsetKnown = false;
    tree->clockSetBack = 0;
    tree->rootGone = false;
    tree->jobTotalsValid = false;
    tree->rootPid = pid;
    tree->rootCreationTime = 0;
    tree->attached = false;
    tree->memberCount = 0;
    ProcessCounters root;
    if (!sampler->platform.readProcess(sampler->platform.context, pid, &root)) {
        return 0;
    }
    tree->rootCreationTime = root.creationTime;
    tree->attached = true;
    return 1;
}

int32_t BeginSamplerRound(ProcessSampler* sampler) {
    const ProcessPlatform* p = &sampler->platform;
    int32_t count = p->snapshot(p->context, sampler->snapshot, MAX_SNAPSHOT_PROCESSES);
    sampler->roundCount = count < 0 ? 0 : (count > MAX_SNAPSHOT_PROCESSES ? MAX_SNAPSHOT_PROCESSES : count);
    for (uint64_t& word : sampler->roundRead) {
        word = 0;
    }
    sampler->roundOpen = true;
    return sampler->roundCount;
}

void EndSamplerRound(ProcessSampler* sampler) {
    sampler->roundOpen = false;
}

// The counters of a snapshot entry. Within a round an entry is read once, and trees that
// share a process share what was read.
static int32_t EntryCounters(ProcessSampler* sampler, int32_t index, ProcessCounters* out) {
    const ProcessPlatform* p = &sampler->platform;
    if (!sampler->roundOpen) {
        return p->snapshotCounters(p->context, index, out);
    }
    uint64_t bit = 1ull << (index & 63);
    uint64_t* word = &sampler->roundRead[index >> 6];
    if (!(*word & bit)) {
        *word |= bit;
        sampler->roundValid[index] = p->snapshotCounters(p->context, index, &sampler->roundCounters[index]);
    }
    if (sampler->roundValid[index]) {
        *out = sampler->roundCounters[index];
    }
    return sampler->roundValid[index];
}

// Reads the root from the snapshot when it is there. Without a snapshot, or when the list
// was cut at its capacity before the root, the root is read on its own.
static int32_t ReadRoot(ProcessSampler* sampler, const WatchedTree* tree, int32_t count, ProcessCounters* root) {
    const ProcessPlatform* p = &sampler->platform;
    for (int32_t i = 0; i < count; i++) {
        if (sampler->snapshot[i].pid == tree->rootPid) {
            return EntryCounters(sampler, i, root);
        }
    }
    if (count == 0 || count >= MAX_SNAPSHOT_PROCESSES) {
        return p->readProcess(p->context, tree->rootPid, root);
    }
    return 0;  // a complete list without the root: it has exited
}

namespace {

uint64_t Over(uint64_t total, uint64_t seen) {
    return total > seen ? total - seen : 0;
}

// Marks the entries of the job's processes: every one of them is the command's, whatever
// became of its parent (a launcher that exited before the first sample, say). Returns whether
// the job could be read; `added` counts the entries it marked that were not marked before.
bool MarkJobMembers(ProcessSampler* sampler, const WatchedTree* tree, int32_t count, int32_t* added) {
    const ProcessPlatform* p = &sampler->platform;
    *added = 0;
    int32_t n = p->jobMembers ? p->jobMembers(p->context, tree->rootPid, sampler->jobPids, MAX_TREE_PROCESSES) : -1;
    if (n < 0) {
        return false;
    }
    BuildPidSet(&sampler->jobIndex, sampler->jobPids, n > MAX_TREE_PROCESSES ? MAX_TREE_PROCESSES : n);
    for (int32_t i = 0; i < count; i++) {
        if (!sampler->snapshot[i].inTree && PidSetContains(&sampler->jobIndex, sampler->snapshot[i].pid)) {
            sampler->snapshot[i].inTree = 1;
            (*added)++;
        }
    }
    return true;
}

// Marks the last tick's members that still live, each entry looked up once: is it a member,
// and is its parent one. Returns whether some other entry names a member as its parent (a new
// child, or a stranger with a reused parent id: the full search tells them apart). When none
// does and the root is among the members, the members are the whole tree and no search is
// needed: this is every tick of a tree that started nothing new. The root, while it lives, is
// always one of the last tick's members.
bool CarryMembers(ProcessSampler* sampler, const WatchedTree* tree, int32_t count) {
    const PreviousTable* previous = &tree->previous;
    if (previous->count == 0) {
        for (int32_t i = 0; i < count; i++) {
            sampler->snapshot[i].inTree = 0;
        }
        sampler->markedCount = 0;
        return true;
    }
    bool childSeen = false;
    int32_t marked = 0;
    for (int32_t i = 0; i < count; i++) {
        SnapshotEntry* e = &sampler->snapshot[i];
        int32_t m = PidSetIndexOf(&previous->index, e->pid);
        e->inTree = m >= 0 && previous->entries[m].creationTime == e->creationTime;
        if (e->inTree) {
            sampler->marked[marked++] = i;
        } else if (!childSeen && e->parentPid != 0) {
            int32_t parent = PidSetIndexOf(&previous->index, e->parentPid);
            childSeen = parent >= 0 && e->creationTime + tree->clockSetBack >= previous->entries[parent].creationTime;
        }
    }
    sampler->markedCount = marked;
    return childSeen;
}

// The job's accounting covers its processes that ended between two samples, whose last work
// no snapshot shows: what it counts beyond what its living members show is added.
void AddEndedJobWork(ProcessSampler* sampler, WatchedTree* tree, bool jobRead, const ActivitySample* jobPart,
                     ActivitySample* sample) {
    const ProcessPlatform* p = &sampler->platform;
    JobTotals now = {};
    bool have = jobRead && p->jobTotals && p->jobTotals(p->context, tree->rootPid, &now);
    if (have && tree->jobTotalsValid && sample->elapsed > 0) {
        const JobTotals& was = tree->jobTotals;
        sample->cpuTime += Over(Over(now.cpuTime, was.cpuTime), jobPart->cpuTime);
        sample->diskBytes += Over(Over(now.ioBytes, was.ioBytes), jobPart->diskBytes);
        sample->otherBytes += Over(Over(now.otherBytes, was.otherBytes), jobPart->otherBytes);
        sample->pageFaults += Over(Over(now.pageFaults, was.pageFaults), jobPart->pageFaults);
        uint64_t started = Over(now.processes, was.processes);
        if (started > static_cast<uint64_t>(sample->newProcesses)) {
            sample->newProcesses = static_cast<int32_t>(started > 0x7FFFFFFF ? 0x7FFFFFFF : started);
        }
    }
    tree->jobTotals = now;
    tree->jobTotalsValid = have;
}

}  // namespace

int32_t SampleWatchedTree(ProcessSampler* sampler, WatchedTree* tree, ActivitySample* sample) {
    *sample = ActivitySample{};
    const int32_t lastMembers = tree->previous.count;
    tree->memberCount = 0;
    if (!tree->attached) {
        return 0;
    }
    const ProcessPlatform* p = &sampler->platform;
    int32_t count = sampler->roundOpen ? sampler->roundCount
                                       : p->snapshot(p->context, sampler->snapshot, MAX_SNAPSHOT_PROCESSES);
    if (count > MAX_SNAPSHOT_PROCESSES) {
        count = MAX_SNAPSHOT_PROCESSES;
    }
    // Once gone, the root never comes back: its id may now belong to another process.
    ProcessCounters root;
    const bool rootHere =
        !tree->rootGone && ReadRoot(sampler, tree, count, &root) && root.creationTime == tree->rootCreationTime;
    if (!rootHere) {
        tree->rootGone = true;
    }
    if (count <= 0) {
        // No list: nothing is measured; the previous counters stay, so the next good sample
        // covers both intervals. Without the root, only a list could show the rest of the tree.
        if (!rootHere && lastMembers <= 1) {
            tree->attached = false;
            return 0;
        }
        sample->processCount = rootHere ? 1 : 0;
        return 1;
    }
    // Members of the last sample that still live seed the tree alongside the root, so a
    // process whose parent exited (a compiler started by a short-lived shell) stays in it.
    const uint64_t wallNow = p->wallTime(p->context);
    const uint64_t intervalNow = p->intervalTime(p->context);
    NoteClockSteps(tree, wallNow, intervalNow);
    const bool search = CarryMembers(sampler, tree, count);
    int32_t jobAdded = 0;
    const bool jobRead = MarkJobMembers(sampler, tree, count, &jobAdded);
    if (search || jobAdded > 0) {
        MarkDescendants(sampler->snapshot, count, rootHere ? tree->rootPid : 0, tree->clockSetBack,
                        &sampler->descendants);
        sampler->markedCount = 0;
        for (int32_t i = 0; i < count; i++) {
            if (sampler->snapshot[i].inTree) {
                sampler->marked[sampler->markedCount++] = i;
            }
        }
    }

    // A creation time more than a day ahead of the clock is not one yet: Wine reports a
    // placeholder while a process is still being set up. Such a process waits a tick, or it
    // would be remembered under a time it never has again.
    const uint64_t latestCreation = wallNow + CREATION_AHEAD_LIMIT;
    ProcessCounters* current = sampler->current;
    int32_t members = 0;
    if (rootHere) {
        current[0] = root;
        tree->memberPids[0] = tree->rootPid;
        members = 1;
    }
    for (int32_t k = 0; k < sampler->markedCount && members < MAX_TREE_PROCESSES; k++) {
        const int32_t i = sampler->marked[k];
        const SnapshotEntry* e = &sampler->snapshot[i];
        if (rootHere && e->pid == tree->rootPid) {
            continue;
        }
        if (!EntryCounters(sampler, i, &current[members])) {
            continue;
        }
        // Created before the root: it cannot be the root's child. Its parent id belongs to
        // an older process that had the same id.
        if (current[members].creationTime + tree->clockSetBack < tree->rootCreationTime ||
            current[members].creationTime > latestCreation) {
            continue;
        }
        tree->memberPids[members] = e->pid;
        members++;
    }
    if (members == 0) {
        tree->attached = false;  // the root and everything it started have exited
        return 0;
    }
    tree->memberCount = members;
    ActivitySample jobPart = {};
    *sample = SumCounterDeltas(&tree->previous, current, members, intervalNow, wallNow,
                               jobRead ? &sampler->jobIndex : nullptr, &jobPart);
    AddEndedJobWork(sampler, tree, jobRead, &jobPart, sample);
    return 1;
}
