#pragma once
#include <cstdint>

// UTF-8 of a UTF-16 text, terminator included, as WideCharToMultiByte gives it: the number
// of bytes written counting the terminator, or 0 when the buffer is too small. An unpaired
// surrogate becomes U+FFFD.
int32_t Utf16ToUtf8(const char16_t* text, char* out, int32_t capacity);

// UTF-16 of `length` bytes of UTF-8, ended: the units written before the terminator, or -1 when
// they do not fit `capacity` - 1. A byte that starts no valid sequence (a stray continuation, a
// sequence cut short, overlong or past U+10FFFF, a surrogate) becomes U+FFFD.
int32_t Utf8ToUtf16(const char* bytes, int32_t length, char16_t* out, int32_t capacity);
