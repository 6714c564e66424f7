#pragma once
#include "engine/Limits.h"

#include <cstdint>

// The five limits and the display option as a small hand-editable text file, and after them
// the optional settings, each on a line only while it differs from its default: a file of a
// user who never changed one stays byte for byte what it always was. The parser and the
// formatter are here; the file calls are in Settings_win.

constexpr int32_t SETTINGS_FILE_MAX = 65536;  // a larger file is no settings file to take, or to save over
constexpr int32_t SETTINGS_TEXT_CAPACITY = 512;

// Reads a whole settings file over the table's values and the flag: 8-bit text, or UTF-8 after
// its byte-order mark, or UTF-16 (either order) after its byte-order mark, as Notepad saves
// "Unicode". Any of CR, LF or NUL ends a line; a line counts only when a key starts at its
// first character; values are clamped into their row; the last occurrence of a key wins. False
// for more than SETTINGS_FILE_MAX bytes, and then nothing is read.
bool ParseSettings(const uint8_t* bytes, int32_t length, LimitTable* table, bool* keepDisplayOn,
                   OptionalSettings* optional);

// The saved settings as values, to tell a hand edit of the file from the program's own change.
struct SettingsValues {
    uint32_t value[LIMIT_ROW_COUNT];
    bool display;
    OptionalSettings optional;
    uint32_t gpu;
};
SettingsValues ValuesOf(const LimitTable* table, bool keepDisplayOn, const OptionalSettings* optional);
// Before a save, with the file changed on disk since it was last read or written (`known`):
// every setting the program has not changed since takes the file's value (`onDisk`), so the
// user's hand edits survive. Returns whether any did.
bool TakeHandEdits(SettingsValues* mine, const SettingsValues* known, const SettingsValues* onDisk);

// The whole file as written: three comment lines and six key lines, then "battery=" while the
// floor is set, "gpu=" while the GPU's limit is not its default and "hotkey=" while the hotkey
// is not Ctrl+Alt+W, CR LF each. Returns the length (258 bytes with the defaults).
int32_t FormatSettings(char* out, int32_t capacity, const LimitTable* table, bool keepDisplayOn,
                       const OptionalSettings* optional);

// Whether a copy a save left behind holds a whole settings file: each of the six keys, and the
// line break that ends the last line written. A copy cut short by a crash is not taken.
bool IsCompleteSettingsText(const uint8_t* bytes, int32_t length);

// What start-up found when it opened the settings file. A file that exists but could not be
// read (locked by another program, access denied) is never saved over: the user's values in it
// would be lost to the defaults.
enum class SettingsRead { Read, Missing, Unreadable };

// Win32 errors that mean the file (or its folder) is not there.
constexpr uint32_t OPEN_ERROR_FILE_NOT_FOUND = 2;
constexpr uint32_t OPEN_ERROR_PATH_NOT_FOUND = 3;

// opened: the open worked (openError is then not read); readOk: so did the read.
SettingsRead ClassifySettingsRead(bool opened, uint32_t openError, bool readOk);

// How a save writes the file. A read-only file is left alone. A link (a reparse point, a file
// with more than one name, or a path that leads on to another file) is written through in
// place, so the link stays a link; any other file is replaced in one step by a finished copy,
// keeping its attributes.
enum class SaveMethod { Replace, InPlace, LeaveAlone };

constexpr uint32_t FILE_ATTR_READONLY = 0x1;
constexpr uint32_t FILE_ATTR_REPARSE_POINT = 0x400;

SaveMethod ChooseSaveMethod(bool exists, uint32_t attributes, uint32_t linkCount, bool leadsElsewhere);
