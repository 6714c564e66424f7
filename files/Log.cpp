#include "files/Log.h"

#include "base/Format.h"
#include "base/Text.h"
#include "base/Utf8.h"

#include <cstring>

int32_t FormatLogPrefix(char* out, int32_t capacity, const LocalTime* t) {
    return FormatText8(out, capacity, "%04u-%02u-%02u %02u:%02u:%02u  ", uint32_t{t->year}, uint32_t{t->month},
                       uint32_t{t->day}, uint32_t{t->hour}, uint32_t{t->minute}, uint32_t{t->second});
}

int32_t FormatLogLine(char* out, int32_t capacity, const LocalTime* time, const char* text, const char16_t* wide) {
    char prefix[LOG_PREFIX_CAPACITY];
    int32_t prefixLength = FormatLogPrefix(prefix, LOG_PREFIX_CAPACITY, time);
    char utf8[LOG_UTF8_CAPACITY];
    int32_t utf8Length = 0;
    if (wide) {
        int32_t n = 0;
        while (wide[n] && n < LOG_UTF8_CAPACITY) {
            n++;
        }
        // A text of LOG_UTF8_CAPACITY units or more could not fit the buffer in UTF-8 anyway.
        if (n < LOG_UTF8_CAPACITY) {
            char16_t printable[LOG_UTF8_CAPACITY];
            CopyWidePrintable(printable, wide, LOG_UTF8_CAPACITY);
            // An empty text converts to the terminator alone, and a text too long for the
            // buffer to nothing: either way only the prefix is written.
            int32_t converted = Utf16ToUtf8(printable, utf8, LOG_UTF8_CAPACITY);
            utf8Length = converted > 1 ? converted - 1 : 0;
        }
    }
    int32_t room = capacity - prefixLength - 2;
    if (room < 0) {
        return 0;
    }
    int32_t textLength = static_cast<int32_t>(strlen(text));
    textLength = textLength < room ? textLength : room;
    utf8Length = utf8Length <= room - textLength ? utf8Length : 0;
    char* at = out;
    memcpy(at, prefix, static_cast<size_t>(prefixLength));
    at += prefixLength;
    memcpy(at, text, static_cast<size_t>(textLength));
    at += textLength;
    memcpy(at, utf8, static_cast<size_t>(utf8Length));
    at += utf8Length;
    at[0] = '\r';
    at[1] = '\n';
    return prefixLength + textLength + utf8Length + 2;
}
