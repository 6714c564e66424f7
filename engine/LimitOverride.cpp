#include "engine/LimitOverride.h"

bool ApplyOverride(LimitOverride* o, const SettingsInForce* f, const WatchOptions* options) {
    bool any = options->screen || options->hasBattery || options->hasGpu;
    for (bool given : options->hasLimit) {
        any = any || given;
    }
    if (!any) {
        return false;
    }
    o->active = true;
    o->saved = *f->limits;
    o->savedDisplay = *f->keepDisplayOn;
    o->savedOptional = *f->optional;
    o->screen = options->screen;
    o->battery = options->hasBattery;
    o->batteryFloor = options->battery;
    o->gpu = options->hasGpu;
    if (options->hasGpu) {
        f->limits->gpu = options->gpu;
    }
    for (int32_t r = 0; r < LIMIT_ROW_COUNT; r++) {
        o->row[r] = options->hasLimit[r];
        o->value[r] = options->limit[r];
        if (o->row[r]) {
            f->limits->rows[r].value = options->limit[r];
        }
    }
    if (options->screen) {
        *f->keepDisplayOn = true;
    }
    if (options->hasBattery) {
        f->optional->batteryFloor = options->battery;
    }
    return true;
}

bool RestoreOverride(LimitOverride* o, const SettingsInForce* f) {
    if (!o->active) {
        return false;
    }
    for (int32_t r = 0; r < LIMIT_ROW_COUNT; r++) {
        f->limits->rows[r].value = o->saved.rows[r].value;
    }
    f->limits->gpu = o->saved.gpu;
    *f->keepDisplayOn = o->savedDisplay;
    *f->optional = o->savedOptional;
    o->active = false;
    return true;
}

void TakeUserChanges(LimitOverride* o, const SettingsInForce* f) {
    if (!o->active) {
        return;
    }
    for (int32_t r = 0; r < LIMIT_ROW_COUNT; r++) {
        if (!o->row[r] || f->limits->rows[r].value != o->value[r]) {
            o->saved.rows[r].value = f->limits->rows[r].value;
            o->row[r] = false;
        }
    }
    if (!o->gpu) {
        o->saved.gpu = f->limits->gpu;
    }
    if (!o->screen || !*f->keepDisplayOn) {
        o->savedDisplay = *f->keepDisplayOn;
        o->screen = false;
    }
    if (!o->battery || f->optional->batteryFloor != o->batteryFloor) {
        o->savedOptional.batteryFloor = f->optional->batteryFloor;
        o->battery = false;
    }
}

void PutSavedInForce(const LimitOverride* o, const SettingsInForce* f) {
    if (!o->active) {
        return;
    }
    for (int32_t r = 0; r < LIMIT_ROW_COUNT; r++) {
        if (!o->row[r]) {
            f->limits->rows[r].value = o->saved.rows[r].value;
        }
    }
    if (!o->gpu) {
        f->limits->gpu = o->saved.gpu;
    }
    if (!o->screen) {
        *f->keepDisplayOn = o->savedDisplay;
    }
    if (!o->battery) {
        f->optional->batteryFloor = o->savedOptional.batteryFloor;
    }
}
