#include "files/Settings.h"

#include "base/Hotkey.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const OptionalSettings NO_OPTIONAL = {};

struct Parsed {
    LimitTable table;
    bool display;
    OptionalSettings optional;
};

Parsed Parse(const std::string& text, bool display = false) {
    Parsed p;
    SetDefaultLimits(&p.table);
    p.display = display;
    p.optional = {};
    ParseSettings(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()), &p.table,
                  &p.display, &p.optional);
    return p;
}

TEST(Settings, Parser) {
    struct Case {
        const char* name;
        std::string text;
        int row;            // LIMIT_ROW_COUNT: the display flag
        uint32_t expected;
    };
    const Case cases[] = {
        {"plain", "cpu=300", 0, 300},
        {"blanks after =", "cpu=   300", 0, 300},
        {"blank before the key", " cpu=300", 0, 200},
        {"blank before =", "cpu =300", 0, 200},
        {"capitals", "CPU=300", 0, 200},
        {"tab is not a blank", "cpu=\t300", 0, 50},
        {"remark after the value", "wait=60000 ten minutes? no, one", 4, 60000},
        {"below the minimum", "disk=1", 1, 65536},
        {"wraps modulo 2^32, then clamped", "disk=4294967296", 1, 65536},
        {"wraps to a value in range", "disk=4296015872", 1, 1048576},
        {"above the maximum", "disk=4294967295", 1, 268435456},
        {"no digits: the minimum, not the default", "cpu=", 0, 50},
        {"a sign is not understood", "wait=-5", 4, 30000},
        {"plus is not understood either", "mem=+5000", 3, 500},
        {"last occurrence wins", "net=1000\r\nnet=2048\r\n", 2, 2048},
        {"later lower value wins", "net=9000\nnet=1000\n", 2, 1000},
        {"LF alone", "# x\nmem=4000\nwait=40000", 3, 4000},
        {"CR alone", "# x\rmem=4000\rwait=40000", 4, 40000},
        {"NUL ends a line", std::string("mem=4000\0wait=40000", 19), 4, 40000},
        {"NUL cuts a value", std::string("mem=40\0" "00", 9), 3, 500},
        {"display yes", "display=yes", LIMIT_ROW_COUNT, 0},
        {"display 2", "display=2", LIMIT_ROW_COUNT, 1},
        {"display 4294967296 wraps to 0", "display=4294967296", LIMIT_ROW_COUNT, 0},
        {"a UTF-8 byte-order mark is skipped", "\xEF\xBB\xBF" "cpu=300\r\nmem=4000", 0, 300},
        {"and the next line read", "\xEF\xBB\xBF" "cpu=300\r\nmem=4000", 3, 4000},
        {"UTF-16, little end first", std::string("\xFF\xFE" "c\0p\0u\0=\0" "3\0" "0\0" "0\0", 16), 0, 300},
        {"UTF-16, big end first", std::string("\xFE\xFF" "\0c\0p\0u\0=\0" "3\0" "0\0" "0", 16), 0, 300},
        {"UTF-16 without its mark is no text", std::string("c\0p\0u\0=\0" "3\0" "0\0" "0\0", 14), 0, 200},
        {"UTF-16 past ASCII breaks only its line", std::string("\xFF\xFE" "\xB7\0" "\n\0" "c\0p\0u\0=\0" "7\0" "0\0", 18), 0, 70},
        {"empty file", "", 0, 200},
        {"only comments", "# cpu=300\r\n#display=1\r\n", LIMIT_ROW_COUNT, 0},
        {"unknown key", "cpux=300\r\nnetwork=5\r\n", 2, 2048},
        {"key order does not matter", "wait=90000\r\ncpu=700\r\n", 0, 700},
    };
    for (const Case& c : cases) {
        Parsed p = Parse(c.text);
        uint32_t got = c.row == LIMIT_ROW_COUNT ? static_cast<uint32_t>(p.display) : p.table.rows[c.row].value;
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

// The whole file counts, whatever its length up to 64 KiB: a value is never read from a line
// the read cut short. A longer file is no settings file, and nothing of it is taken.
TEST(Settings, TheWholeFileCountsUpTo64KiB) {
    struct Case { int32_t length; bool read; uint32_t cpu; };
    const Case cases[] = {{1023, true, 350}, {1024, true, 350}, {1025, true, 350},
                          {SETTINGS_FILE_MAX, true, 350}, {SETTINGS_FILE_MAX + 1, false, 200}};
    for (const Case& c : cases) {
        std::string text(static_cast<size_t>(c.length) - 9, '#');
        text += "\ncpu=350\n";  // the last 9 bytes, across every old limit
        LimitTable t;
        SetDefaultLimits(&t);
        bool display = false;
        OptionalSettings optional = {};
        EXPECT_EQ(ParseSettings(reinterpret_cast<const uint8_t*>(text.data()), c.length, &t, &display, &optional),
                  c.read)
            << c.length;
        EXPECT_EQ(t.rows[0].value, c.cpu) << c.length;
    }
}

// A save after the file was edited by hand keeps the edits of settings the program did not
// change since it last read or wrote the file; its own changes win.
TEST(Settings, HandEditsOfOtherSettingsSurviveASave) {
    const SettingsValues known = {{200, 1048576, 2048, 3000, 600000}, false, {}, 200};
    struct Case {
        const char* name;
        SettingsValues mine, onDisk, saved;
        bool took;
    };
    const Case cases[] = {
        {"net edited, cpu moved", {{300, 1048576, 2048, 3000, 600000}, false, {}, 200}, {{200, 1048576, 9000, 3000, 600000}, true, {}, 200},
         {{300, 1048576, 9000, 3000, 600000}, true, {}, 200}, true},
        {"both changed the same: the program's", {{300, 1048576, 2048, 3000, 600000}, false, {}, 200},
         {{400, 1048576, 2048, 3000, 600000}, false, {}, 200}, {{300, 1048576, 2048, 3000, 600000}, false, {}, 200}, false},
        {"nothing edited", {{300, 1048576, 2048, 3000, 600000}, true, {}, 200}, known, {{300, 1048576, 2048, 3000, 600000}, true, {}, 200},
         false},
        {"the GPU's limit edited", {{300, 1048576, 2048, 3000, 600000}, false, {}, 200},
         {{200, 1048576, 2048, 3000, 600000}, false, {}, 500}, {{300, 1048576, 2048, 3000, 600000}, false, {}, 500},
         true},
    };
    for (const Case& c : cases) {
        SettingsValues mine = c.mine;
        EXPECT_EQ(TakeHandEdits(&mine, &known, &c.onDisk), c.took) << c.name;
        for (int32_t r = 0; r < LIMIT_ROW_COUNT; r++) {
            EXPECT_EQ(mine.value[r], c.saved.value[r]) << c.name << " row " << r;
        }
        EXPECT_EQ(mine.display, c.saved.display) << c.name;
        EXPECT_EQ(mine.gpu, c.saved.gpu) << c.name;
    }
}

TEST(Settings, MissingKeysKeepTheirValues) {
    Parsed p = Parse("cpu=300", 1);
    EXPECT_EQ(p.display, 1);
    LimitTable defaults;
    SetDefaultLimits(&defaults);
    for (int i = 1; i < LIMIT_ROW_COUNT; i++) {
        EXPECT_EQ(p.table.rows[i].value, defaults.rows[i].value);
    }
}

TEST(Settings, WrittenTextAndRoundTrip) {
    LimitTable t;
    SetDefaultLimits(&t);
    char out[SETTINGS_TEXT_CAPACITY];
    int32_t n = FormatSettings(out, SETTINGS_TEXT_CAPACITY, &t, 0, &NO_OPTIONAL);
    const std::string expected =
        "# Pellacord settings. Delete this file to go back to the defaults.\r\n"
        "# cpu is permille of one core, disk and net are bytes per second,\r\n"
        "# mem is page faults per second, wait is milliseconds.\r\n"
        "cpu=200\r\ndisk=1048576\r\nnet=2048\r\nmem=3000\r\nwait=600000\r\ndisplay=0\r\n";
    EXPECT_EQ(n, 258);
    EXPECT_EQ(std::string(out, static_cast<size_t>(n)), expected);

    for (int i = 0; i < LIMIT_ROW_COUNT; i++) {
        t.rows[i].value = t.rows[i].maxValue - static_cast<uint32_t>(i);
    }
    n = FormatSettings(out, SETTINGS_TEXT_CAPACITY, &t, 7, &NO_OPTIONAL);
    EXPECT_NE(std::string(out).find("display=1\r\n"), std::string::npos);
    Parsed back = Parse(std::string(out, static_cast<size_t>(n)));
    for (int i = 0; i < LIMIT_ROW_COUNT; i++) {
        EXPECT_EQ(back.table.rows[i].value, t.rows[i].value);
    }
    EXPECT_EQ(back.display, 1);
}

// The battery floor is a line after the six keys while it is set, and none while it is off: a
// file of a user who never set it is the one it always was. A line removed by hand turns it off.
TEST(Settings, TheBatteryFloorIsWrittenOnlyWhileSet) {
    LimitTable t;
    SetDefaultLimits(&t);
    char out[SETTINGS_TEXT_CAPACITY];
    const OptionalSettings off = {0};
    int32_t plain = FormatSettings(out, SETTINGS_TEXT_CAPACITY, &t, false, &off);
    EXPECT_EQ(plain, 258);
    EXPECT_EQ(std::string(out).find("battery"), std::string::npos);

    const OptionalSettings on = {20};
    int32_t n = FormatSettings(out, SETTINGS_TEXT_CAPACITY, &t, false, &on);
    std::string text(out, static_cast<size_t>(n));
    EXPECT_EQ(text.substr(static_cast<size_t>(plain)), "battery=20\r\n");
    EXPECT_TRUE(IsCompleteSettingsText(reinterpret_cast<const uint8_t*>(out), n));
    EXPECT_EQ(Parse(text).optional.batteryFloor, 20u);

    struct Case { const char* text; uint32_t floor; };
    for (Case c : {Case{"battery=35", 35}, Case{"battery=0", 0}, Case{"battery=250", 100}, Case{"Battery=20", 0},
                   Case{"cpu=300", 0}}) {
        EXPECT_EQ(Parse(c.text).optional.batteryFloor, c.floor) << c.text;
    }

    SettingsValues known = ValuesOf(&t, false, &on);
    SettingsValues mine = known;
    SettingsValues removed = ValuesOf(&t, false, &off);  // the line deleted by hand
    EXPECT_TRUE(TakeHandEdits(&mine, &known, &removed));
    EXPECT_EQ(mine.optional.batteryFloor, 0u);
}

// The GPU's limit is a line after the six keys (and the battery floor) only while it is not its
// default, so a default file keeps its bytes; a value read is kept within 10 to 1000 permille.
TEST(Settings, TheGpuLimitIsWrittenOnlyWhileNotTheDefault) {
    LimitTable t;
    SetDefaultLimits(&t);
    char out[SETTINGS_TEXT_CAPACITY];
    const OptionalSettings on = {20};
    EXPECT_EQ(FormatSettings(out, SETTINGS_TEXT_CAPACITY, &t, false, &on), 270);
    EXPECT_EQ(std::string(out).find("gpu"), std::string::npos);
    t.gpu = 500;
    int32_t n = FormatSettings(out, SETTINGS_TEXT_CAPACITY, &t, false, &on);
    std::string text(out, static_cast<size_t>(n));
    EXPECT_EQ(text.substr(258), "battery=20\r\ngpu=500\r\n");
    EXPECT_EQ(Parse(text).table.gpu, 500u);

    struct Case { const char* text; uint32_t gpu; };
    for (Case c : {Case{"gpu=350", 350}, Case{"gpu=0", 10}, Case{"gpu=5000", 1000}, Case{"GPU=300", 200},
                   Case{"cpu=300", 200}}) {
        EXPECT_EQ(Parse(c.text).table.gpu, c.gpu) << c.text;
    }
}

// The hotkey's text: read in any case and order of its modifiers, written in one form, shown
// to the user in another; "none" turns it off; text it cannot read leaves it as it was.
TEST(Settings, TheHotkeysTextForm) {
    struct Case {
        const char* text;
        bool read;
        const char* written;  // as the file holds it again
        const char16_t* shown;
    };
    const Case CASES[] = {
        {"ctrl+alt+w", true, "ctrl+alt+w", u"Ctrl+Alt+W"},
        {"  Alt+CTRL+W ", true, "ctrl+alt+w", u"Ctrl+Alt+W"},
        {"win+shift+f9", true, "shift+win+f9", u"Shift+Win+F9"},
        {"ctrl+shift+f24", true, "ctrl+shift+f24", u"Ctrl+Shift+F24"},
        {"win+alt+7", true, "alt+win+7", u"Alt+Win+7"},
        {"ctrl+c", false, "", u""},        // one modifier: would take what apps use
        {"alt+f4", false, "", u""},
        {"shift+ctrl", false, "", u""},
        {"none", true, "none", u"none"},
        {"NONE", true, "none", u"none"},
        {"shift+alt+w", true, "alt+shift+w", u"Alt+Shift+W"},
        {"shift+w", false, "", u""},       // would take typing
        {"w", false, "", u""},
        {"ctrl+alt", false, "", u""},
        {"ctrl+ctrl+w", false, "", u""},
        {"ctrl++w", false, "", u""},
        {"ctrl+alt+f25", false, "", u""},
        {"ctrl+alt+ww", false, "", u""},
        {"hyper+w", false, "", u""},
        {"", false, "", u""},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.text);
        uint32_t setting = 12345;
        ASSERT_EQ(ParseHotkey(c.text, &setting), c.read);
        if (!c.read) {
            EXPECT_EQ(setting, 12345u);
            continue;
        }
        char written[HOTKEY_TEXT_CAPACITY];
        FormatHotkey(written, HOTKEY_TEXT_CAPACITY, setting);
        EXPECT_EQ(std::string(written), c.written);
        char16_t shown[HOTKEY_TEXT_CAPACITY];
        FormatHotkeyName(shown, HOTKEY_TEXT_CAPACITY, setting);
        EXPECT_EQ(std::u16string(shown), std::u16string(c.shown));
    }
    uint32_t setting = HOTKEY_NONE;
    ASSERT_TRUE(ParseHotkey("ctrl+alt+w", &setting));
    EXPECT_EQ(setting, HOTKEY_DEFAULT);  // the default, however it came
    EXPECT_EQ(HotkeyKeysOf(HOTKEY_DEFAULT).modifiers, HOTKEY_CONTROL | HOTKEY_ALT);
    EXPECT_EQ(HotkeyKeysOf(HOTKEY_DEFAULT).key, uint32_t{'W'});
    EXPECT_EQ(HotkeyKeysOf(HOTKEY_NONE).key, 0u);
}

// In the file: a line after the others only while it is not the default, so a file that never
// had one keeps its bytes; the last line read wins, and an unreadable one is passed over.
TEST(Settings, TheHotkeyIsWrittenOnlyWhileNotTheDefault) {
    LimitTable t;
    SetDefaultLimits(&t);
    char out[SETTINGS_TEXT_CAPACITY];
    OptionalSettings o = {};
    EXPECT_EQ(FormatSettings(out, SETTINGS_TEXT_CAPACITY, &t, false, &o), 258);
    o.hotkey = HOTKEY_NONE;
    int32_t n = FormatSettings(out, SETTINGS_TEXT_CAPACITY, &t, false, &o);
    std::string text(out, static_cast<size_t>(n));
    EXPECT_EQ(text.substr(258), "hotkey=none\r\n");
    EXPECT_EQ(Parse(text).optional.hotkey, HOTKEY_NONE);
    const uint32_t k = Parse("hotkey=ctrl+shift+k").optional.hotkey;
    EXPECT_EQ(HotkeyKeysOf(k).key, uint32_t{'K'});
    EXPECT_EQ(Parse("hotkey=ctrl+shift+k\r\nhotkey=none\r\n").optional.hotkey, HOTKEY_NONE);
    EXPECT_EQ(Parse("hotkey=ctrl+shift+k\r\nhotkey=banana\r\n").optional.hotkey, k);
    EXPECT_EQ(Parse("hotkey=banana").optional.hotkey, HOTKEY_DEFAULT);
    EXPECT_EQ(Parse("Hotkey=none").optional.hotkey, HOTKEY_DEFAULT);

    // Set by hand while the program runs: the program's next save keeps it.
    SettingsValues known = ValuesOf(&t, false, &NO_OPTIONAL);
    SettingsValues mine = known;
    mine.value[0] = 300;
    SettingsValues onDisk = ValuesOf(&t, false, &o);
    EXPECT_TRUE(TakeHandEdits(&mine, &known, &onDisk));
    EXPECT_EQ(mine.optional.hotkey, HOTKEY_NONE);
    EXPECT_EQ(mine.value[0], 300u);
}

// A copy a save left behind is taken at start-up only when it is whole.
TEST(SettingsFile, AWholeCopyIsOneWithEveryKeyAndItsLastLineEnded) {
    LimitTable t;
    SetDefaultLimits(&t);
    char written[SETTINGS_TEXT_CAPACITY];
    int32_t n = FormatSettings(written, SETTINGS_TEXT_CAPACITY, &t, true, &NO_OPTIONAL);
    auto complete = [](const std::string& text) {
        return IsCompleteSettingsText(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()));
    };
    std::string whole(written, static_cast<size_t>(n));
    EXPECT_TRUE(complete(whole));
    EXPECT_TRUE(complete("cpu=1\r\ndisk=2\r\nnet=3\r\nmem=4\r\nwait=5\r\ndisplay=0\r\n"));
    EXPECT_FALSE(complete(whole.substr(0, whole.size() - 1)));   // the last line cut
    EXPECT_FALSE(complete(whole.substr(0, whole.size() - 12)));  // "display=1" missing
    EXPECT_FALSE(complete("cpu=1\r\ndisk=2\r\nnet=3\r\nmem=4\r\nwait=5\r\n# display=0\r\n"));
    EXPECT_FALSE(complete(""));
}

TEST(SettingsFile, WhatAnOpenFoundAndHowASaveWrites) {
    struct Read { bool opened; uint32_t error; bool readOk; SettingsRead outcome; };
    const Read reads[] = {
        {true, 0, true, SettingsRead::Read},
        {false, OPEN_ERROR_FILE_NOT_FOUND, false, SettingsRead::Missing},
        {false, OPEN_ERROR_PATH_NOT_FOUND, false, SettingsRead::Missing},
        {false, 5, false, SettingsRead::Unreadable},   // access denied
        {false, 32, false, SettingsRead::Unreadable},  // held by another program
        {true, 0, false, SettingsRead::Unreadable},    // opened, but the read failed
    };
    for (const Read& r : reads) {
        EXPECT_EQ(ClassifySettingsRead(r.opened, r.error, r.readOk), r.outcome) << r.error;
    }
    struct Save { bool exists; uint32_t attributes; uint32_t links; bool elsewhere; SaveMethod method; };
    const Save saves[] = {
        {false, 0, 0, false, SaveMethod::Replace},
        {true, 0x20, 1, false, SaveMethod::Replace},
        {true, 0x22, 1, false, SaveMethod::Replace},                            // hidden: kept by the replace
        {true, 0x21, 1, false, SaveMethod::LeaveAlone},                         // read-only
        {true, 0x20 | FILE_ATTR_REPARSE_POINT, 1, false, SaveMethod::InPlace},  // a symbolic link
        {true, 0x20, 2, false, SaveMethod::InPlace},                            // a hard link
        {true, 0x20, 1, true, SaveMethod::InPlace},                             // the path leads to another file
        {true, FILE_ATTR_READONLY | FILE_ATTR_REPARSE_POINT, 1, false, SaveMethod::LeaveAlone},
    };
    for (const Save& v : saves) {
        EXPECT_EQ(ChooseSaveMethod(v.exists, v.attributes, v.links, v.elsewhere), v.method)
            << v.attributes << " " << v.links << " " << v.elsewhere;
    }
}

}  // namespace
