#include "files/Paths.h"

#include "base/Text.h"

const char16_t* FileNameOf(const char16_t* path) {
    const char16_t* name = path;
    for (const char16_t* p = path; *p; p++) {
        if (*p == u'\\' || *p == u'/') {
            name = p + 1;
        }
    }
    return name;
}

void ExeSiblingPath(const char16_t* exePath, const char16_t* fileName, char16_t* out) {
    out[0] = 0;
    int32_t cut = -1;
    for (int32_t i = 0; i < EXE_PATH_CAPACITY - 1 && exePath[i]; i++) {
        if (exePath[i] == u'\\' || exePath[i] == u'/') {
            cut = i + 1;
        }
    }
    const int32_t nameLength = WideLength(fileName);
    if (cut < 0 || cut + nameLength > PATH_CAPACITY - 1) {
        return;
    }
    for (int32_t i = 0; i < cut; i++) {
        out[i] = exePath[i];
    }
    for (int32_t i = 0; i < nameLength; i++) {
        out[cut + i] = fileName[i];
    }
    out[cut + nameLength] = 0;
}

bool PlainPathOf(const char16_t* finalPath, char16_t* out, int32_t capacity) {
    auto startsWith = [](const char16_t* s, const char16_t* prefix) {
        for (; *prefix; s++, prefix++) {
            if (*s != *prefix) {
                return false;
            }
        }
        return true;
    };
    const char16_t* rest = finalPath;
    const char16_t* lead = u"";
    if (startsWith(finalPath, u"\\\\?\\UNC\\")) {
        rest = finalPath + 8;
        lead = u"\\\\";
    } else if (startsWith(finalPath, u"\\\\?\\") && finalPath[4] != 0 && finalPath[5] == u':') {
        rest = finalPath + 4;
    }
    int32_t needed = WideLength(lead) + WideLength(rest) + 1;
    if (capacity <= 0 || needed > capacity) {
        return false;
    }
    CopyWide(out, lead, capacity);
    CopyWide(out + WideLength(lead), rest, capacity - WideLength(lead));
    return true;
}
