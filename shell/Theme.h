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
};

void FillPalette(Palette* palette, int32_t isDark);

// Only a REG_DWORD of exactly 0 asks for dark applications; anything else, or nothing, is light.
constexpr uint32_t REGISTRY_DWORD = 4;
int32_t ThemeValueMeansDark(bool queried, uint32_t type, uint32_t data);
