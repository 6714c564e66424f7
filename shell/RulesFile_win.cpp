#include "shell/RulesFile_win.h"

#include "files/TextFile_win.h"
#include "base/Heap.h"
#include "base/Text.h"
#include "base/Wide_win.h"

#include <cstring>

void OpenRulesFile(RulesFile* file, const wchar_t* exePath) {
    // The temporary name is as long as the file's own, so it fits wherever the file does.
    ExeSiblingPath(AsUtf16(exePath), u"Pellacord.rules", AsUtf16(file->path));
    ExeSiblingPath(AsUtf16(exePath), u"Pellacord.rtemp", AsUtf16(file->temporary));
    if (!file->temporary[0]) {
        file->path[0] = 0;
    }
    file->unreadable = false;
}

namespace {

constexpr DWORD READ_CAPACITY = RULES_FILE_MAX + 1;

// A copy a save left whole: it begins as every saved file does, and ends with its last line.
bool CompleteRulesText(const uint8_t* bytes, DWORD length) {
    static const char START[] = "; Pellacord rules:";
    return length >= sizeof(START) + 1 && memcmp(bytes, START, sizeof(START) - 1) == 0 && bytes[length - 2] == '\r' &&
           bytes[length - 1] == '\n';
}

struct Bytes {
    uint8_t data[READ_CAPACITY];
};

}  // namespace

SettingsRead LoadRules(RuleSet* set, RulesFile* file) {
    if (!file->path[0]) {
        return SettingsRead::Missing;
    }
    struct Held {
        Bytes* bytes;
        ~Held() { FreeOnHeap(bytes); }
    } held = {MakeOnHeap<Bytes>()};
    if (!held.bytes) {
        file->unreadable = true;
        return SettingsRead::Unreadable;
    }
    uint8_t* bytes = held.bytes->data;
    FileRead r = ReadSmallFile(file->path, bytes, READ_CAPACITY);
    SettingsRead outcome = ClassifySettingsRead(r.opened, r.openError, r.readOk);
    if (outcome == SettingsRead::Missing) {
        // A save stopped between taking the old file away and renaming the new one: the rules
        // are in the copy, which is taken and renamed.
        FileRead copy = ReadSmallFile(file->temporary, bytes, READ_CAPACITY);
        if (copy.readOk && CompleteRulesText(bytes, copy.length)) {
            r = copy;
            outcome = SettingsRead::Read;
            (void)CommitCopy(file->path, file->temporary, false);
        }
    }
    if (outcome == SettingsRead::Read && !ParseRules(bytes, static_cast<int32_t>(r.length), set)) {
        outcome = SettingsRead::Unreadable;  // larger than rules: the user's file, whatever it is
    }
    file->unreadable = outcome == SettingsRead::Unreadable;
    return outcome;
}

uint32_t SaveRules(const RuleSet* set, RulesFile* file) {
    // A read-only file is the user's choice, as for the settings; but a rule a script was told
    // is saved must be in the file, so here it is a failure.
    const DWORD attributes = GetFileAttributesW(file->path);
    if (!file->path[0] || file->unreadable ||
        (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))) {
        return RULES_NOT_SAVED;
    }
    struct Held {
        char* text;
        ~Held() { FreeOnHeap(text); }
    } held = {static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, RULES_TEXT_CAPACITY))};
    if (!held.text) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    const int32_t length = FormatRules(held.text, RULES_TEXT_CAPACITY, set);
    return SaveTextFile(file->path, file->temporary, held.text, static_cast<DWORD>(length));
}

int32_t ApplyRuleCommand(RuleSet* set, RulesFile* file, const Command* command, uint32_t* error) {
    *error = 0;
    if (file->unreadable) {
        *error = RULES_NOT_SAVED;
        return 1;
    }
    struct Held {
        RuleSet* next;
        ~Held() { FreeOnHeap(next); }
    } held = {MakeOnHeap<RuleSet>()};
    if (!held.next) {
        *error = ERROR_NOT_ENOUGH_MEMORY;
        return 1;
    }
    *held.next = *set;
    if (command->kind == CommandKind::Forget) {
        if (!ForgetRule(held.next, command->text)) {
            return EXIT_NOT_FOUND;
        }
    } else {
        Rule rule = {};
        CopyWide(rule.image, command->text, APP_IMAGE_CAPACITY);
        rule.options = command->options;
        rule.hasThen = command->hasThen;
        if (!PutRule(held.next, &rule)) {
            return 1;
        }
    }
    *error = SaveRules(held.next, file);
    if (*error != 0) {
        return 1;
    }
    *set = *held.next;
    return EXIT_OK;
}
