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
}

TEST(Paths, LongDirectoryCutsTheNameAt259Units) {
    struct Case { size_t directoryLength; std::u16string expectedName; };
    const Case cases[] = {
        {245, u"Pellacord.log"},     // 245 + 13 = 258: fits
        {246, u"Pellacord.log"},     // exactly 259
        {247, u"Pellacord.lo"},      // cut by one
        {258, u"P"},
        {259, u""},                  // the separator is the last unit that fits
    };
    for (const Case& c : cases) {
        std::u16string exe(c.directoryLength - 1, u'd');
        exe += u"\\Pellacord.exe";
        char16_t out[PATH_CAPACITY];
        out[PATH_CAPACITY - 1] = u'#';
        ExeSiblingPath(exe.c_str(), u"Pellacord.log", out);
        std::u16string result(out);
        EXPECT_LE(result.size(), 259u);
        EXPECT_EQ(result.substr(c.directoryLength), c.expectedName) << c.directoryLength;
    }
}

}  // namespace
