#include "files/Paths.h"

void ExeSiblingPath(const char16_t* exePath, const char16_t* fileName, char16_t* out) {
    int32_t cut = -1;
    for (int32_t i = 0; i < PATH_CAPACITY - 1 && exePath[i]; i++) {
        if (exePath[i] == u'\\' || exePath[i] == u'/') {
            cut = i + 1;
        }
    }
    out[0] = 0;
    if (cut < 0) {
        return;
    }
    int32_t n = 0;
    for (; n < cut; n++) {
        out[n] = exePath[n];
    }
    for (int32_t i = 0; fileName[i] && n < PATH_CAPACITY - 1; i++) {
        out[n++] = fileName[i];
    }
    out[n] = 0;
}
