#pragma once
#include <cstdint>

// The pids of a list, found in constant time: a tree of 2048 members is looked up once per
// TCP row every tick. The set refers into the list it was built from.

constexpr int32_t PID_SET_CAPACITY = 2048;
constexpr int32_t PID_SET_SLOTS = 2 * PID_SET_CAPACITY;  // a power of two, at most half full

// It starts zeroed; a build clears only the slots the one before used.
struct PidSet {
    const uint32_t* pids;
    int32_t count;
    int32_t slots[PID_SET_SLOTS];  // list index + 1, 0 for an empty slot
    int32_t usedSlots[PID_SET_CAPACITY];
};

// At most PID_SET_CAPACITY pids of the list are taken.
void BuildPidSet(PidSet* set, const uint32_t* pids, int32_t count);
bool PidSetContains(const PidSet* set, uint32_t pid);
