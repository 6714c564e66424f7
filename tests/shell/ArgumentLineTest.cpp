#include "shell/ArgumentLine.h"

#include "tests/support/Utf16.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Windows programs split their command lines by the C runtime's rules; scripts quote by them.
TEST(ArgumentLine, SplitsAsWindowsProgramsDo) {
    struct Case {
        const char16_t* line;
        const char16_t* expected[6];
    };
    static const Case CASES[] = {
        {u"Pellacord.exe", {u"Pellacord.exe"}},
        {u"  \"C:\\Program Files\\P\\Pellacord.exe\"  --watch  x ", {u"C:\\Program Files\\P\\Pellacord.exe", u"--watch", u"x"}},
        {u"C:\\P\\Pellacord.exe\t--run\t\"a b\"", {u"C:\\P\\Pellacord.exe", u"--run", u"a b"}},
        {u"p \"a \\\"b\\\" c\"", {u"p", u"a \"b\" c"}},
        {u"p a\\\\\\\"b", {u"p", u"a\\\"b"}},            // 3 backslashes + quote: one backslash, a quote
        {u"p a\\\\\"b c\"", {u"p", u"a\\b c"}},          // 2 backslashes + quote: one backslash, quoting on
        {u"p C:\\dir\\ x", {u"p", u"C:\\dir\\", u"x"}},  // backslashes not before a quote are literal
        {u"p \"\" x", {u"p", u"", u"x"}},
        {u"p \"a\"\"b\"", {u"p", u"a\"b"}},
        {u"p \"open", {u"p", u"open"}},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(Printable(c.line));
        char16_t buffer[256];
        const char16_t* args[8];
        int32_t count = SplitCommandLine(c.line, buffer, 256, args, 8);
        int32_t expectedCount = 0;
        while (expectedCount < 6 && c.expected[expectedCount]) {
            expectedCount++;
        }
        ASSERT_EQ(count, expectedCount);
        for (int32_t i = 0; i < count; i++) {
            EXPECT_EQ(Printable(args[i]), Printable(c.expected[i])) << i;
        }
    }
}

TEST(ArgumentLine, SplittingStaysInsideItsBuffers) {
    char16_t buffer[16];
    const char16_t* args[3];
    int32_t count = SplitCommandLine(u"prog aaaaaaaaaaaaaaaaaaaa b c d e", buffer, 16, args, 3);
    // Too long for the buffer: refused, never taken cut (a dropped "--then" would change the
    // command); what fitted stays inside the buffer and ended.
    EXPECT_EQ(count, -1);
    EXPECT_EQ(Printable(args[0]), "prog");
    EXPECT_EQ(Printable(args[1]), "aaaaaaaaaa");
    EXPECT_EQ(buffer[15], 0);

    char16_t roomy[64];
    EXPECT_EQ(SplitCommandLine(u"prog a b c", roomy, 64, args, 3), -1);  // more arguments than places
    EXPECT_EQ(SplitCommandLine(u"prog a b", roomy, 64, args, 3), 3);
    EXPECT_EQ(SplitCommandLine(u"   ", roomy, 64, args, 3), 0);
}

// The copy that starts a --run hands the rest of its command line over, joined again.
TEST(ArgumentLine, JoinedArgumentsSplitBackTheSame) {
    const std::u16string CASES[][4] = {
        {u"C:\\Program Files\\Pellacord\\Pellacord.exe", u"--watch", u"4242", u"--cpu"},
        {u"P.exe", u"My \"quoted\" title", u"", u"tab\there"},
        {u"P.exe", u"C:\\dir with blank\\", u"a\\\\\"b", u"\\\\server\\share"},
        {u"P.exe", u"trailing\\", u"\"", u"\u00B7 \u2022"},
    };
    for (const auto& args : CASES) {
        const char16_t* in[4];
        for (int i = 0; i < 4; i++) {
            in[i] = args[i].c_str();
        }
        char16_t line[256];
        int32_t length = JoinCommandLine(line, 256, in, 4);
        ASSERT_GT(length, 0);
        SCOPED_TRACE(Printable(line));
        char16_t buffer[256];
        const char16_t* out[8];
        ASSERT_EQ(SplitCommandLine(line, buffer, 256, out, 8), 4);
        for (int i = 0; i < 4; i++) {
            EXPECT_EQ(Printable(out[i]), Printable(in[i])) << i;
        }
    }
    const char16_t* big[] = {u"P.exe", u"0123456789"};
    char16_t small[12];
    EXPECT_EQ(JoinCommandLine(small, 12, big, 2), -1);
    EXPECT_EQ(small[11], 0);
}

}  // namespace
