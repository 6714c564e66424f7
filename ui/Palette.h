#pragma once
#include <cstdint>

// Every colour the program paints, for the light and the dark application theme. Colours are
// COLORREFs (0x00BBGGRR).

using Color = uint32_t;

// #RRGGBB as a COLORREF.
constexpr Color Rgb(uint32_t hex) {
    return ((hex >> 16) & 0xFF) | (hex & 0xFF00) | ((hex & 0xFF) << 16);
}

struct Palette {
    int32_t isDark;
    Color stateBusy;
    Color stateGrace;
    Color stateIdle;
    Color windowBackground;
    Color listBackground;
    Color rowHover;
    Color rowSelected;
    Color text;
    Color textSecondary;
    Color rowSelectedText;
    Color border;
    Color accent;
    Color accentHover;
    Color accentPressed;
    Color accentText;
    Color disabledFill;
    Color disabledText;
    Color scrollThumb;
    bool highContrast;  // every colour is one of the system's high-contrast colours
};

void FillPalette(Palette* palette, int32_t isDark);

// The system colours a high-contrast theme paints with (GetSysColor's COLOR_WINDOW,
// COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT and COLOR_GRAYTEXT).
struct SystemColors {
    Color window;
    Color windowText;
    Color highlight;
    Color highlightText;
    Color grayText;
};

// Every role from the system colours. The states keep their meaning through the texts and the
// tray icon's shapes; their colours are the theme's too.
void FillHighContrastPalette(Palette* palette, const SystemColors* colors);
