#include "shell/Theme.h"

int32_t ThemeValueMeansDark(bool queried, uint32_t type, uint32_t data) {
    return (queried && type == REGISTRY_DWORD && data == 0) ? 1 : 0;
}
