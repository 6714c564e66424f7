#pragma once
#include "engine/Limits.h"
#include "files/Paths.h"
#include "files/Settings.h"

#include <windows.h>

// Pellacord.ini beside the executable. Failures are silent: the values in memory stay.
struct SettingsFile {
    wchar_t path[PATH_CAPACITY];       // empty: no settings file this run
    wchar_t temporary[PATH_CAPACITY];  // where a save is written before it replaces the file
    bool unreadable;                   // it existed but could not be read: never saved over
};

void OpenSettingsFile(SettingsFile* file, const wchar_t* exePath);
// Reads the file over the values; returns what it found.
SettingsRead LoadSettings(LimitTable* table, bool* keepDisplayOn, SettingsFile* file);
void SaveSettings(const LimitTable* table, bool keepDisplayOn, const SettingsFile* file);
