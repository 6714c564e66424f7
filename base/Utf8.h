#pragma once
#include <cstdint>

// UTF-8 of a UTF-16 text, terminator included, as WideCharToMultiByte gives it: the number
// of bytes written counting the terminator, or 0 when the buffer is too small. An unpaired
// surrogate becomes U+FFFD.
int32_t Utf16ToUtf8(const char16_t* text, char* out, int32_t capacity);
