#pragma once
#include "engine/Limits.h"

#include <cstdint>

// The five limits and the display option as a small hand-editable text file. The parser and
// the formatter are here; the file calls are in Settings_win.

constexpr int32_t SETTINGS_READ_MAX = 1023;     // bytes of the file that count
constexpr int32_t SETTINGS_TEXT_CAPACITY = 512;

// Reads at most SETTINGS_READ_MAX bytes of settings text over the table's values and the
// flag. Any of CR, LF or NUL ends a line; a line counts only when a key starts at its first
// byte; values are clamped into their row; the last occurrence of a key wins.
void ParseSettings(const uint8_t* bytes, int32_t length, LimitTable* table, int32_t* keepDisplayOn);

// The whole file as written: three comment lines and six key lines, CR LF each. Returns the
// length (258 bytes with the defaults).
int32_t FormatSettings(char* out, int32_t capacity, const LimitTable* table, int32_t keepDisplayOn);
