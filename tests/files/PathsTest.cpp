#include "files/Paths.h"

#include "tests/support/Utf16.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Paths, SiblingOfTheExecutable) {
    struct Case { std::u16string exe; std::u16string expected; };
    const Case cases[] = {
        {u"C:\\Tools\\Pellacord.exe", u"C:\\Tools\\Pellacord.log"},
        {u"C:/Tools/x/Pellacord.exe", u"C:/Tools/x/Pellacord.log"},
        {u"C:\\a/b\\P.exe", u"C:\\a/b\\Pellacord.log"},
        {u"\\\\server\\share\\T\u00E9st \u00FC \u2713\\Pellacord.exe", u"\\\\server\\share\\T\u00E9st \u00FC \u2713\\Pellacord.log"},
        {u"Pellacord.exe", u""},   // no separator: no path
        {u"", u""},
    };
    for (const Case& c : cases) {
        char16_t out[PATH_CAPACITY];
        ExeSiblingPath(c.exe.c_str(), u"Pellacord.log", out);
        EXPECT_EQ(std::u16string(out), c.expected) << Printable(c.exe);
    }
    // The image's own name, as `powercfg /requestsoverride` names a process.
    EXPECT_EQ(std::u16string(FileNameOf(u"C:\\Tools\\x/Pellacord.exe")), u"Pellacord.exe");
    EXPECT_EQ(std::u16string(FileNameOf(u"Pellacord.exe")), u"Pellacord.exe");
    EXPECT_EQ(std::u16string(FileNameOf(u"C:\\Tools\\")), u"");
}

// A path that does not fit is no path at all: a cut one would name another file.
TEST(Paths, APathThatDoesNotFitIsEmpty) {
    struct Case { size_t directoryLength; const char16_t* name; bool fits; };
    const Case cases[] = {
        {245, u"Pellacord.log", true},    // 245 + 13 = 258
        {246, u"Pellacord.log", true},    // exactly 259
        {247, u"Pellacord.log", false},   // would be cut to "Pellacord.lo"
        {246, u"Pellacord.ini", true},
        {247, u"Pellacord.ini", false},   // would be cut to "Pellacord.in"
        {246, u"Pellacord.new", true},    // the save's temporary name fits wherever the settings do
        {247, u"Pellacord.new", false},
        {259, u"Pellacord.log", false},
        {1000, u"Pellacord.log", false},  // a long path read in full
        {32000, u"Pellacord.ini", false},
    };
    for (const Case& c : cases) {
        std::u16string exe(c.directoryLength - 1, u'd');
        exe += u"\\Pellacord.exe";
        char16_t out[PATH_CAPACITY];
        out[0] = u'#';
        ExeSiblingPath(exe.c_str(), c.name, out);
        std::u16string result(out);
        if (c.fits) {
            EXPECT_EQ(result, exe.substr(0, c.directoryLength) + c.name) << c.directoryLength;
        } else {
            EXPECT_EQ(result, u"") << c.directoryLength;
        }
    }
}

// The path the system gives for an open file, written as paths usually are.
TEST(Paths, FinalPathsInTheirPlainForm) {
    struct Case { const char16_t* final; const char16_t* plain; };
    const Case cases[] = {
        {u"\\\\?\\C:\\Users\\me\\Apps\\Pellacord.exe", u"C:\\Users\\me\\Apps\\Pellacord.exe"},
        {u"\\\\?\\UNC\\server\\share\\Pellacord.exe", u"\\\\server\\share\\Pellacord.exe"},
        {u"\\\\?\\Volume{1b3b}\\Pellacord.exe", u"\\\\?\\Volume{1b3b}\\Pellacord.exe"},
        {u"C:\\Tools\\Pellacord.exe", u"C:\\Tools\\Pellacord.exe"},
    };
    for (const Case& c : cases) {
        char16_t out[PATH_CAPACITY];
        ASSERT_TRUE(PlainPathOf(c.final, out, PATH_CAPACITY)) << Printable(c.final);
        EXPECT_EQ(std::u16string(out), c.plain) << Printable(c.final);
    }
    char16_t small[8];
    EXPECT_FALSE(PlainPathOf(u"\\\\?\\C:\\abcdef", small, 8));  // "C:\abcdef" and its end need 10
    EXPECT_TRUE(PlainPathOf(u"\\\\?\\C:\\abcd", small, 8));
    EXPECT_EQ(std::u16string(small), u"C:\\abcd");
}

}  // namespace
