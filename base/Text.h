#pragma once
#include <cstdint>

// UTF-16 texts in fixed buffers: bounded copies that always terminate, lengths and equality.

// Keeps at most capacity - 1 units and always terminates; capacity <= 0 writes nothing.
void CopyWide(char16_t* dst, const char16_t* src, int32_t capacity);
// The same, for a text from another program (a window title, an image name) on its way into a
// line of text: its control characters, U+0000 to U+001F and U+007F, become U+FFFD, so it can
// never start a line of its own, and so do the bidirectional controls (U+200E, U+200F,
// U+202A to U+202E, U+2066 to U+2069), so it can never show reversed.
void CopyWidePrintable(char16_t* dst, const char16_t* src, int32_t capacity);
int32_t WideLength(const char16_t* s);
bool WideEqual(const char16_t* a, const char16_t* b);
