#include "files/Settings_win.h"

#include "files/FileReplace.h"
#include "base/Owner_win.h"
#include "base/Wide_win.h"

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
    file->known = false;
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
// this read never stands in another program's way either. Reads up to `capacity` bytes: a
// file that fills them may be longer.
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
        r.readOk = r.opened;
        while (r.readOk && r.length < capacity) {
            DWORD got = 0;
            r.readOk = ReadFile(handle.get(), bytes + r.length, capacity - r.length, &got, nullptr) != FALSE;
            if (got == 0) {
                break;  // the end of the file
            }
            r.length += got;
        }
        uint32_t error = r.opened ? (r.readOk ? 0 : GetLastError()) : r.openError;
        if (error != FILE_ERROR_SHARING_VIOLATION && error != FILE_ERROR_LOCK_VIOLATION) {
            break;
        }
    }
    return r;
}

FileStamp StampOf(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) {
        return FileStamp{false, 0, 0};
    }
    return FileStamp{true, (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
                     (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime};
}

bool SameStamp(const FileStamp& a, const FileStamp& b) {
    return a.exists == b.exists && a.size == b.size && a.writeTime == b.writeTime;
}

// One byte more than a settings file may hold, to tell a file that is too long.
constexpr DWORD READ_CAPACITY = SETTINGS_FILE_MAX + 1;

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

const FileReplaceOps WINDOWS_REPLACE = {
    .context = nullptr,
    .replace = Replace,
    .move = Move,
    .exists = Exists,
    .remove = Remove,
    .pause = Pause,
};

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
            (void)CommitReplacement(&WINDOWS_REPLACE, AsUtf16(file->path), AsUtf16(file->temporary), false);
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
uint32_t SaveInPlace(const wchar_t* path, const char* text, DWORD length) {
    UniqueHandle handle(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle || !WriteWhole(handle.get(), text, length) || !SetEndOfFile(handle.get())) {
        return GetLastError();  // a shorter text leaves nothing of the longer one behind
    }
    return 0;
}

// A finished copy replaces the file in one step, so a crash, a full disk or a locked file
// leaves the old settings as they were. ReplaceFileW keeps the file's own attributes and
// permissions; where it cannot, the copy is moved over and given the old attributes.
uint32_t SaveByReplacing(const SettingsFile* file, bool exists, DWORD attributes, const char* text, DWORD length) {
    const DWORD kept = exists ? (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE))
                              : 0;
    UniqueHandle handle(CreateFileW(file->temporary, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    kept ? kept : FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        return GetLastError();
    }
    bool complete = WriteWhole(handle.get(), text, length);
    uint32_t error = complete ? 0 : GetLastError();
    handle.Reset();  // closed before it is moved
    if (!complete) {
        DeleteFileW(file->temporary);  // the file itself was not touched
        return error;
    }
    error = CommitReplacement(&WINDOWS_REPLACE, AsUtf16(file->path), AsUtf16(file->temporary), exists);
    if (error == 0 && exists && GetFileAttributesW(file->path) != attributes) {
        SetFileAttributesW(file->path, attributes);
    }
    return error;
}

}  // namespace

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
    DWORD attributes = GetFileAttributesW(file->path);
    bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    uint32_t error = 0;
    switch (ChooseSaveMethod(exists, exists ? attributes : 0, exists ? LinkCount(file->path) : 0,
                             exists && LeadsElsewhere(file->path))) {
    case SaveMethod::LeaveAlone: break;  // read-only: the user's choice, not a failure
    case SaveMethod::InPlace: error = SaveInPlace(file->path, text, length); break;
    case SaveMethod::Replace: error = SaveByReplacing(file, exists, attributes, text, length); break;
    }
    if (error == 0) {
        file->known = true;
        file->stamp = StampOf(file->path);
        file->values = mine;
    }
    return error;
}
