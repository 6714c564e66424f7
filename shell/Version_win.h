#pragma once
#include <cstdint>

// The program's version as its VERSIONINFO resource gives it: "1.0.0". False when the
// resource cannot be read.
bool FormatOwnVersion(char16_t* out, int32_t capacity);
