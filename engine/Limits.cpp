#include "engine/Limits.h"

void SetDefaultLimits(LimitTable* table) {
    static const LimitRow DEFAULTS[LIMIT_ROW_COUNT] = {
        {200, 50, 4000, 3, 1},                       // cpu, permille of one core
        {1u << 20, 1u << 16, 1u << 28, 2, 1},        // disk, bytes per second
        {2048, 512, 1u << 22, 2, 1},                 // net, bytes per second
        {3000, 500, 2000000, 3, 1},                  // mem, page faults per second
        {600000, 30000, 1800000, 1, 1},              // wait, milliseconds
    };
    for (int i = 0; i < LIMIT_ROW_COUNT; i++) {
        table->rows[i] = DEFAULTS[i];
    }
    table->gpu = GPU_LIMIT_DEFAULT;
}

static uint32_t HighestBit(uint32_t v) {
    uint32_t k = 0;
    while (v >>= 1) {
        k++;
    }
    return k;
}

// Linear within each doubling, so the scale never decreases; 64-bit products keep every
// 32-bit value in range.
uint32_t ValueToLogUnits(uint32_t value) {
    if (value == 0) {
        value = 1;
    }
    uint32_t k = HighestBit(value);
    uint64_t base = uint64_t{1} << k;
    uint64_t frac = (uint64_t{LOG_UNITS_PER_OCTAVE} * (value - base)) / base;
    return LOG_UNITS_PER_OCTAVE * k + static_cast<uint32_t>(frac);
}

uint32_t LogUnitsToValue(uint32_t units) {
    uint32_t k = units / LOG_UNITS_PER_OCTAVE;
    if (k > 31) {
        k = 31;
    }
    uint32_t f = units % LOG_UNITS_PER_OCTAVE;
    uint64_t base = uint64_t{1} << k;
    return static_cast<uint32_t>(base + (base * f) / LOG_UNITS_PER_OCTAVE);
}

uint32_t LimitToSliderPosition(const LimitRow* row, uint32_t value) {
    uint32_t lo = ValueToLogUnits(row->minValue);
    uint32_t hi = ValueToLogUnits(row->maxValue);
    if (hi <= lo || value <= row->minValue) {
        return 0;
    }
    if (value >= row->maxValue) {
        return SLIDER_POSITION_MAX;
    }
    uint64_t span = uint64_t{ValueToLogUnits(value) - lo} * SLIDER_POSITION_MAX;
    return static_cast<uint32_t>(span / (hi - lo));
}

uint32_t SliderPositionToLimit(const LimitRow* row, uint32_t position) {
    uint32_t lo = ValueToLogUnits(row->minValue);
    uint32_t hi = ValueToLogUnits(row->maxValue);
    if (position >= SLIDER_POSITION_MAX) {
        return row->maxValue;
    }
    if (position == 0) {
        return row->minValue;
    }
    // hi <= lo only for a degenerate row; treat its span as empty rather than wrapping.
    uint64_t span = hi > lo ? hi - lo : 0;
    return LogUnitsToValue(lo + static_cast<uint32_t>(span * position / SLIDER_POSITION_MAX));
}

const char* MetricLogName(int metric) {
    static const char* const NAMES[METRIC_COUNT + 1] = {"cpu", "disk", "net", "mem", "gpu"};
    static_assert(GPU_MEASURE == METRIC_COUNT, "the GPU's name follows the metrics'");
    if (metric < 0 || metric > GPU_MEASURE) {
        return "-";
    }
    return NAMES[metric];
}
