#pragma once
#include <cstdint>

// The bytes of the log: a local-time prefix on every line, UTF-8 text, CR LF. The file calls
// are in Log_win.

constexpr uint64_t LOG_SIZE_LIMIT = 4194304;  // the file is begun anew rather than grow past it
constexpr int32_t LOG_PREFIX_CAPACITY = 32;
constexpr int32_t LOG_UTF8_CAPACITY = 512;
constexpr int32_t LOG_LINE_CAPACITY = 1024;
constexpr char LOG_BOM[] = "\xEF\xBB\xBF";
constexpr char LOG_RESTART_LINE[] = "(log restarted: the previous one reached the size limit)\r\n";
constexpr char LOG_SEPARATOR[] = "--------------------------------------------------------";

struct LocalTime {
    uint16_t year, month, day, hour, minute, second;
};

// "YYYY-MM-DD hh:mm:ss  ": 21 bytes for four-digit years. Returns the length.
int32_t FormatLogPrefix(char* out, int32_t capacity, const LocalTime* time);

// One whole line: prefix, text (and the UTF-8 form of wide, when given), CR LF. A wide text
// that does not fit LOG_UTF8_CAPACITY bytes is left out. The wide text comes from other
// programs (window titles, image names), so its control characters (U+0000 to U+001F and
// U+007F) become U+FFFD: no title can start a line of its own. A text too long for the
// capacity is cut, never the line break. Returns the length (0 only for a capacity too small
// for the prefix and the line break).
int32_t FormatLogLine(char* out, int32_t capacity, const LocalTime* time, const char* text, const char16_t* wide);
