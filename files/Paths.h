#pragma once
#include <cstdint>

constexpr int32_t PATH_CAPACITY = 260;         // MAX_PATH, terminator included
constexpr int32_t EXE_PATH_CAPACITY = 32768;   // the longest path Windows gives, terminator included

// The file's name at the end of a path: after its last '\' or '/', or the whole path.
const char16_t* FileNameOf(const char16_t* path);

// The path of fileName in the directory of exePath (after its last '\' or '/'). Empty when
// exePath holds no separator, or when the whole path does not fit PATH_CAPACITY - 1 units: a
// path cut short would name another file, or a file in another folder.
void ExeSiblingPath(const char16_t* exePath, const char16_t* fileName, char16_t* out);

// The path GetFinalPathNameByHandleW gives ("\\?\C:\dir\file", "\\?\UNC\server\share\file")
// written as paths usually are ("C:\dir\file", "\\server\share\file"). Another form (a
// volume GUID path) is copied as it is. False when it does not fit `capacity` units.
bool PlainPathOf(const char16_t* finalPath, char16_t* out, int32_t capacity);
