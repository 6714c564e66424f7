#pragma once
#include "engine/Limits.h"
#include "engine/WatchOptions.h"

#include <cstdint>

// Limits given for one watch: used and shown while it lasts, never saved, and the saved ones
// back when it ends. A row the user moves meanwhile becomes the user's again.
struct LimitOverride {
    bool active;
    bool row[LIMIT_ROW_COUNT];  // set for this watch, and not moved by the user since
    uint32_t value[LIMIT_ROW_COUNT];
    bool screen;
    LimitTable saved;           // the user's, set aside
    bool savedDisplay;
};

// Puts the options' limits and screen choice in force, setting the user's aside; false when the
// options set none, and then nothing changed.
bool ApplyOverride(LimitOverride* o, LimitTable* inForce, bool* keepDisplayOn, const WatchOptions* options);
// The user's back in force; false when none were set aside.
bool RestoreOverride(LimitOverride* o, LimitTable* inForce, bool* keepDisplayOn);
// Before a save: a row or the screen choice the user changed during the watch is the user's
// again, saved, and no longer the watch's own.
void TakeUserChanges(LimitOverride* o, const LimitTable* inForce, bool keepDisplayOn);
// After a save took hand edits of the file into the user's values: those the watch does not
// set are in force at once.
void PutSavedInForce(const LimitOverride* o, LimitTable* inForce, bool* keepDisplayOn);
