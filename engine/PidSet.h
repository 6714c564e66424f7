#pragma once
#include "base/Hash.h"

#include <cstdint>

// The pids of a list, found in constant time: a tree of 2048 members is looked up once per
// TCP row every tick, and once per process of the snapshot. The set refers into the list it
// was built from.

constexpr int32_t PID_SET_CAPACITY = 2048;
constexpr int32_t PID_SET_SLOTS = 2 * PID_SET_CAPACITY;  // a power of two, at most half full

// It starts zeroed; a build clears only the slots the one before used. `homes` has a bit for
// each slot that is some pid's first probe: most lookups are of pids that are not in the set,
// and half a kilobyte of bits answers them without touching the 16 KB of slots.
struct PidSet {
    const uint32_t* pids;
    int32_t count;
    uint64_t homes[PID_SET_SLOTS / 64];
    int32_t slots[PID_SET_SLOTS];  // list index + 1, 0 for an empty slot
    int32_t usedSlots[PID_SET_CAPACITY];
};

// At most PID_SET_CAPACITY pids of the list are taken.
void BuildPidSet(PidSet* set, const uint32_t* pids, int32_t count);
// Where a pid's probe starts.
inline uint32_t PidSetSlot(uint32_t pid) {
    return PidSlot(pid, 12);  // 12 bits: PID_SET_SLOTS
}
static_assert(PID_SET_SLOTS == 1 << 12, "PidSetSlot takes 12 bits");

// The index in the list of the first entry with the pid, or -1. Inline: a tick asks it for
// every process of the snapshot.
inline int32_t PidSetIndexOf(const PidSet* set, uint32_t pid) {
    const uint32_t home = PidSetSlot(pid);
    if (!(set->homes[home >> 6] & (uint64_t{1} << (home & 63)))) {
        return -1;
    }
    for (uint32_t slot = home; set->slots[slot] != 0; slot = (slot + 1) & (PID_SET_SLOTS - 1)) {
        if (set->pids[set->slots[slot] - 1] == pid) {
            return set->slots[slot] - 1;
        }
    }
    return -1;
}

inline bool PidSetContains(const PidSet* set, uint32_t pid) {
    return PidSetIndexOf(set, pid) >= 0;
}
