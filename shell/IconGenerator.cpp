// Build-time tool: writes the executable's icon file from the same rasteriser the program
// paints its icons with.   IconGenerator OUTPUT.ico
#include "shell/IconFile.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: IconGenerator OUTPUT.ico\n");
        return 2;
    }
    static uint8_t bytes[64 * 1024];
    size_t length = BuildIconFile(bytes, sizeof(bytes));
    FILE* f = length ? fopen(argv[1], "wb") : nullptr;
    if (!f) {
        fprintf(stderr, "IconGenerator: cannot write %s\n", argv[1]);
        return 1;
    }
    bool ok = fwrite(bytes, 1, length, f) == length;
    ok = fclose(f) == 0 && ok;
    return ok ? 0 : 1;
}
