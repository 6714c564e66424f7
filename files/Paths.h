#pragma once
#include <cstdint>

constexpr int32_t PATH_CAPACITY = 260;  // MAX_PATH, terminator included

// The path of fileName in the directory of exePath (after its last '\' or '/'). The result
// is cut at PATH_CAPACITY - 1 units, so a very long directory shortens the file name rather
// than overrunning; it is empty when exePath holds no separator.
void ExeSiblingPath(const char16_t* exePath, const char16_t* fileName, char16_t* out);
