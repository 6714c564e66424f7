#include "files/Log.h"
#include "base/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(LogFormat, PrefixIsZeroPaddedWithTwoSpaces) {
    struct Case { LocalTime t; const char* text; };
    const Case cases[] = {
        {{2026, 1, 2, 3, 4, 5}, "2026-01-02 03:04:05  "},
        {{2026, 12, 31, 23, 59, 59}, "2026-12-31 23:59:59  "},
        {{999, 1, 1, 0, 0, 0}, "0999-01-01 00:00:00  "},
        {{30827, 12, 31, 23, 59, 59}, "30827-12-31 23:59:59  "},  // wider than four digits: not cut
    };
    for (const Case& c : cases) {
        char out[LOG_PREFIX_CAPACITY];
        int32_t n = FormatLogPrefix(out, LOG_PREFIX_CAPACITY, &c.t);
        EXPECT_STREQ(out, c.text);
        EXPECT_EQ(n, static_cast<int32_t>(strlen(c.text)));
    }
}

TEST(LogFormat, Utf8LikeWideCharToMultiByte) {
    struct Case { std::u16string text; std::string bytes; int32_t capacity; int32_t result; };
    const Case cases[] = {
        {u"abc", std::string("abc\0", 4), 512, 4},
        {u"", std::string("\0", 1), 512, 1},
        {u"a\u00B7b", std::string("a\xC2\xB7" "b\0", 5), 512, 5},
        {u"\u2713", std::string("\xE2\x9C\x93\0", 4), 512, 4},
        {u"\U0001F600", std::string("\xF0\x9F\x98\x80\0", 5), 512, 5},
        {u"x\xD800y", std::string("x\xEF\xBF\xBDy\0", 6), 512, 6},  // lone surrogate
        {u"abc", "", 3, 0},                                         // no room for the terminator
        {u"\u00B7", "", 2, 0},
    };
    for (const Case& c : cases) {
        char out[512];
        int32_t n = Utf16ToUtf8(c.text.c_str(), out, c.capacity);
        EXPECT_EQ(n, c.result);
        if (n > 0) {
            EXPECT_EQ(std::string(out, static_cast<size_t>(n)), c.bytes);
        }
    }
}

TEST(LogFormat, WholeLines) {
    const LocalTime t = {2026, 12, 9, 8, 7, 6};
    char out[LOG_LINE_CAPACITY];
    struct Case { const char* text; std::u16string wide; bool hasWide; std::string line; };
    const std::u16string tooLong(300, u'\u00E9');  // 600 bytes of UTF-8: over the 512-byte buffer
    const Case cases[] = {
        {"Pellacord started", u"", false, "2026-12-09 08:07:06  Pellacord started\r\n"},
        {"watching: ", u"Build \u00B7 Release", true, "2026-12-09 08:07:06  watching: Build \xC2\xB7 Release\r\n"},
        {"  image: ", u"", true, "2026-12-09 08:07:06    image: \r\n"},
        {"watching: ", tooLong, true, "2026-12-09 08:07:06  watching: \r\n"},
        // A title cannot start a line of its own, nor hide one behind control characters.
        {"watching: ", u"x\r\n2026-12-09 08:07:06  stopped watching; lock released", true,
         "2026-12-09 08:07:06  watching: x\xEF\xBF\xBD\xEF\xBF\xBD" "2026-12-09 08:07:06  stopped watching; lock released\r\n"},
        {"watching: ", std::u16string(u"a\0b", 3) + u"\u001B[31m\u007F\u0080\u00FF", true,
         "2026-12-09 08:07:06  watching: a\r\n"},  // the text ends at its terminator
        {"watching: ", u"\u001B[31m\tz\u007F\u0080", true,
         "2026-12-09 08:07:06  watching: \xEF\xBF\xBD[31m\xEF\xBF\xBDz\xEF\xBF\xBD\xC2\x80\r\n"},
        // Nor show reversed: every bidirectional control goes, the marks beside it stay.
        {"watching: ", u"\u202Eexe.gpj\u202C \u200E\u200F\u202A\u202B\u202D\u2066\u2067\u2068\u2069\u2069\u206A\u200D", true,
         "2026-12-09 08:07:06  watching: \xEF\xBF\xBD" "exe.gpj\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xE2\x81\xAA\xE2\x80\x8D\r\n"},
    };
    for (const Case& c : cases) {
        int32_t n = FormatLogLine(out, LOG_LINE_CAPACITY, &t, c.text, c.hasWide ? c.wide.c_str() : nullptr);
        EXPECT_EQ(std::string(out, static_cast<size_t>(n)), c.line);
    }
}

TEST(LogFormat, ALineTooLongForItsBufferKeepsItsEnd) {
    const LocalTime t = {2026, 12, 9, 8, 7, 6};
    char out[LOG_LINE_CAPACITY];
    const std::u16string fits(170, u'\u00E9');  // 340 bytes, fits the 512-byte buffer
    // The title does not fit a 100-byte line: it is left out, the line break stays.
    EXPECT_EQ(std::string(out, static_cast<size_t>(FormatLogLine(out, 100, &t, "x", fits.c_str()))),
              "2026-12-09 08:07:06  x\r\n");
    EXPECT_EQ(FormatLogLine(out, LOG_LINE_CAPACITY, &t, "x", fits.c_str()), 21 + 1 + 340 + 2);
    std::string longText(200, 'a');
    int32_t n = FormatLogLine(out, 60, &t, longText.c_str(), nullptr);
    EXPECT_EQ(n, 60);
    EXPECT_EQ(std::string(out + 58, 2), "\r\n");
    EXPECT_EQ(FormatLogLine(out, 22, &t, "x", nullptr), 0);  // not even the prefix and the break
}

}  // namespace
