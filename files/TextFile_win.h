#pragma once
#include <windows.h>

#include <cstdint>

// A small text file beside the program that a person may edit, a tool may hold for a moment,
// and a crash must never leave half written: how the settings and the rules files are read and
// saved.

// The file as it was last read or written: a change by another program shows in its size or
// its last write time.
struct FileStamp {
    bool exists;
    uint64_t size;
    uint64_t writeTime;
};

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
FileRead ReadSmallFile(const wchar_t* path, uint8_t* bytes, DWORD capacity);
FileStamp StampOf(const wchar_t* path);
bool SameStamp(const FileStamp& a, const FileStamp& b);

// A read-only file is left alone. A link (a reparse point, a file with more than one name, or a
// path that leads on to another file) is written through in place, so the link stays a link;
// any other file is replaced in one step by a finished copy written to `temporary` first,
// keeping its attributes. 0, or the error.
uint32_t SaveTextFile(const wchar_t* path, const wchar_t* temporary, const char* text, DWORD length);
// Puts the copy `temporary` in place of `path`: what a save stopped by a crash left to do.
uint32_t CommitCopy(const wchar_t* path, const wchar_t* temporary, bool exists);
