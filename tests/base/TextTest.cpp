#include "base/Text.h"

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
