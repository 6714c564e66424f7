#include "shell/Rules.h"

#include "tests/support/Utf16.h"
#include "base/Text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// The rules file: what is read, what is skipped and kept, and the bytes written.

namespace {

std::unique_ptr<RuleSet> Read(const std::string& bytes) {
    auto set = std::make_unique<RuleSet>();
    EXPECT_TRUE(ParseRules(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int32_t>(bytes.size()),
                           set.get()));
    return set;
}

std::string Write(const RuleSet* set) {
    std::string out(RULES_TEXT_CAPACITY, '\0');
    out.resize(static_cast<size_t>(FormatRules(out.data(), RULES_TEXT_CAPACITY, set)));
    return out;
}

std::string Line(const Rule& rule) {
    char16_t text[RULE_LINE_CAPACITY];
    FormatRuleLine(text, RULE_LINE_CAPACITY, &rule);
    return Printable(text);
}

const std::string HEADER =
    "; Pellacord rules: one a line, an image name and the options --rule takes.\r\n"
    "; Whenever that image works, the PC stays awake. Pellacord --help lists the options.\r\n";

TEST(Rules, ReadsRulesAndWritesThemBack) {
    // A byte-order mark, LF alone, blanks, comments, a non-ASCII image, a quoted name.
    auto set = Read("\xEF\xBB\xBF" "ffmpeg.exe --cpu 20% --wait 10m --then sleep\n"
                    "\n"
                    "# my render box\n"
                    "  backup.exe\r\n"
                    "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.exe --gpu 12.5% --screen\r\n"
                    "\"my job.exe\" --disk 512KB/s");
    ASSERT_EQ(set->count, 4);
    EXPECT_EQ(set->skipped, 0);
    EXPECT_EQ(Printable(set->rules[0].image), "ffmpeg.exe");
    EXPECT_EQ(set->rules[0].options.limit[0], 200u);
    EXPECT_EQ(set->rules[0].options.then, FinishAction::Sleep);
    EXPECT_TRUE(set->rules[0].hasThen);
    EXPECT_FALSE(set->rules[1].hasThen);
    EXPECT_EQ(Line(set->rules[2]), "\\u0444\\u0430\\u0439\\u043B.exe --gpu 12.5% --screen");
    EXPECT_EQ(Line(set->rules[3]), "\"my job.exe\" --disk 512KB/s");
    const std::string written = Write(set.get());
    EXPECT_EQ(written, HEADER +
                           "ffmpeg.exe --cpu 20% --wait 10m --then sleep\r\n"
                           "backup.exe\r\n"
                           "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.exe --gpu 12.5% --screen\r\n"
                           "\"my job.exe\" --disk 512KB/s\r\n"
                           "# my render box\r\n");
    // What is written reads back to the same, and is written the same again.
    auto again = Read(written);
    EXPECT_EQ(Write(again.get()), written);
    EXPECT_EQ(again->count, 4);
}

// A hand edit with slips: each line that is not a rule is skipped, the rest are taken, and a
// save writes the slips back as they were.
TEST(Rules, LinesThatAreNotRulesAreSkippedAndKept) {
    auto set = Read("render.exe --cpu 3%\r\n"        // out of bounds
                    "render\r\n"                     // no .exe
                    "backup.exe --frobnicate\r\n"    // unknown option
                    "blender.exe --wait 45s\r\n"
                    "C:\\tools\\x.exe\r\n"           // a path
                    "render.exe --cpu 25%\r\n"
                    "render.exe --cpu 30%\r\n");     // the same image again: the last line wins
    EXPECT_EQ(set->skipped, 4);
    ASSERT_EQ(set->count, 2);
    EXPECT_EQ(Line(set->rules[0]), "blender.exe --wait 45s");
    EXPECT_EQ(Line(set->rules[1]), "render.exe --cpu 30%");
    EXPECT_EQ(Write(set.get()), HEADER +
                                    "blender.exe --wait 45s\r\n"
                                    "render.exe --cpu 30%\r\n"
                                    "render.exe --cpu 3%\r\n"
                                    "render\r\n"
                                    "backup.exe --frobnicate\r\n"
                                    "C:\\tools\\x.exe\r\n");
}

TEST(Rules, PutFindForgetAndBounds) {
    auto set = std::make_unique<RuleSet>();
    Rule rule = {};
    for (int i = 0; i < RULES_MAX; i++) {
        std::u16string image = u"job" + std::u16string(1, static_cast<char16_t>(u'A' + i)) + u".exe";
        CopyWide(rule.image, image.c_str(), APP_IMAGE_CAPACITY);
        EXPECT_TRUE(PutRule(set.get(), &rule));
    }
    CopyWide(rule.image, u"one-more.exe", APP_IMAGE_CAPACITY);
    EXPECT_FALSE(PutRule(set.get(), &rule));  // full
    CopyWide(rule.image, u"JOBC.EXE", APP_IMAGE_CAPACITY);
    rule.options.screen = true;
    EXPECT_TRUE(PutRule(set.get(), &rule));  // replaces, in any case
    EXPECT_EQ(set->count, RULES_MAX);
    EXPECT_EQ(FindRule(set.get(), u"jobc.exe"), 2);
    EXPECT_TRUE(set->rules[2].options.screen);
    EXPECT_TRUE(ForgetRule(set.get(), u"jobA.exe"));
    EXPECT_FALSE(ForgetRule(set.get(), u"jobA.exe"));
    EXPECT_EQ(FindRule(set.get(), u"jobc.exe"), 1);
    EXPECT_EQ(set->count, RULES_MAX - 1);
    // A file longer than a rules file is not read at all.
    std::string big(RULES_FILE_MAX + 1, ' ');
    auto none = std::make_unique<RuleSet>();
    EXPECT_FALSE(ParseRules(reinterpret_cast<const uint8_t*>(big.data()), static_cast<int32_t>(big.size()), none.get()));
    EXPECT_EQ(none->count, 0);
    // An empty set is the header alone.
    EXPECT_EQ(Write(none.get()), HEADER);
}

}  // namespace
