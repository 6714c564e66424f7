#include "engine/Arming.h"

#include "base/CaseFold.h"

void ArmAfresh(ArmingState* a) {
    a->everything = true;
}

namespace {

bool Looked(const ArmingState* a, uint32_t pid, uint64_t creationTime) {
    if (a->everything) {
        return false;
    }
    const int32_t i = PidSetIndexOf(&a->known[a->current], pid);
    return i >= 0 && a->times[a->current][i] == creationTime;
}

int32_t ImageOf(const char16_t* name, const char16_t* const* images, int32_t imageCount) {
    for (int32_t i = 0; i < imageCount; i++) {
        if (EqualIgnoringCase(name, images[i])) {
            return i;
        }
    }
    return -1;
}

bool Watched(uint32_t pid, const PidSet* const* watched, int32_t watchedCount) {
    for (int32_t t = 0; t < watchedCount; t++) {
        if (PidSetContains(watched[t], pid)) {
            return true;
        }
    }
    return false;
}

}  // namespace

int32_t FindArmedProcesses(ArmingState* a, ProcessSampler* sampler, const char16_t* const* images,
                           int32_t imageCount, const PidSet* const* watched, int32_t watchedCount, ArmedProcess* out,
                           int32_t capacity) {
    const ProcessPlatform* p = &sampler->platform;
    const int32_t count = sampler->roundCount;
    if (count <= 0) {
        return 0;  // no list: the last look stands
    }
    const int32_t next = 1 - a->current;
    int32_t kept = 0;
    int32_t found = 0;
    for (int32_t i = 0; i < count; i++) {
        const SnapshotEntry* e = &sampler->snapshot[i];
        bool look = !Looked(a, e->pid, e->creationTime);
        if (look && imageCount > 0 && p->snapshotImage && !Watched(e->pid, watched, watchedCount)) {
            char16_t name[APP_IMAGE_CAPACITY];
            p->snapshotImage(p->context, i, name, APP_IMAGE_CAPACITY);
            const int32_t image = ImageOf(name, images, imageCount);
            if (image >= 0) {
                bool child = false;
                for (int32_t k = 0; k < found && !child; k++) {
                    child = e->parentPid == out[k].pid;
                }
                if (!child) {
                    if (found == capacity) {
                        continue;  // no room: looked at again next time
                    }
                    out[found++] = ArmedProcess{e->pid, i, image};
                }
            }
        }
        a->pids[next][kept] = e->pid;
        a->times[next][kept] = e->creationTime;
        kept++;
    }
    a->counts[next] = kept;
    BuildPidSet(&a->known[next], a->pids[next], kept);
    a->current = next;
    a->everything = false;
    return found;
}
