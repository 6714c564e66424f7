#include "shell/Version_win.h"

#include "base/Format.h"

#include <windows.h>

#include <cstring>

bool FormatOwnVersion(char16_t* out, int32_t capacity) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));  // RT_VERSION
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const uint8_t* data = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    DWORD size = found ? SizeofResource(nullptr, found) : 0;
    // The fixed part follows the key "VS_VERSION_INFO" on a 32-bit boundary, and starts with
    // its signature.
    for (DWORD at = 0; data && at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        VS_FIXEDFILEINFO fixed;
        memcpy(&fixed, data + at, sizeof(fixed));
        if (fixed.dwSignature == 0xFEEF04BD) {
            FormatText(out, capacity, u"%u.%u.%u", uint32_t{HIWORD(fixed.dwFileVersionMS)}, uint32_t{LOWORD(fixed.dwFileVersionMS)},
                       uint32_t{HIWORD(fixed.dwFileVersionLS)});
            return true;
        }
    }
    return false;
}
