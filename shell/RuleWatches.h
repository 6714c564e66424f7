#pragma once
#include "engine/Arming.h"
#include "engine/Watch.h"
#include "engine/WatchOptions.h"

#include <cstdint>

// The watches standing rules start: up to eight beside the window's, each of a process of a
// rule's image with that rule's limits and finished action, its own power request and its own
// name in the log. They share the window's sampler, so one process list and one read of the
// connection tables serve every watch of a tick.

constexpr int32_t RULE_WATCHES_MAX = 8;
constexpr int32_t RULE_TAG_CAPACITY = APP_IMAGE_CAPACITY * 3 + 8;  // "[render.exe #2] " in UTF-8
// Armed with nothing watched, the process list is looked through every other tick.
constexpr int32_t ARMED_LOOK_TICKS = 2;

// A rule as the watches use it: the image it arms for and the options of its watches.
struct ArmedRule {
    char16_t image[APP_IMAGE_CAPACITY];
    WatchOptions options;
};

struct RuleWatch {
    Watch watch;           // watchMode is WATCH_ON while it watches
    LimitTable limits;     // the user's, with the rule's own over them
    bool keepDisplayOn;
    FinishAction then;     // the rule's action, chosen again after each finished job
    int32_t number;        // 1, or 2 and on beside other watches of the same image
    char tag[RULE_TAG_CAPACITY];  // how its log lines begin: "[render.exe] ", "[render.exe #2] "
};

struct RuleWatches {
    ArmedRule rules[ARMED_IMAGES_MAX];
    const char16_t* images[ARMED_IMAGES_MAX];  // the rules' images, for the search
    int32_t ruleCount;
    RuleWatch slots[RULE_WATCHES_MAX];
    ArmingState arming;
    PidSet noMembers;      // stands for a tree that has none this tick
    // Each slot's execution state, which the program's slots join with the window's.
    uint32_t (*slotStates[RULE_WATCHES_MAX])(uint32_t flags);
    PowerReasonApi reason;
    int32_t quietTicks;    // ticks since the last look while nothing was watched
    bool inPlay;           // rules were in play at the last change: the ticks and tray are theirs
};

inline bool RuleSlotInUse(const RuleWatch* r) {
    return r->watch.status.watchMode == WATCH_ON || r->watch.finish.counting;
}
