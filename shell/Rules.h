#pragma once
#include "engine/WatchOptions.h"
#include "engine/WatchStatus.h"

#include <cstdint>

// Standing rules: "whenever IMAGE.exe works, keep the PC awake", each with its own limits and
// finished action. They live in Pellacord.rules beside the program, UTF-8 with CR LF, one rule
// a line: the image name and the options --rule takes, as a person would type them.
//
//   ; Pellacord rules: one a line, an image name and the options --rule takes.
//   ffmpeg.exe --cpu 20% --wait 10m --then sleep
//   backup.exe
//
// Blank lines and lines that begin with ';' or '#' are comments. A line that does not read as
// a rule (a typing slip in a hand edit) is skipped and the rest are taken; it is kept, with the
// comments, and written back as it was, so a save never loses what a person wrote. A second
// line for the same image takes the place of the first.

constexpr int32_t RULES_MAX = 32;
constexpr int32_t RULES_FILE_MAX = 65536;       // a larger file is not taken, nor saved over
constexpr int32_t RULE_LINE_CAPACITY = 512;     // UTF-8 bytes of a line, its end included
constexpr int32_t RULES_KEPT_MAX = 32;          // comments and lines that are not rules, kept
constexpr int32_t RULES_TEXT_CAPACITY = (RULES_MAX + RULES_KEPT_MAX + 2) * RULE_LINE_CAPACITY;

struct Rule {
    char16_t image[APP_IMAGE_CAPACITY];
    WatchOptions options;
    bool hasThen;  // the line names a finished action, "none" included
};

struct RuleSet {
    Rule rules[RULES_MAX];
    int32_t count;
    char kept[RULES_KEPT_MAX][RULE_LINE_CAPACITY];  // as they were, without their line ends
    int32_t keptCount;
    int32_t skipped;  // lines that did not read as rules, at the last read
};

// The whole file's bytes over the set (which starts empty). False, and nothing read, for more
// than RULES_FILE_MAX bytes. A UTF-8 byte-order mark is skipped; CR LF or LF end lines.
bool ParseRules(const uint8_t* bytes, int32_t length, RuleSet* set);
// The whole file: the header, the rules, then the lines kept. The length in bytes.
int32_t FormatRules(char* out, int32_t capacity, const RuleSet* set);
// A rule as its line shows it, and as --rules prints it: "ffmpeg.exe --cpu 20% --then sleep".
int32_t FormatRuleLine(char16_t* out, int32_t capacity, const Rule* rule);

// The rule for an image (any case), or -1.
int32_t FindRule(const RuleSet* set, const char16_t* image);
// Adds the rule, or puts it in place of the one for its image. False when the set is full.
bool PutRule(RuleSet* set, const Rule* rule);
// Removes the rule for an image; false when there is none.
bool ForgetRule(RuleSet* set, const char16_t* image);
