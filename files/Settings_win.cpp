#include "files/Settings_win.h"

#include "shell/Scoped_win.h"
#include "shell/Wide_win.h"

static_assert(OPEN_ERROR_FILE_NOT_FOUND == ERROR_FILE_NOT_FOUND, "Win32 error");
static_assert(OPEN_ERROR_PATH_NOT_FOUND == ERROR_PATH_NOT_FOUND, "Win32 error");
static_assert(FILE_ATTR_READONLY == FILE_ATTRIBUTE_READONLY, "Win32 attribute");
static_assert(FILE_ATTR_REPARSE_POINT == FILE_ATTRIBUTE_REPARSE_POINT, "Win32 attribute");

void OpenSettingsFile(SettingsFile* file, const wchar_t* exePath) {
    // The temporary name is as long as the settings' own, so it fits wherever they do, and
    // no trailing dot or cut ever makes Windows take it for the settings file itself.
    ExeSiblingPath(AsUtf16(exePath), u"Pellacord.ini", AsUtf16(file->path));
    ExeSiblingPath(AsUtf16(exePath), u"Pellacord.new", AsUtf16(file->temporary));
    if (!file->temporary[0]) {
        file->path[0] = 0;
    }
    file->unreadable = false;
}

SettingsRead LoadSettings(LimitTable* table, bool* keepDisplayOn, SettingsFile* file) {
    if (!file->path[0]) {
        return SettingsRead::Missing;
    }
    UniqueHandle handle(CreateFileW(file->path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool opened = static_cast<bool>(handle);
    uint32_t openError = opened ? 0 : GetLastError();
    uint8_t bytes[SETTINGS_READ_MAX + 1];
    DWORD read = 0;
    bool readOk = opened && ReadFile(handle.get(), bytes, SETTINGS_READ_MAX, &read, nullptr);
    handle.Reset();
    SettingsRead outcome = ClassifySettingsRead(opened, openError, readOk);
    if (outcome == SettingsRead::Read) {
        ParseSettings(bytes, static_cast<int32_t>(read), table, keepDisplayOn);
    }
    file->unreadable = outcome == SettingsRead::Unreadable;
    return outcome;
}

namespace {

bool WriteWhole(HANDLE handle, const char* text, DWORD length) {
    DWORD written = 0;
    return WriteFile(handle, text, length, &written, nullptr) && written == length && FlushFileBuffers(handle);
}

// The number of names the file has; 1 when it cannot be told.
uint32_t LinkCount(const wchar_t* path) {
    UniqueHandle handle(CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    return handle && GetFileInformationByHandle(handle.get(), &info) ? info.nNumberOfLinks : 1;
}

// Whether opening the path ends at a file of another path: a symbolic link, or a folder of the
// path that is one. (Wine shows a Unix symbolic link only this way.)
bool LeadsElsewhere(const wchar_t* path) {
    wchar_t full[PATH_CAPACITY];
    DWORD fullLength = GetFullPathNameW(path, PATH_CAPACITY, full, nullptr);
    UniqueHandle handle(CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    if (!handle || fullLength == 0 || fullLength >= PATH_CAPACITY) {
        return false;
    }
    wchar_t final[PATH_CAPACITY + 8];
    DWORD finalLength = GetFinalPathNameByHandleW(handle.get(), final, PATH_CAPACITY + 8, FILE_NAME_NORMALIZED);
    if (finalLength == 0 || finalLength >= PATH_CAPACITY + 8) {
        return false;
    }
    const wchar_t* at = final;
    if (wcsncmp(at, L"\\\\?\\UNC\\", 8) == 0) {
        at += 6;  // "\\?\UNC\server" is "\\server"
        final[6] = L'\\';
    } else if (wcsncmp(at, L"\\\\?\\", 4) == 0) {
        at += 4;
    }
    return lstrcmpiW(at, full) != 0;
}

// Through the link to the file it names, keeping the link and every other name of the file.
void SaveInPlace(const wchar_t* path, const char* text, DWORD length) {
    UniqueHandle handle(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (handle && WriteWhole(handle.get(), text, length)) {
        SetEndOfFile(handle.get());  // a shorter text leaves nothing of the longer one behind
    }
}

// A finished copy replaces the file in one step, so a crash, a full disk or a locked file
// leaves the old settings as they were. ReplaceFileW keeps the file's own attributes and
// permissions; where it cannot, the copy is moved over and given the old attributes.
void SaveByReplacing(const SettingsFile* file, bool exists, DWORD attributes, const char* text, DWORD length) {
    const DWORD kept = exists ? (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE))
                              : 0;
    UniqueHandle handle(CreateFileW(file->temporary, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    kept ? kept : FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        return;
    }
    bool complete = WriteWhole(handle.get(), text, length);
    handle.Reset();  // closed before it is moved
    bool replaced = complete && exists &&
                    ReplaceFileW(file->path, file->temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                                 nullptr);
    if (complete && !replaced) {
        replaced = MoveFileExW(file->temporary, file->path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    if (!replaced) {
        DeleteFileW(file->temporary);
        return;
    }
    if (exists && GetFileAttributesW(file->path) != attributes) {
        SetFileAttributesW(file->path, attributes);
    }
}

}  // namespace

void SaveSettings(const LimitTable* table, bool keepDisplayOn, const SettingsFile* file) {
    if (!file->path[0] || file->unreadable) {
        return;
    }
    char text[SETTINGS_TEXT_CAPACITY];
    DWORD length = static_cast<DWORD>(FormatSettings(text, SETTINGS_TEXT_CAPACITY, table, keepDisplayOn));
    DWORD attributes = GetFileAttributesW(file->path);
    bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    switch (ChooseSaveMethod(exists, exists ? attributes : 0, exists ? LinkCount(file->path) : 0,
                             exists && LeadsElsewhere(file->path))) {
    case SaveMethod::LeaveAlone: break;
    case SaveMethod::InPlace: SaveInPlace(file->path, text, length); break;
    case SaveMethod::Replace: SaveByReplacing(file, exists, attributes, text, length); break;
    }
}
