#include "files/Paths.h"

#include "ui/Format.h"

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
