#pragma once
#include <string>

// Readable failure messages for UTF-16 texts: ASCII as is, anything else as \uXXXX.
inline std::string Printable(const char16_t* s) {
    std::string out;
    for (; *s; s++) {
        if (*s >= 0x20 && *s < 0x7F) {
            out += static_cast<char>(*s);
        } else {
            static const char HEX[] = "0123456789ABCDEF";
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) {
                out += HEX[(*s >> shift) & 15];
            }
        }
    }
    return out;
}

inline std::string Printable(const std::u16string& s) { return Printable(s.c_str()); }
