#include "base/Text.h"
#include "base/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Text, CopyWideIsBoundedAndAlwaysTerminated) {
    struct Case { int capacity; const char16_t* expected; };  // nullptr: dst untouched
    const Case cases[] = {
        {-3, nullptr}, {0, nullptr}, {1, u""}, {5, u"abcd"}, {10, u"abcdefghi"}, {11, u"abcdefghij"},
        {16, u"abcdefghij"},
    };
    for (const Case& c : cases) {
        char16_t dst[16];
        for (char16_t& u : dst) {
            u = u'#';
        }
        CopyWide(dst, u"abcdefghij", c.capacity);
        if (!c.expected) {
            EXPECT_EQ(dst[0], u'#') << c.capacity;
            continue;
        }
        EXPECT_EQ(std::u16string(dst), std::u16string(c.expected)) << c.capacity;
        int len = WideLength(c.expected);
        // Nothing past the terminator is written.
        if (len + 1 < 16) {
            EXPECT_EQ(dst[len + 1], u'#') << c.capacity;
        }
    }
    char16_t out[8] = u"#######";
    CopyWide(out, u"abc", 0);
    EXPECT_EQ(out[0], u'#');
    CopyWide(out, u"abcdefghij", 8);
    EXPECT_EQ(std::u16string(out), u"abcdefg");
}

TEST(Text, WideLengthCountsCodeUnits) {
    EXPECT_EQ(WideLength(u""), 0);
    EXPECT_EQ(WideLength(u"a\u00B7b"), 3);
    EXPECT_EQ(WideLength(u"\U0001F600"), 2);  // a surrogate pair is two units
}

}  // namespace

namespace {

// UTF-8 from a file: every valid sequence decoded, every broken one a U+FFFD, bounded.
TEST(Utf8, DecodesToUtf16) {
    struct Case {
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {"render.exe", u"render.exe"},
        {"\xD1\x84\xE2\x80\xA2\xF0\x9F\x98\x80", u"\u0444\u2022\U0001F600"},
        {"a\x80" "b", u"a\uFFFDb"},                 // a stray continuation byte
        {"a\xE2\x80", u"a\uFFFD\uFFFD"},            // cut short at the end
        {"\xC0\xAF", u"\uFFFD\uFFFD"},              // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},    // a surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"", u""},
    };
    for (const Case& c : cases) {
        char16_t out[32];
        int32_t n = Utf8ToUtf16(c.bytes.data(), static_cast<int32_t>(c.bytes.size()), out, 32);
        EXPECT_EQ(std::u16string(out), c.text) << c.bytes;
        EXPECT_EQ(n, static_cast<int32_t>(c.text.size()));
    }
    char16_t small[3];
    EXPECT_EQ(Utf8ToUtf16("abc", 3, small, 3), -1);  // no room for the terminator
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80", 4, small, 3), 2);
    EXPECT_EQ(Utf8ToUtf16("a\xF0\x9F\x98\x80", 5, small, 3), -1);  // a pair is never cut
}

}  // namespace
