#include "engine/PidSet.h"

void BuildPidSet(PidSet* set, const uint32_t* pids, int32_t count) {
    for (int32_t i = 0; i < set->count; i++) {
        set->slots[set->usedSlots[i]] = 0;
    }
    for (uint64_t& word : set->homes) {
        word = 0;
    }
    set->pids = pids;
    set->count = count < 0 ? 0 : count > PID_SET_CAPACITY ? PID_SET_CAPACITY : count;
    for (int32_t i = 0; i < set->count; i++) {
        uint32_t slot = PidSetSlot(pids[i]);
        set->homes[slot >> 6] |= uint64_t{1} << (slot & 63);
        while (set->slots[slot] != 0) {
            slot = (slot + 1) & (PID_SET_SLOTS - 1);
        }
        set->slots[slot] = i + 1;
        set->usedSlots[i] = static_cast<int32_t>(slot);
    }
}
