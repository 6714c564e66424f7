#pragma once
#include "engine/Limits.h"

#include <cstdint>

// The number, rate and duration texts of the window, the tooltip and the command line's
// messages, and the names of the limit rows.

// Room for any value's text with its terminator: the longest, "429496729.5%" and
// "71582m 47s", come from the largest 32-bit values.
constexpr int32_t METRIC_TEXT_CAPACITY = 24;

void FormatByteRate(char16_t* out, int32_t capacity, uint32_t bytesPerSecond);
void FormatCountRate(char16_t* out, int32_t capacity, uint32_t perSecond);
// A rate in its metric's unit: "12.5%" of one core, "1.0 MB/s", "3.0K/s".
void FormatMetricValue(char16_t* out, int32_t capacity, Metric metric, uint32_t value);
void FormatDuration(char16_t* out, int32_t capacity, uint32_t milliseconds);
// The name of a row of the limit table, as the window shows it: "CPU" ... "Wait".
const char16_t* LimitRowName(int32_t row);
