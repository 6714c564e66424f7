#pragma once
#include "engine/Finish.h"
#include "engine/Limits.h"

#include <cstdint>

// A watch asked for by a script rather than by the window: what it names, and the limits and
// finished action that hold for that watch only.

enum class TargetKind { Pid, Image, Title };

struct WatchOptions {
    bool hasLimit[LIMIT_ROW_COUNT];  // the rows given, in their rows' units
    uint32_t limit[LIMIT_ROW_COUNT];
    bool screen;                     // keep the screen on for this watch
    bool hasBattery;                 // a battery floor for this watch (0: none)
    uint32_t battery;
    bool hasGpu;                     // the GPU's limit for this watch, permille
    uint32_t gpu;
    FinishAction then;               // FinishAction::None unless given
    // A command's job is finished when its tree has ended: a quiet spell, however long,
    // releases the lock but is not the end. Otherwise the first IDLE finishes the work too.
    bool untilTreeEnds;
};
