#pragma once
#include <cstdint>

constexpr int32_t PATH_CAPACITY = 260;         // MAX_PATH, terminator included
constexpr int32_t EXE_PATH_CAPACITY = 32768;   // the longest path Windows gives, terminator included

// The path of fileName in the directory of exePath (after its last '\' or '/'). Empty when
// exePath holds no separator, or when the whole path does not fit PATH_CAPACITY - 1 units: a
// path cut short would name another file, or a file in another folder.
void ExeSiblingPath(const char16_t* exePath, const char16_t* fileName, char16_t* out);
