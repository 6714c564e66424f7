// Build-time tool: writes the Python module the end-to-end tests take the window's geometry
// and colours from, computed by the program's own code, so no number is written twice.
//   ConstantsGenerator OUTPUT.py
#include "ui/Palette.h"
#include "shell/Tray.h"
#include "ui/Layout.h"

#include <cstdio>
#include <initializer_list>

namespace {

void PutRect(FILE* f, const char* name, Rect r) {
    fprintf(f, "        \"%s\": (%d, %d, %d, %d),\n", name, r.left, r.top, r.right, r.bottom);
}

void PutColour(FILE* f, const char* name, Color c) {
    fprintf(f, "    \"%s\": (0x%02X, 0x%02X, 0x%02X),\n", name, c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

void PutPalette(FILE* f, const char* name, int32_t dark) {
    Palette p;
    FillPalette(&p, dark);
    fprintf(f, "%s = {\n", name);
    PutColour(f, "stateBusy", p.stateBusy);
    PutColour(f, "stateGrace", p.stateGrace);
    PutColour(f, "stateIdle", p.stateIdle);
    PutColour(f, "windowBackground", p.windowBackground);
    PutColour(f, "listBackground", p.listBackground);
    PutColour(f, "rowSelected", p.rowSelected);
    PutColour(f, "text", p.text);
    PutColour(f, "textSecondary", p.textSecondary);
    PutColour(f, "border", p.border);
    PutColour(f, "accent", p.accent);
    PutColour(f, "accentHover", p.accentHover);
    PutColour(f, "accentText", p.accentText);
    fprintf(f, "}\n\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: ConstantsGenerator OUTPUT.py\n");
        return 2;
    }
    FILE* f = fopen(argv[1], "w");
    if (!f) {
        fprintf(stderr, "ConstantsGenerator: cannot write %s\n", argv[1]);
        return 1;
    }
    fprintf(f, "\"\"\"Pellacord's window geometry and colours, written by its own code when it is built.\"\"\"\n\n");
    fprintf(f, "LIST_ROWS_MIN, LIST_ROWS_MAX = %d, %d\n\n", LIST_ROWS_MIN, LIST_ROWS_MAX);
    // Every layout the window can have at the dpis the tests use, keyed by (dpi, rows).
    fprintf(f, "LAYOUTS = {\n");
    for (int32_t dpi : {96, 120, 144, 192}) {
        for (int32_t rows = LIST_ROWS_MIN; rows <= LIST_ROWS_MAX; rows++) {
            // The work area that gives exactly these rows: the smallest one that fits them.
            MainLayout l = ComputeLayout(0, 0, dpi);
            for (int32_t height = 0; height < 10000; height++) {
                l = ComputeLayout(height, 0, dpi);
                if (l.listHeight == rows * Scale(LIST_ROW_HEIGHT, dpi)) {
                    break;
                }
            }
            fprintf(f, "    (%d, %d): {\n", dpi, rows);
            fprintf(f, "        \"client\": (%d, %d),\n", Scale(CLIENT_WIDTH, dpi), l.clientHeight);
            fprintf(f, "        \"row_height\": %d,\n", Scale(LIST_ROW_HEIGHT, dpi));
            PutRect(f, "list", ListWindowRect(&l));
            PutRect(f, "refresh", RefreshRect(&l));
            PutRect(f, "button", ButtonRect(&l));
            PutRect(f, "check_box", CheckBoxRect(&l));
            PutRect(f, "check_square", CheckSquareRect(&l));
            for (int32_t i = 0; i < LIMIT_ROW_COUNT; i++) {
                char name[16];
                snprintf(name, sizeof(name), "track%d", i);
                PutRect(f, name, LimitTrackRect(&l, i));
                snprintf(name, sizeof(name), "value%d", i);
                PutRect(f, name, LimitValueRect(&l, i));
                snprintf(name, sizeof(name), "detail%d", i);
                PutRect(f, name, LimitDetailRect(&l, i));
            }
            fprintf(f, "    },\n");
        }
    }
    fprintf(f, "}\n\n");
    PutPalette(f, "LIGHT", 0);
    PutPalette(f, "DARK", 1);
    fprintf(f, "TRAY = {\n");
    for (int32_t kind = 0; kind < 3; kind++) {
        Color c = TrayIconStyleOf(static_cast<TrayIconKind>(kind)).color;
        fprintf(f, "    %d: (0x%02X, 0x%02X, 0x%02X),\n", kind, c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    }
    fprintf(f, "}\n");
    return fclose(f) == 0 ? 0 : 1;
}
