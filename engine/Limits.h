#pragma once
#include <cstdint>

// The five limits the user sets, and the logarithmic scale their sliders move on.

constexpr int METRIC_COUNT = 4;      // cpu, disk, net, mem
constexpr int WAIT_ROW = 4;          // the quiet period before the lock is released
constexpr int LIMIT_ROW_COUNT = 5;
constexpr uint32_t SLIDER_POSITION_MAX = 1000;
constexpr uint32_t LOG_UNITS_PER_OCTAVE = 256;

enum class Metric : int32_t { Cpu = 0, Disk = 1, Net = 2, Mem = 3 };
constexpr Metric METRIC_CPU = Metric::Cpu;
constexpr Metric METRIC_DISK = Metric::Disk;
constexpr Metric METRIC_NET = Metric::Net;
constexpr Metric METRIC_MEM = Metric::Mem;
// The row of the limit table, and the meter of the evaluator, that belong to a metric.
constexpr int32_t Index(Metric m) { return static_cast<int32_t>(m); }

struct LimitRow {
    uint32_t value;
    uint32_t minValue;
    uint32_t maxValue;
    uint32_t raiseFactor;   // auto-raise may lift the limit to this times the quietest rate seen
    uint32_t countsAsWork;  // 0: this row never counts as over its limit
};

// The graphics processor's limit, permille of its busiest engine. It has no row: it counts only
// where Windows keeps GPU statistics, and is set by the settings file or for one watch.
constexpr uint32_t GPU_LIMIT_DEFAULT = 200;
constexpr uint32_t GPU_LIMIT_MIN = 10;
constexpr uint32_t GPU_LIMIT_MAX = 1000;
// The evaluator's measure beyond the four metrics, where a reason is named.
constexpr int32_t GPU_MEASURE = 4;

struct LimitTable {
    LimitRow rows[LIMIT_ROW_COUNT];
    uint32_t gpu;  // permille, GPU_LIMIT_MIN to GPU_LIMIT_MAX
};

void SetDefaultLimits(LimitTable* table);

// The user's settings beyond the five limits and the screen: each has its default at zero, and
// the settings file holds it only while it differs from that.
struct OptionalSettings {
    uint32_t batteryFloor;  // percent: below it on battery the lock is released; 0 is off
    uint32_t hotkey = 0;    // the hotkey that watches the app in front, as base/Hotkey packs it; 0 is the default
};

uint32_t ValueToLogUnits(uint32_t value);
uint32_t LogUnitsToValue(uint32_t units);

uint32_t LimitToSliderPosition(const LimitRow* row, uint32_t value);
uint32_t SliderPositionToLimit(const LimitRow* row, uint32_t position);

// Short 8-bit name for the log ("gpu" for GPU_MEASURE); "-" for any other index.
const char* MetricLogName(int metric);
