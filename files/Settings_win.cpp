#include "files/Settings_win.h"

#include "files/TextFile_win.h"
#include "base/Wide_win.h"

static_assert(OPEN_ERROR_FILE_NOT_FOUND == ERROR_FILE_NOT_FOUND, "Win32 error");
static_assert(OPEN_ERROR_PATH_NOT_FOUND == ERROR_PATH_NOT_FOUND, "Win32 error");

void OpenSettingsFile(SettingsFile* file, const wchar_t* exePath) {
    // The temporary name is as long as the settings' own, so it fits wherever they do, and
    // no trailing dot or cut ever makes Windows take it for the settings file itself.
    ExeSiblingPath(AsUtf16(exePath), u"Pellacord.ini", AsUtf16(file->path));
    ExeSiblingPath(AsUtf16(exePath), u"Pellacord.new", AsUtf16(file->temporary));
    if (!file->temporary[0]) {
        file->path[0] = 0;
    }
    file->unreadable = false;
    file->known = false;
}

namespace {

// One byte more than a settings file may hold, to tell a file that is too long.
constexpr DWORD READ_CAPACITY = SETTINGS_FILE_MAX + 1;

}  // namespace

SettingsRead LoadSettings(LimitTable* table, bool* keepDisplayOn, OptionalSettings* optional, SettingsFile* file) {
    file->known = false;
    if (!file->path[0]) {
        return SettingsRead::Missing;
    }
    uint8_t bytes[READ_CAPACITY];
    FileRead r = ReadSmallFile(file->path, bytes, READ_CAPACITY);
    SettingsRead outcome = ClassifySettingsRead(r.opened, r.openError, r.readOk);
    if (outcome == SettingsRead::Missing) {
        // A save stopped between taking the old file away and renaming the new one leaves the
        // user's settings only in the copy: taken from there, and the rename finished.
        FileRead copy = ReadSmallFile(file->temporary, bytes, READ_CAPACITY);
        if (copy.readOk && IsCompleteSettingsText(bytes, static_cast<int32_t>(copy.length))) {
            r = copy;
            outcome = SettingsRead::Read;
            (void)CommitCopy(file->path, file->temporary, false);
        }
    }
    // A file too long to be settings is the user's, whatever it holds: not taken, never saved over.
    if (outcome == SettingsRead::Read && !ParseSettings(bytes, static_cast<int32_t>(r.length), table, keepDisplayOn, optional)) {
        outcome = SettingsRead::Unreadable;
    }
    file->unreadable = outcome == SettingsRead::Unreadable;
    file->known = !file->unreadable;
    file->stamp = StampOf(file->path);
    file->values = ValuesOf(table, *keepDisplayOn, optional);
    return outcome;
}

uint32_t SaveSettings(LimitTable* table, bool* keepDisplayOn, OptionalSettings* optional, SettingsFile* file,
                      bool* tookHandEdits) {
    *tookHandEdits = false;
    if (!file->path[0] || file->unreadable) {
        return 0;
    }
    SettingsValues mine = ValuesOf(table, *keepDisplayOn, optional);
    if (file->known && !SameStamp(StampOf(file->path), file->stamp)) {
        // Edited by hand (or by another program) since: what the program did not change is the
        // file's. Keys the edit removed keep the values they had.
        uint8_t bytes[READ_CAPACITY];
        FileRead r = ReadSmallFile(file->path, bytes, READ_CAPACITY);
        LimitTable disk = *table;
        for (int32_t i = 0; i < LIMIT_ROW_COUNT; i++) {
            disk.rows[i].value = file->values.value[i];
        }
        disk.gpu = GPU_LIMIT_DEFAULT;
        bool diskDisplay = file->values.display;
        OptionalSettings diskOptional = {};  // an optional setting the file does not hold is at its default
        if (r.readOk && !ParseSettings(bytes, static_cast<int32_t>(r.length), &disk, &diskDisplay, &diskOptional)) {
            file->unreadable = true;  // grown past a settings file: the user's now
            return 0;
        }
        SettingsValues onDisk = ValuesOf(&disk, diskDisplay, &diskOptional);
        if (r.readOk && TakeHandEdits(&mine, &file->values, &onDisk)) {
            for (int32_t i = 0; i < LIMIT_ROW_COUNT; i++) {
                table->rows[i].value = mine.value[i];
            }
            table->gpu = mine.gpu;
            *keepDisplayOn = mine.display;
            *optional = mine.optional;
            *tookHandEdits = true;
        }
    }
    char text[SETTINGS_TEXT_CAPACITY];
    DWORD length = static_cast<DWORD>(FormatSettings(text, SETTINGS_TEXT_CAPACITY, table, *keepDisplayOn, optional));
    uint32_t error = SaveTextFile(file->path, file->temporary, text, length);
    if (error == 0) {
        file->known = true;
        file->stamp = StampOf(file->path);
        file->values = mine;
    }
    return error;
}
