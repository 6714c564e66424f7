#pragma once
#include "engine/Sampler.h"

// The descendant rule written the plain way: the root's entries and the entries marked on
// entry are the seeds; then up to 64 rounds in table order, each comparing every unmarked
// entry with every entry, a parent counting only when it was created no later than the child
// (less how far the clock was set back). The sampler must give exactly these marks.
inline void ReferenceMarkDescendants(SnapshotEntry* entries, int32_t count, uint32_t rootPid, uint64_t setBack = 0) {
    for (int32_t i = 0; i < count; i++) {
        if (entries[i].pid == rootPid) {
            entries[i].inTree = 1;
        }
    }
    for (int32_t round = 0; round < MAX_DESCENDANT_PASSES; round++) {
        bool marked = false;
        for (int32_t i = 0; i < count; i++) {
            if (entries[i].inTree || entries[i].parentPid == 0) {
                continue;
            }
            for (int32_t j = 0; j < count; j++) {
                if (entries[j].inTree && entries[j].pid == entries[i].parentPid &&
                    entries[i].creationTime + setBack >= entries[j].creationTime) {
                    entries[i].inTree = 1;
                    marked = true;
                    break;
                }
            }
        }
        if (!marked) {
            break;
        }
    }
}
