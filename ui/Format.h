#pragma once
#include <cstdint>

// Number, rate and duration texts of the window and the tooltip, and the bounded UTF-16
// copies the UI uses everywhere. Every text fits METRIC_TEXT_CAPACITY code units.

constexpr int METRIC_TEXT_CAPACITY = 24;

void FormatByteRate(char16_t* out, int capacity, uint32_t bytesPerSecond);
void FormatCountRate(char16_t* out, int capacity, uint32_t perSecond);
void FormatMetricValue(char16_t* out, int capacity, int metric, uint32_t value);
void FormatDuration(char16_t* out, int capacity, uint32_t milliseconds);
const char16_t* MetricName(int metric);

// Keeps at most capacity - 1 units and always terminates; capacity <= 0 writes nothing.
void CopyWide(char16_t* dst, const char16_t* src, int capacity);
// The same, for a text from another program (a window title, an image name) on its way into a
// line of text: its control characters, U+0000 to U+001F and U+007F, become U+FFFD, so it can
// never start a line of its own, and so do the bidirectional controls (U+200E, U+200F,
// U+202A to U+202E, U+2066 to U+2069), so it can never show reversed.
void CopyWidePrintable(char16_t* dst, const char16_t* src, int capacity);
int WideLength(const char16_t* s);
bool WideEqual(const char16_t* a, const char16_t* b);

// A small printf with the directives the program uses: %u (uint32_t), %d (int32_t),
// %s (a string of the same code unit), %c, %% and an optional '0' flag and width.
// The result is cut to capacity - 1 units and always terminated; returns its length.
int FormatText(char16_t* out, int capacity, const char16_t* format, ...);
int FormatText8(char* out, int capacity, const char* format, ...);
