#include "base/Format.h"

#include "base/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Format, FormatTextDirectivesAndTruncation) {
    struct Case { int capacity; const char16_t* expected; };
    // The same call at several capacities: the result is cut, never overrun.
    const Case cases[] = {
        {64, u"n=42 d=-7 s=ok 100% [007] [  9]"}, {5, u"n=42"}, {1, u""},
    };
    for (const Case& c : cases) {
        char16_t out[64];
        out[0] = u'#';
        int n = FormatText(out, c.capacity, u"n=%u d=%d s=%s 100%% [%03u] [%3d]", 42u, -7, u"ok", 7u, 9);
        EXPECT_EQ(std::u16string(out), std::u16string(c.expected)) << c.capacity;
        EXPECT_EQ(n, WideLength(c.expected));
    }
    char untouched = '#';
    EXPECT_EQ(FormatText8(&untouched, 0, "x"), 0);
    EXPECT_EQ(untouched, '#');

    char out8[32];
    FormatText8(out8, 32, "%u|%d|%s|%02d", 4294967295u, -2147483647 - 1, "w", 5);
    EXPECT_STREQ(out8, "4294967295|-2147483648|w|05");
}

// An argument a directive cannot take is refused when the program is compiled, as is a format
// whose directives do not match its arguments (that one stops the compiler with an error, so it
// cannot be shown here). A uint64_t once went through %u and read half of itself.
template <typename T>
constexpr bool TakesUnsigned = requires(char* out, T v) { FormatText8(out, 8, "%u", v); };
static_assert(TakesUnsigned<uint32_t>);
static_assert(!TakesUnsigned<uint64_t>);
static_assert(!TakesUnsigned<long>);
static_assert(!TakesUnsigned<unsigned long>);
static_assert(!TakesUnsigned<double>);
static_assert(!TakesUnsigned<const char16_t*>);

}  // namespace
