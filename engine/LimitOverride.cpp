#include "engine/LimitOverride.h"

bool ApplyOverride(LimitOverride* o, LimitTable* inForce, bool* keepDisplayOn, const WatchOptions* options) {
    bool any = options->screen;
    for (bool given : options->hasLimit) {
        any = any || given;
    }
    if (!any) {
        return false;
    }
    o->active = true;
    o->saved = *inForce;
    o->savedDisplay = *keepDisplayOn;
    o->screen = options->screen;
    for (int32_t r = 0; r < LIMIT_ROW_COUNT; r++) {
        o->row[r] = options->hasLimit[r];
        o->value[r] = options->limit[r];
        if (o->row[r]) {
            inForce->rows[r].value = options->limit[r];
        }
    }
    if (options->screen) {
        *keepDisplayOn = true;
    }
    return true;
}

bool RestoreOverride(LimitOverride* o, LimitTable* inForce, bool* keepDisplayOn) {
    if (!o->active) {
        return false;
    }
    for (int32_t r = 0; r < LIMIT_ROW_COUNT; r++) {
        inForce->rows[r].value = o->saved.rows[r].value;
    }
    *keepDisplayOn = o->savedDisplay;
    o->active = false;
    return true;
}

void TakeUserChanges(LimitOverride* o, const LimitTable* inForce, bool keepDisplayOn) {
    if (!o->active) {
        return;
    }
    for (int32_t r = 0; r < LIMIT_ROW_COUNT; r++) {
        if (!o->row[r] || inForce->rows[r].value != o->value[r]) {
            o->saved.rows[r].value = inForce->rows[r].value;
            o->row[r] = false;
        }
    }
    if (!o->screen || !keepDisplayOn) {
        o->savedDisplay = keepDisplayOn;
        o->screen = false;
    }
}

void PutSavedInForce(const LimitOverride* o, LimitTable* inForce, bool* keepDisplayOn) {
    if (!o->active) {
        return;
    }
    for (int32_t r = 0; r < LIMIT_ROW_COUNT; r++) {
        if (!o->row[r]) {
            inForce->rows[r].value = o->saved.rows[r].value;
        }
    }
    if (!o->screen) {
        *keepDisplayOn = o->savedDisplay;
    }
}
