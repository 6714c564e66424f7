#include "shell/Rules.h"

#include "shell/CommandLine.h"
#include "base/CaseFold.h"
#include "base/Format.h"
#include "base/Text.h"
#include "base/Utf8.h"

#include <cstring>

namespace {

const char* const HEADER[] = {
    "; Pellacord rules: one a line, an image name and the options --rule takes.",
    "; Whenever that image works, the PC stays awake. Pellacord --help lists the options.",
};

bool IsHeader(const char* line, int32_t length) {
    for (const char* h : HEADER) {
        if (static_cast<int32_t>(strlen(h)) == length && memcmp(h, line, static_cast<size_t>(length)) == 0) {
            return true;
        }
    }
    return false;
}

void Keep(RuleSet* set, const char* line, int32_t length) {
    if (set->keptCount < RULES_KEPT_MAX && length < RULE_LINE_CAPACITY) {
        memcpy(set->kept[set->keptCount], line, static_cast<size_t>(length));
        set->kept[set->keptCount][length] = 0;
        set->keptCount++;
    }
}

// A line's rule, read as the arguments of --rule.
bool ReadRule(const char* line, int32_t length, Rule* rule) {
    char16_t text[RULE_LINE_CAPACITY + 16];
    const int32_t prefix = FormatText(text, RULE_LINE_CAPACITY + 16, u"x --rule ");
    if (Utf8ToUtf16(line, length, text + prefix, RULE_LINE_CAPACITY + 16 - prefix) < 0) {
        return false;
    }
    // Too large for the stack, and zero-initialised, so no guard: the program reads its rules
    // on one thread.
    static CommandArguments arguments;
    static Command command;
    if (ParseCommandLine(text, &arguments, &command) != EXIT_OK || command.kind != CommandKind::Rule) {
        return false;
    }
    CopyWide(rule->image, command.text, APP_IMAGE_CAPACITY);
    rule->options = command.options;
    rule->hasThen = command.hasThen;
    return true;
}

}  // namespace

bool ParseRules(const uint8_t* bytes, int32_t length, RuleSet* set) {
    if (length > RULES_FILE_MAX) {
        return false;
    }
    const char* text = reinterpret_cast<const char*>(bytes);
    int32_t at = length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
    while (at < length) {
        int32_t end = at;
        while (end < length && text[end] != '\n') {
            end++;
        }
        int32_t stop = end > at && text[end - 1] == '\r' ? end - 1 : end;
        const char* line = text + at;
        const int32_t n = stop - at;
        int32_t first = 0;
        while (first < n && (line[first] == ' ' || line[first] == '\t')) {
            first++;
        }
        Rule rule = {};
        if (first == n) {
            // a blank line
        } else if (line[first] == ';' || line[first] == '#') {
            if (!IsHeader(line, n)) {
                Keep(set, line, n);
            }
        } else if (n < RULE_LINE_CAPACITY && ReadRule(line, n, &rule) && PutRule(set, &rule)) {
            // taken
        } else {
            set->skipped++;
            Keep(set, line, n);
        }
        at = end + 1;
    }
    return true;
}

int32_t FormatRuleLine(char16_t* out, int32_t capacity, const Rule* rule) {
    // An image name holds no quote (Windows forbids it in names): quotes are needed only
    // around a blank.
    bool blank = false;
    for (const char16_t* c = rule->image; *c; c++) {
        blank = blank || *c == u' ' || *c == u'\t';
    }
    int32_t n = blank ? FormatText(out, capacity, u"\"%s\"", rule->image) : FormatText(out, capacity, u"%s", rule->image);
    return n < capacity ? n + FormatWatchOptions(out + n, capacity - n, &rule->options, rule->hasThen) : n;
}

int32_t FormatRules(char* out, int32_t capacity, const RuleSet* set) {
    int32_t n = 0;
    auto line = [&](const char* text) {
        if (n < capacity) {
            n += FormatText8(out + n, capacity - n, "%s\r\n", text);
        }
    };
    for (const char* h : HEADER) {
        line(h);
    }
    for (int32_t i = 0; i < set->count; i++) {
        char16_t wide[RULE_LINE_CAPACITY];
        FormatRuleLine(wide, RULE_LINE_CAPACITY, &set->rules[i]);
        char utf8[RULE_LINE_CAPACITY * 3];
        if (Utf16ToUtf8(wide, utf8, sizeof(utf8)) > 0) {
            line(utf8);
        }
    }
    for (int32_t i = 0; i < set->keptCount; i++) {
        line(set->kept[i]);
    }
    return n;
}

int32_t FindRule(const RuleSet* set, const char16_t* image) {
    for (int32_t i = 0; i < set->count; i++) {
        if (EqualIgnoringCase(set->rules[i].image, image)) {
            return i;
        }
    }
    return -1;
}

bool PutRule(RuleSet* set, const Rule* rule) {
    int32_t i = FindRule(set, rule->image);
    if (i < 0) {
        if (set->count == RULES_MAX) {
            return false;
        }
        i = set->count++;
    }
    set->rules[i] = *rule;
    return true;
}

bool ForgetRule(RuleSet* set, const char16_t* image) {
    const int32_t i = FindRule(set, image);
    if (i < 0) {
        return false;
    }
    for (int32_t k = i; k + 1 < set->count; k++) {
        set->rules[k] = set->rules[k + 1];
    }
    set->count--;
    return true;
}
