#include "files/TextFile_win.h"

#include "files/FileReplace.h"
#include "files/Paths.h"
#include "files/Settings.h"
#include "base/Owner_win.h"
#include "base/Wide_win.h"

static_assert(FILE_ATTR_READONLY == FILE_ATTRIBUTE_READONLY, "Win32 attribute");
static_assert(FILE_ATTR_REPARSE_POINT == FILE_ATTRIBUTE_REPARSE_POINT, "Win32 attribute");

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

namespace {

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
uint32_t SaveByReplacing(const wchar_t* path, const wchar_t* temporary, bool exists, DWORD attributes, const char* text,
                         DWORD length) {
    const DWORD kept = exists ? (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE))
                              : 0;
    UniqueHandle handle(CreateFileW(temporary, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    kept ? kept : FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        return GetLastError();
    }
    bool complete = WriteWhole(handle.get(), text, length);
    uint32_t error = complete ? 0 : GetLastError();
    handle.Reset();  // closed before it is moved
    if (!complete) {
        DeleteFileW(temporary);  // the file itself was not touched
        return error;
    }
    error = CommitReplacement(&WINDOWS_REPLACE, AsUtf16(path), AsUtf16(temporary), exists);
    if (error == 0 && exists && GetFileAttributesW(path) != attributes) {
        SetFileAttributesW(path, attributes);
    }
    return error;
}

}  // namespace

uint32_t CommitCopy(const wchar_t* path, const wchar_t* temporary, bool exists) {
    return CommitReplacement(&WINDOWS_REPLACE, AsUtf16(path), AsUtf16(temporary), exists);
}

uint32_t SaveTextFile(const wchar_t* path, const wchar_t* temporary, const char* text, DWORD length) {
    DWORD attributes = GetFileAttributesW(path);
    bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    uint32_t error = 0;
    switch (ChooseSaveMethod(exists, exists ? attributes : 0, exists ? LinkCount(path) : 0,
                             exists && LeadsElsewhere(path))) {
    case SaveMethod::LeaveAlone: break;  // read-only: the user's choice, not a failure
    case SaveMethod::InPlace: error = SaveInPlace(path, text, length); break;
    case SaveMethod::Replace: error = SaveByReplacing(path, temporary, exists, attributes, text, length); break;
    }
    return error;
}
