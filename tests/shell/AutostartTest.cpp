#include "shell/Autostart.h"

#include "tests/support/Utf16.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char16_t* EXE = u"C:\\Tools\\Pellacord\\Pellacord.exe";

// The Run key's value as the seam shows it, with the errors a test asks for.
struct FakeRegistry {
    bool exists = false;
    std::u16string value;
    uint32_t readError = 0;
    uint32_t writeError = 0;
    uint32_t removeError = 0;
    int writes = 0;
    int removes = 0;
};

FakeRegistry* Fake(void* context) {
    return static_cast<FakeRegistry*>(context);
}

AutostartRegistry Seam(FakeRegistry* fake) {
    return AutostartRegistry{
        .context = fake,
        .read = [](void* c, bool* exists, char16_t* text, int32_t capacity) -> uint32_t {
            FakeRegistry* f = Fake(c);
            *exists = f->exists;
            text[0] = 0;
            if (!f->exists) {
                return 0;
            }
            if (f->readError) {
                return f->readError;
            }
            if (f->value.size() >= static_cast<size_t>(capacity)) {
                return AUTOSTART_ERROR_MORE_DATA;
            }
            std::char_traits<char16_t>::copy(text, f->value.c_str(), f->value.size() + 1);
            return 0;
        },
        .write = [](void* c, const char16_t* text) -> uint32_t {
            FakeRegistry* f = Fake(c);
            f->writes++;
            if (f->writeError) {
                return f->writeError;
            }
            f->exists = true;
            f->value = text;
            return 0;
        },
        .remove = [](void* c) -> uint32_t {
            FakeRegistry* f = Fake(c);
            f->removes++;
            if (f->removeError) {
                return f->removeError;
            }
            if (!f->exists) {
                return AUTOSTART_ERROR_FILE_NOT_FOUND;
            }
            f->exists = false;
            f->value.clear();
            return 0;
        },
    };
}

// A path of exactly `length` units, ending in the exe's name.
std::u16string PathOfLength(size_t length) {
    const std::u16string name = u"\\Pellacord.exe";
    return u"C:" + std::u16string(length - 2 - name.size(), u'd') + name;
}

TEST(Autostart, TheCommandQuotesThePathAndAsksForTheTray) {
    struct Case { std::u16string path; std::u16string command; };
    const Case cases[] = {
        {u"C:\\Tools\\Pellacord.exe", u"\"C:\\Tools\\Pellacord.exe\" --tray"},
        {u"C:\\Program Files\\Pellacord\\Pellacord.exe", u"\"C:\\Program Files\\Pellacord\\Pellacord.exe\" --tray"},
        {u"D:\\T\u00E9st \u00FC \u2713\\Pellacord.exe", u"\"D:\\T\u00E9st \u00FC \u2713\\Pellacord.exe\" --tray"},
        {u"\\\\server\\share\\Pellacord.exe", u"\"\\\\server\\share\\Pellacord.exe\" --tray"},
    };
    for (const Case& c : cases) {
        char16_t out[AUTOSTART_COMMAND_CAPACITY];
        ASSERT_TRUE(FormatAutostartCommand(out, AUTOSTART_COMMAND_CAPACITY, c.path.c_str())) << Printable(c.path);
        EXPECT_EQ(std::u16string(out), c.command) << Printable(c.path);
    }
}

// A command that does not fit is no command at all: one cut short would start another file, or
// nothing. Two quotes, " --tray" and the terminator take 10 units beside the path.
TEST(Autostart, ACommandThatDoesNotFitIsRefusedWhole) {
    struct Case { size_t pathLength; int32_t capacity; bool fits; };
    const Case cases[] = {
        {251, AUTOSTART_COMMAND_CAPACITY, true},   // exactly 260 characters
        {252, AUTOSTART_COMMAND_CAPACITY, false},  // 261: one over what Windows takes
        {1000, AUTOSTART_COMMAND_CAPACITY, false},
        {32000, AUTOSTART_COMMAND_CAPACITY, false},
        {30, 40, true},
        {31, 40, false},
        {20, 1, false},
    };
    for (const Case& c : cases) {
        const std::u16string path = PathOfLength(c.pathLength);
        std::u16string out(static_cast<size_t>(c.capacity) + 1, u'#');  // one unit past the end, to see an overrun
        EXPECT_EQ(FormatAutostartCommand(out.data(), c.capacity, path.c_str()), c.fits) << c.pathLength;
        if (c.fits) {
            EXPECT_EQ(std::u16string(out.c_str()), u"\"" + path + u"\" --tray") << c.pathLength;
        } else {
            EXPECT_EQ(out[0], 0) << c.pathLength;
        }
        EXPECT_EQ(out[static_cast<size_t>(c.capacity)], u'#') << c.pathLength;
    }
    char16_t untouched = u'#';
    EXPECT_FALSE(FormatAutostartCommand(&untouched, 0, u"C:\\P.exe"));
    EXPECT_EQ(untouched, u'#');
}

TEST(Autostart, NoCommandNamesAnEmptyOrQuotedPath) {
    const char16_t* paths[] = {u"", u"C:\\a\"b\\Pellacord.exe", u"\""};
    for (const char16_t* path : paths) {
        char16_t out[AUTOSTART_COMMAND_CAPACITY];
        out[0] = u'#';
        EXPECT_FALSE(FormatAutostartCommand(out, AUTOSTART_COMMAND_CAPACITY, path)) << Printable(path);
        EXPECT_EQ(out[0], 0) << Printable(path);
    }
}

// Checked only when the value starts this very exe: a copy elsewhere, or this one before it
// was moved, leaves the item unchecked, so that checking it points the value here.
TEST(Autostart, CheckedOnlyWhenTheValueNamesThisExe) {
    struct Case { const char* name; bool exists; std::u16string value; uint32_t readError; bool checked; };
    const Case cases[] = {
        {"missing", false, u"", 0, false},
        {"this exe", true, u"\"C:\\Tools\\Pellacord\\Pellacord.exe\" --tray", 0, true},
        {"this exe, another case", true, u"\"c:\\TOOLS\\pellacord\\PELLACORD.EXE\" --tray", 0, true},
        {"this exe, other arguments", true, u"\"C:\\Tools\\Pellacord\\Pellacord.exe\"", 0, true},
        {"this exe, unquoted", true, u"C:\\Tools\\Pellacord\\Pellacord.exe --tray", 0, true},
        {"this exe, after blanks", true, u" \t\"C:\\Tools\\Pellacord\\Pellacord.exe\" --tray", 0, true},
        {"a copy in another folder", true, u"\"D:\\Portable\\Pellacord.exe\" --tray", 0, false},
        {"the folder it was moved from", true, u"\"C:\\Tools\\Pellacord.exe\" --tray", 0, false},
        {"a longer name", true, u"\"C:\\Tools\\Pellacord\\Pellacord.exe.old\" --tray", 0, false},
        {"the folder alone", true, u"\"C:\\Tools\\Pellacord\" --tray", 0, false},
        {"an unclosed quote", true, u"\"C:\\Tools\\Pellacord\\Pellacord.exe --tray", 0, false},
        {"empty", true, u"", 0, false},
        {"unreadable", true, u"\"C:\\Tools\\Pellacord\\Pellacord.exe\" --tray", 5, false},
        {"not a string", true, u"\"C:\\Tools\\Pellacord\\Pellacord.exe\" --tray", AUTOSTART_ERROR_INVALID_DATA, false},
        {"too long to read", true, u"\"C:\\Tools\\Pellacord\\Pellacord.exe\" " + std::u16string(300, u'x'), 0, false},
    };
    for (const Case& c : cases) {
        FakeRegistry fake;
        fake.exists = c.exists;
        fake.value = c.value;
        fake.readError = c.readError;
        const AutostartRegistry registry = Seam(&fake);
        EXPECT_EQ(AutostartState(&registry, EXE), c.checked) << c.name;
        EXPECT_EQ(fake.writes + fake.removes, 0) << c.name << ": reading changed the value";
    }
    // An unquoted path with a blank names a program up to the blank, as Windows reads it.
    FakeRegistry spaced;
    spaced.exists = true;
    spaced.value = u"C:\\Program Files\\Pellacord\\Pellacord.exe --tray";
    const AutostartRegistry registry = Seam(&spaced);
    EXPECT_FALSE(AutostartState(&registry, u"C:\\Program Files\\Pellacord\\Pellacord.exe"));
    EXPECT_TRUE(AutostartState(&registry, u"C:\\Program"));
    // Without a path of its own the program can name nothing, not even an empty program.
    spaced.value = u"\"\" --tray";
    EXPECT_FALSE(AutostartState(&registry, u""));
}

TEST(Autostart, SettingWritesOrRemovesTheOneValue) {
    const std::u16string mine = u"\"C:\\Tools\\Pellacord\\Pellacord.exe\" --tray";
    const std::u16string stale = u"\"D:\\Old\\Pellacord.exe\" --tray";
    struct Case {
        const char* name;
        bool existsBefore;
        std::u16string before;
        uint32_t writeError, removeError;
        bool on;
        uint32_t result;
        int writes, removes;
        bool existsAfter;
        std::u16string after;
    };
    const Case cases[] = {
        {"on when missing", false, u"", 0, 0, true, 0, 1, 0, true, mine},
        {"on over another path", true, stale, 0, 0, true, 0, 1, 0, true, mine},
        {"on over itself", true, mine, 0, 0, true, 0, 1, 0, true, mine},
        {"on, refused", false, u"", 5, 0, true, 5, 1, 0, false, u""},
        {"on, refused over another path", true, stale, 1021, 0, true, 1021, 1, 0, true, stale},
        {"off", true, mine, 0, 0, false, 0, 0, 1, false, u""},
        {"off when missing", false, u"", 0, 0, false, 0, 0, 1, false, u""},
        {"off, refused", true, mine, 0, 5, false, 5, 0, 1, true, mine},
    };
    for (const Case& c : cases) {
        FakeRegistry fake;
        fake.exists = c.existsBefore;
        fake.value = c.before;
        fake.writeError = c.writeError;
        fake.removeError = c.removeError;
        const AutostartRegistry registry = Seam(&fake);
        EXPECT_EQ(SetAutostart(&registry, EXE, c.on), c.result) << c.name;
        EXPECT_EQ(fake.writes, c.writes) << c.name;
        EXPECT_EQ(fake.removes, c.removes) << c.name;
        EXPECT_EQ(fake.exists, c.existsAfter) << c.name;
        EXPECT_EQ(fake.value, c.after) << c.name << ": " << Printable(fake.value);
        EXPECT_EQ(AutostartState(&registry, EXE), c.existsAfter && fake.value == mine) << c.name;
    }
}

// A path no command can be made of is an error of its own, and nothing is written.
TEST(Autostart, CheckingWithAPathThatMakesNoCommandWritesNothing) {
    struct Case { std::u16string path; uint32_t error; };
    const Case cases[] = {
        {u"", AUTOSTART_ERROR_BAD_PATHNAME},
        {u"C:\\a\"b\\Pellacord.exe", AUTOSTART_ERROR_BAD_PATHNAME},
        {PathOfLength(252), AUTOSTART_ERROR_FILENAME_EXCED_RANGE},
        {PathOfLength(32000), AUTOSTART_ERROR_FILENAME_EXCED_RANGE},
    };
    for (const Case& c : cases) {
        FakeRegistry fake;
        fake.exists = true;
        fake.value = u"\"D:\\Old\\Pellacord.exe\" --tray";
        const AutostartRegistry registry = Seam(&fake);
        EXPECT_EQ(SetAutostart(&registry, c.path.c_str(), true), c.error) << c.path.size();
        EXPECT_EQ(fake.writes, 0) << c.path.size();
        EXPECT_EQ(fake.value, u"\"D:\\Old\\Pellacord.exe\" --tray") << c.path.size();
    }
}

}  // namespace
