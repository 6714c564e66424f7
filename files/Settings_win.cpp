#include "files/Settings_win.h"

#include "files/FileReplace.h"
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

namespace {

// What a read of a whole small file found: the bytes, or why there are none.
struct FileRead {
    bool opened;
    uint32_t openError;
    bool readOk;
    DWORD length;
};

// A backup or sync tool may hold the file for an instant without sharing it: the read is tried
// for about a second before the file counts as unreadable. Shared for writing and deleting, so
// this read never stands in another program's way either.
FileRead ReadSmallFile(const wchar_t* path, uint8_t* bytes, DWORD capacity) {
    FileRead r = {};
    for (int32_t attempt = 0; attempt < 10; attempt++) {
        if (attempt > 0) {
            Sleep(100);
        }
        UniqueHandle handle(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        r.opened = static_cast<bool>(handle);
        r.openError = r.opened ? 0 : GetLastError();
        r.length = 0;
        r.readOk = r.opened && ReadFile(handle.get(), bytes, capacity, &r.length, nullptr);
        uint32_t error = r.opened ? (r.readOk ? 0 : GetLastError()) : r.openError;
        if (error != FILE_ERROR_SHARING_VIOLATION && error != FILE_ERROR_LOCK_VIOLATION) {
            break;
        }
    }
    return r;
}

uint32_t Replace(void*, const char16_t* path, const char16_t* temporary) {
    return ReplaceFileW(AsWide(path), AsWide(temporary), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
               ? 0
               : GetLastError();
}

uint32_t Move(void*, const char16_t* temporary, const char16_t* path) {
    return MoveFileExW(AsWide(temporary), AsWide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : GetLastError();
}

bool Exists(void*, const char16_t* path) {
    return GetFileAttributesW(AsWide(path)) != INVALID_FILE_ATTRIBUTES;
}

void Remove(void*, const char16_t* path) {
    DeleteFileW(AsWide(path));
}

void Pause(void*, uint32_t milliseconds) {
    Sleep(milliseconds);
}

const FileReplaceOps WINDOWS_REPLACE = {nullptr, Replace, Move, Exists, Remove, Pause};

}  // namespace

SettingsRead LoadSettings(LimitTable* table, bool* keepDisplayOn, SettingsFile* file) {
    if (!file->path[0]) {
        return SettingsRead::Missing;
    }
    uint8_t bytes[SETTINGS_READ_MAX + 1];
    FileRead r = ReadSmallFile(file->path, bytes, SETTINGS_READ_MAX);
    SettingsRead outcome = ClassifySettingsRead(r.opened, r.openError, r.readOk);
    if (outcome == SettingsRead::Missing) {
        // A save stopped between taking the old file away and renaming the new one leaves the
        // user's settings only in the copy: taken from there, and the rename finished.
        FileRead copy = ReadSmallFile(file->temporary, bytes, SETTINGS_READ_MAX);
        if (copy.readOk && IsCompleteSettingsText(bytes, static_cast<int32_t>(copy.length))) {
            r = copy;
            outcome = SettingsRead::Read;
            (void)CommitReplacement(&WINDOWS_REPLACE, AsUtf16(file->path), AsUtf16(file->temporary), false);
        }
    }
    if (outcome == SettingsRead::Read) {
        ParseSettings(bytes, static_cast<int32_t>(r.length), table, keepDisplayOn);
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
    wchar_t plain[PATH_CAPACITY + 8];
    if (finalLength == 0 || finalLength >= PATH_CAPACITY + 8 ||
        !PlainPathOf(AsUtf16(final), AsUtf16(plain), PATH_CAPACITY + 8)) {
        return false;
    }
    return lstrcmpiW(plain, full) != 0;
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
    if (!complete) {
        DeleteFileW(file->temporary);  // the file itself was not touched
        return;
    }
    if (CommitReplacement(&WINDOWS_REPLACE, AsUtf16(file->path), AsUtf16(file->temporary), exists) != 0) {
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
