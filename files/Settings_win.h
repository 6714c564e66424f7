#pragma once
#include "engine/Limits.h"
#include "files/Paths.h"
#include "files/Settings.h"
#include "files/TextFile_win.h"

#include <windows.h>

// Pellacord.ini beside the executable. The values in memory stay whatever happens to the file.
struct SettingsFile {
    wchar_t path[PATH_CAPACITY];       // empty: no settings file this run
    wchar_t temporary[PATH_CAPACITY];  // where a save is written before it replaces the file
    bool unreadable;                   // it existed but could not be read: never saved over
    bool known;                        // `stamp` and `values` are the file's as last read or written
    FileStamp stamp;
    SettingsValues values;
};

void OpenSettingsFile(SettingsFile* file, const wchar_t* exePath);
// Reads the file over the values; returns what it found.
SettingsRead LoadSettings(LimitTable* table, bool* keepDisplayOn, OptionalSettings* optional, SettingsFile* file);
// Writes the values. A file changed on disk since it was last read or written is read first,
// and each setting the program has not changed takes the file's value, in the table and flag
// too (`tookHandEdits`). Returns 0, or the error of a save that failed.
uint32_t SaveSettings(LimitTable* table, bool* keepDisplayOn, OptionalSettings* optional, SettingsFile* file,
                      bool* tookHandEdits);
