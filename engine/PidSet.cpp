#include "engine/PidSet.h"

static uint32_t Slot(uint32_t pid) {
    return (pid * 2654435761u) >> (32 - 12);  // 12 bits: PID_SET_SLOTS
}
static_assert(PID_SET_SLOTS == 1 << 12, "Slot takes 12 bits");

void BuildPidSet(PidSet* set, const uint32_t* pids, int32_t count) {
    for (int32_t i = 0; i < set->count; i++) {
        set->slots[set->usedSlots[i]] = 0;
    }
    set->pids = pids;
    set->count = count < 0 ? 0 : count > PID_SET_CAPACITY ? PID_SET_CAPACITY : count;
    for (int32_t i = 0; i < set->count; i++) {
        uint32_t slot = Slot(pids[i]);
        while (set->slots[slot] != 0) {
            slot = (slot + 1) & (PID_SET_SLOTS - 1);
        }
        set->slots[slot] = i + 1;
        set->usedSlots[i] = static_cast<int32_t>(slot);
    }
}

bool PidSetContains(const PidSet* set, uint32_t pid) {
    for (uint32_t slot = Slot(pid); set->slots[slot] != 0; slot = (slot + 1) & (PID_SET_SLOTS - 1)) {
        if (set->pids[set->slots[slot] - 1] == pid) {
            return true;
        }
    }
    return false;
}
