#pragma once
#include "engine/Limits.h"
#include "engine/WatchOptions.h"

#include <cstdint>

// Limits given for one watch: used and shown while it lasts, never saved, and the saved ones
// back when it ends. A row the user moves meanwhile becomes the user's again; so does the
// screen choice, and the battery floor. The GPU's limit has no control: only a hand edit of the
// settings file changes the user's, which the watch's keeps in force.
struct LimitOverride {
    bool active;
    bool row[LIMIT_ROW_COUNT];  // set for this watch, and not moved by the user since
    uint32_t value[LIMIT_ROW_COUNT];
    bool screen;
    bool battery;
    uint32_t batteryFloor;
    bool gpu;                   // the GPU's limit is this watch's
    LimitTable saved;           // the user's, set aside
    bool savedDisplay;
    OptionalSettings savedOptional;
};

// The user's settings as they are in force, a watch's own in place of some while it lasts.
struct SettingsInForce {
    LimitTable* limits;
    bool* keepDisplayOn;
    OptionalSettings* optional;
};

// Puts the options' limits, screen choice and battery floor in force, setting the user's aside;
// false when the options set none, and then nothing changed.
bool ApplyOverride(LimitOverride* o, const SettingsInForce* inForce, const WatchOptions* options);
// The user's back in force; false when none were set aside.
bool RestoreOverride(LimitOverride* o, const SettingsInForce* inForce);
// Before a save: a setting the user changed during the watch is the user's again, saved, and
// no longer the watch's own.
void TakeUserChanges(LimitOverride* o, const SettingsInForce* inForce);
// After a save took hand edits of the file into the user's values: those the watch does not
// set are in force at once.
void PutSavedInForce(const LimitOverride* o, const SettingsInForce* inForce);
