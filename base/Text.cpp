#include "base/Text.h"

void CopyWide(char16_t* dst, const char16_t* src, int32_t capacity) {
    if (capacity <= 0) {
        return;
    }
    int32_t n = 0;
    while (n < capacity - 1 && src[n]) {
        dst[n] = src[n];
        n++;
    }
    dst[n] = 0;
}

// The bidirectional controls (marks, embeddings, overrides and isolates) would let a title
// show reversed, or reorder what follows it on its line.
static bool IsBidiControl(char16_t c) {
    return c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void CopyWidePrintable(char16_t* dst, const char16_t* src, int32_t capacity) {
    CopyWide(dst, src, capacity);
    for (int32_t i = 0; capacity > 0 && dst[i]; i++) {
        if (dst[i] < 0x20 || dst[i] == 0x7F || IsBidiControl(dst[i])) {
            dst[i] = u'\uFFFD';
        }
    }
}

int32_t WideLength(const char16_t* s) {
    int32_t n = 0;
    while (s[n]) {
        n++;
    }
    return n;
}

bool WideEqual(const char16_t* a, const char16_t* b) {
    while (*a && *a == *b) {
        a++;
        b++;
    }
    return *a == *b;
}
