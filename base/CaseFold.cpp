#include "base/CaseFold.h"

char16_t FoldCase(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F)) {
        return static_cast<char16_t>(c + 0x20);
    }
    if (c >= 0x400 && c <= 0x40F) {
        return static_cast<char16_t>(c + 0x50);  // Cyrillic Ѐ to Џ
    }
    // Latin Extended-A pairs its letters capital first, except in its three shifted runs.
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        bool capital = shifted ? (c & 1) != 0 : (c & 1) == 0;
        if (c == 0x178) {
            return 0xFF;  // Ÿ
        }
        return capital ? static_cast<char16_t>(c + 1) : c;
    }
    return c;
}

bool ContainsIgnoringCase(const char16_t* text, const char16_t* part) {
    if (!*part) {
        return true;
    }
    for (; *text; text++) {
        const char16_t* a = text;
        const char16_t* b = part;
        while (*a && *b && FoldCase(*a) == FoldCase(*b)) {
            a++;
            b++;
        }
        if (!*b) {
            return true;
        }
    }
    return false;
}

bool EqualIgnoringCase(const char16_t* a, const char16_t* b) {
    while (*a && FoldCase(*a) == FoldCase(*b)) {
        a++;
        b++;
    }
    return FoldCase(*a) == FoldCase(*b);
}
