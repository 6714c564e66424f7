#include "shell/Theme.h"

#include <gtest/gtest.h>

namespace {

TEST(Theme, PaletteColumns) {
    struct Case { Color Palette::*role; uint32_t light, dark; };
    const Case cases[] = {
        {&Palette::windowBackground, 0xF3F3F3, 0x202020}, {&Palette::listBackground, 0xFFFFFF, 0x2B2B2B},
        {&Palette::rowHover, 0xF0F0F0, 0x353535},         {&Palette::rowSelected, 0xDFEBFA, 0x2F445C},
        {&Palette::text, 0x1B1B1B, 0xF0F0F0},             {&Palette::textSecondary, 0x6A6A6A, 0x9B9B9B},
        {&Palette::rowSelectedText, 0x102A43, 0xFFFFFF},  {&Palette::border, 0xDCDCDC, 0x3A3A3A},
        {&Palette::accent, 0x0067C0, 0x4CC2FF},           {&Palette::accentHover, 0x1A7CD4, 0x66CDFF},
        {&Palette::accentPressed, 0x00529B, 0x3DA6DE},    {&Palette::accentText, 0xFFFFFF, 0x001B2C},
        {&Palette::disabledFill, 0xE2E2E2, 0x333333},     {&Palette::disabledText, 0x909090, 0x777777},
        {&Palette::scrollThumb, 0xBBBBBB, 0x5A5A5A},
        {&Palette::stateBusy, 0x2EA043, 0x2EA043},        {&Palette::stateGrace, 0xE09B00, 0xE09B00},
        {&Palette::stateIdle, 0x8A8A8A, 0x8A8A8A},
    };
    Palette light, dark;
    FillPalette(&light, 0);
    FillPalette(&dark, 5);
    EXPECT_EQ(light.isDark, 0);
    EXPECT_EQ(dark.isDark, 1);
    for (const Case& c : cases) {
        // #RRGGBB in the table, 0x00BBGGRR in the palette.
        uint32_t lightRef = (c.light >> 16) | (c.light & 0xFF00) | ((c.light & 0xFF) << 16);
        uint32_t darkRef = (c.dark >> 16) | (c.dark & 0xFF00) | ((c.dark & 0xFF) << 16);
        EXPECT_EQ(light.*c.role, lightRef) << std::hex << c.light;
        EXPECT_EQ(dark.*c.role, darkRef) << std::hex << c.dark;
    }
    EXPECT_EQ(Rgb(0x0067C0), 0xC06700u);
}

TEST(Theme, OnlyADwordZeroIsDark) {
    struct Case { bool queried; uint32_t type, data; int32_t dark; };
    const Case cases[] = {
        {true, REGISTRY_DWORD, 0, 1},
        {true, REGISTRY_DWORD, 1, 0},
        {true, REGISTRY_DWORD, 2, 0},
        {true, 1 /* REG_SZ */, 0, 0},
        {false, REGISTRY_DWORD, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ThemeValueMeansDark(c.queried, c.type, c.data), c.dark) << c.queried << c.type << c.data;
    }
}

}  // namespace
