#include "ui/Palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// WCAG's contrast ratio of two COLORREFs, from 1 (the same) to 21 (black on white).
double Luminance(Color c) {
    double channel[3] = {(c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0};
    for (double& v : channel) {
        v = v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    }
    return 0.2126 * channel[0] + 0.7152 * channel[1] + 0.0722 * channel[2];
}

double Contrast(Color a, Color b) {
    double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Every text stays readable on whatever it is drawn on, in both themes; the state colours mean
// the same in both.
TEST(Palette, EveryTextReadsOnItsBackground) {
    struct Pair { const char* name; Color Palette::*text; Color Palette::*background; double least; };
    const Pair pairs[] = {
        {"text on the window", &Palette::text, &Palette::windowBackground, 7},
        {"text on the list", &Palette::text, &Palette::listBackground, 7},
        {"text on a hovered row", &Palette::text, &Palette::rowHover, 7},
        {"selected title", &Palette::rowSelectedText, &Palette::rowSelected, 7},
        {"secondary text on the window", &Palette::textSecondary, &Palette::windowBackground, 4.5},
        {"secondary text on the list", &Palette::textSecondary, &Palette::listBackground, 4.5},
        {"row details on a selected row", &Palette::textSecondary, &Palette::rowSelected, 3},
        {"the button's label", &Palette::accentText, &Palette::accent, 4.5},
        {"the pressed button's label", &Palette::accentText, &Palette::accentPressed, 4.5},
        {"the hovered button's label", &Palette::accentText, &Palette::accentHover, 4},
        {"a hovered \"Refresh\"", &Palette::accent, &Palette::windowBackground, 4.5},
        {"a disabled button", &Palette::disabledText, &Palette::disabledFill, 2},
        {"the list's frame", &Palette::border, &Palette::windowBackground, 1.2},
        {"the scroll thumb", &Palette::scrollThumb, &Palette::listBackground, 1.8},
    };
    for (int32_t dark : {0, 1}) {
        Palette p;
        FillPalette(&p, dark);
        EXPECT_EQ(p.isDark, dark);
        for (const Pair& pair : pairs) {
            EXPECT_GE(Contrast(p.*pair.text, p.*pair.background), pair.least) << pair.name << (dark ? " (dark)" : "");
        }
        // Highlights differ from the list they are drawn on.
        EXPECT_NE(p.rowHover, p.listBackground);
        EXPECT_NE(p.rowSelected, p.listBackground);
        EXPECT_NE(p.accentHover, p.accent);
        EXPECT_NE(p.accentPressed, p.accent);
    }
    Palette light, dark;
    FillPalette(&light, 0);
    FillPalette(&dark, 5);
    EXPECT_EQ(dark.isDark, 1);
    EXPECT_GT(Luminance(light.windowBackground), Luminance(light.text));
    EXPECT_LT(Luminance(dark.windowBackground), Luminance(dark.text));
    EXPECT_EQ(light.stateBusy, dark.stateBusy);
    EXPECT_EQ(light.stateGrace, dark.stateGrace);
    EXPECT_EQ(light.stateIdle, dark.stateIdle);
    EXPECT_NE(light.stateBusy, light.stateGrace);
    EXPECT_NE(light.stateGrace, light.stateIdle);
    // The worked example: the light accent #0067C0 is red 0x00, green 0x67, blue 0xC0.
    EXPECT_EQ(light.accent, 0xC06700u);
    EXPECT_EQ(Rgb(0x0067C0), 0xC06700u);
}

// A high-contrast theme: every role from its five system colours, and the title bar dark when
// the window colour is.
TEST(Palette, HighContrastTakesEveryColourFromTheSystem) {
    const SystemColors black = {Rgb(0x000000), Rgb(0xFFFFFF), Rgb(0x1AEBFF), Rgb(0x000000), Rgb(0x3FF23F)};
    const SystemColors white = {Rgb(0xFFFFFF), Rgb(0x000000), Rgb(0x37006E), Rgb(0xFFFFFF), Rgb(0x600000)};
    for (const SystemColors* s : {&black, &white}) {
        Palette p;
        FillPalette(&p, 0);
        FillHighContrastPalette(&p, s);
        EXPECT_TRUE(p.highContrast);
        EXPECT_EQ(p.isDark, s == &black ? 1 : 0);
        struct Role { const char* name; Color Palette::*role; Color expected; };
        const Role roles[] = {
            {"windowBackground", &Palette::windowBackground, s->window},
            {"listBackground", &Palette::listBackground, s->window},
            {"rowHover", &Palette::rowHover, s->window},
            {"rowSelected", &Palette::rowSelected, s->highlight},
            {"text", &Palette::text, s->windowText},
            {"textSecondary", &Palette::textSecondary, s->grayText},
            {"rowSelectedText", &Palette::rowSelectedText, s->highlightText},
            {"border", &Palette::border, s->windowText},
            {"accent", &Palette::accent, s->highlight},
            {"accentHover", &Palette::accentHover, s->highlight},
            {"accentPressed", &Palette::accentPressed, s->highlight},
            {"accentText", &Palette::accentText, s->highlightText},
            {"disabledFill", &Palette::disabledFill, s->window},
            {"disabledText", &Palette::disabledText, s->grayText},
            {"scrollThumb", &Palette::scrollThumb, s->windowText},
            {"stateBusy", &Palette::stateBusy, s->highlight},
            {"stateGrace", &Palette::stateGrace, s->windowText},
            {"stateIdle", &Palette::stateIdle, s->grayText},
        };
        for (const Role& r : roles) {
            EXPECT_EQ(p.*r.role, r.expected) << r.name;
        }
    }
    Palette light;
    FillPalette(&light, 0);
    EXPECT_FALSE(light.highContrast);
}

}  // namespace
