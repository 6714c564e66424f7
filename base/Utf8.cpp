#include "base/Utf8.h"

#include <cstring>

int32_t Utf16ToUtf8(const char16_t* text, char* out, int32_t capacity) {
    int32_t n = 0;
    for (int32_t i = 0;; i++) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            i++;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        uint8_t bytes[4];
        int32_t length;
        if (c < 0x80) {
            bytes[0] = static_cast<uint8_t>(c);
            length = 1;
        } else if (c < 0x800) {
            bytes[0] = static_cast<uint8_t>(0xC0 | (c >> 6));
            bytes[1] = static_cast<uint8_t>(0x80 | (c & 0x3F));
            length = 2;
        } else if (c < 0x10000) {
            bytes[0] = static_cast<uint8_t>(0xE0 | (c >> 12));
            bytes[1] = static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F));
            bytes[2] = static_cast<uint8_t>(0x80 | (c & 0x3F));
            length = 3;
        } else {
            bytes[0] = static_cast<uint8_t>(0xF0 | (c >> 18));
            bytes[1] = static_cast<uint8_t>(0x80 | ((c >> 12) & 0x3F));
            bytes[2] = static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F));
            bytes[3] = static_cast<uint8_t>(0x80 | (c & 0x3F));
            length = 4;
        }
        if (n + length > capacity) {
            return 0;
        }
        memcpy(out + n, bytes, static_cast<size_t>(length));
        n += length;
        if (c == 0) {
            return n;
        }
    }
}
