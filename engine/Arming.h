#pragma once
#include "engine/PidSet.h"
#include "engine/Sampler.h"
#include "engine/WatchStatus.h"

#include <cstdint>

// Standing rules name images; while any exists, each tick's process list is looked through
// for processes of those images that started since the last look. A process is looked at
// once: those already inside a watched tree join it and start nothing, and a process id that
// comes back with another creation time is another process.

constexpr int32_t ARMED_IMAGES_MAX = 32;

struct ArmingState {
    // The processes looked at, in two lists that take turns: one is read while the next is
    // built from the current process list.
    uint32_t pids[2][MAX_SNAPSHOT_PROCESSES];
    uint64_t times[2][MAX_SNAPSHOT_PROCESSES];
    int32_t counts[2];
    PidSet known[2];
    int32_t current;  // the list that holds the last look
    bool everything;  // the next look takes every process as new: the rules changed
};

// A process of an armed image, to be watched: its entry in the round's list and which image.
struct ArmedProcess {
    uint32_t pid;
    int32_t entry;
    int32_t image;
};

// The next look takes every running process of the images as new, as at start-up.
void ArmAfresh(ArmingState* arming);

// Looks through the round's process list (BeginSamplerRound) for new processes of the images
// (`images[i]`, any case) that none of the watched trees holds. Up to `capacity` are returned;
// those beyond it are looked at again next time. A new process whose parent is another found
// in the same look belongs to that one's tree and is not returned.
int32_t FindArmedProcesses(ArmingState* arming, ProcessSampler* sampler, const char16_t* const* images,
                           int32_t imageCount, const PidSet* const* watched, int32_t watchedCount, ArmedProcess* out,
                           int32_t capacity);
