#pragma once
#include "files/Paths.h"
#include "files/Settings.h"
#include "shell/CommandLine.h"
#include "shell/Rules.h"

#include <windows.h>

// Pellacord.rules beside the executable, read and saved as the settings file is: one-step
// replace, links and attributes kept, a read-only file left alone, and never saved over while
// it exists but could not be read.

struct RulesFile {
    wchar_t path[PATH_CAPACITY];       // empty: no rules file this run
    wchar_t temporary[PATH_CAPACITY];  // where a save is written before it replaces the file
    bool unreadable;
};

// What a save of a file that could not be read answers: nothing was written.
constexpr uint32_t RULES_NOT_SAVED = ERROR_ACCESS_DENIED;

void OpenRulesFile(RulesFile* file, const wchar_t* exePath);
// Reads the file into the set (which starts empty). A file larger than a rules file counts as
// unreadable.
SettingsRead LoadRules(RuleSet* set, RulesFile* file);
uint32_t SaveRules(const RuleSet* set, RulesFile* file);

// --rule and --forget on the set and its file: EXIT_OK; EXIT_NOT_FOUND to forget a rule that
// is not there; 1 when the file could not be read or saved (`error` says why), or the set is
// full. Nothing changes in the set unless the file took the change.
int32_t ApplyRuleCommand(RuleSet* set, RulesFile* file, const Command* command, uint32_t* error);
