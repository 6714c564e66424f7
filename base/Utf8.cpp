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

int32_t Utf8ToUtf16(const char* bytes, int32_t length, char16_t* out, int32_t capacity) {
    const uint8_t* b = reinterpret_cast<const uint8_t*>(bytes);
    int32_t n = 0;
    for (int32_t i = 0; i < length;) {
        uint32_t c = b[i];
        int32_t more = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        c = more == 1 ? c & 0x1F : more == 2 ? c & 0x0F : more == 3 ? c & 0x07 : c;
        bool valid = more >= 0 && i + more < length;
        for (int32_t k = 1; valid && k <= more; k++) {
            valid = (b[i + k] & 0xC0) == 0x80;
            c = (c << 6) | (b[i + k] & 0x3Fu);
        }
        static const uint32_t LEAST[] = {0, 0x80, 0x800, 0x10000};
        valid = valid && c >= LEAST[more] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
        if (!valid) {
            c = 0xFFFD;
            more = 0;
        }
        const int32_t units = c >= 0x10000 ? 2 : 1;
        if (n + units > capacity - 1) {
            return -1;
        }
        if (units == 2) {
            out[n++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out[n++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out[n++] = static_cast<char16_t>(c);
        }
        i += more + 1;
    }
    out[n] = 0;
    return n;
}
