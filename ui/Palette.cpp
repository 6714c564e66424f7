#include "ui/Palette.h"

void FillPalette(Palette* p, int32_t isDark) {
    p->isDark = isDark ? 1 : 0;
    p->stateBusy = Rgb(0x2EA043);
    p->stateGrace = Rgb(0xE09B00);
    p->stateIdle = Rgb(0x8A8A8A);
    const bool d = p->isDark != 0;
    p->windowBackground = Rgb(d ? 0x202020 : 0xF3F3F3);
    p->listBackground = Rgb(d ? 0x2B2B2B : 0xFFFFFF);
    p->rowHover = Rgb(d ? 0x353535 : 0xF0F0F0);
    p->rowSelected = Rgb(d ? 0x2F445C : 0xDFEBFA);
    p->text = Rgb(d ? 0xF0F0F0 : 0x1B1B1B);
    p->textSecondary = Rgb(d ? 0x9B9B9B : 0x6A6A6A);
    p->rowSelectedText = Rgb(d ? 0xFFFFFF : 0x102A43);
    p->border = Rgb(d ? 0x3A3A3A : 0xDCDCDC);
    p->accent = Rgb(d ? 0x4CC2FF : 0x0067C0);
    p->accentHover = Rgb(d ? 0x66CDFF : 0x1A7CD4);
    p->accentPressed = Rgb(d ? 0x3DA6DE : 0x00529B);
    p->accentText = Rgb(d ? 0x001B2C : 0xFFFFFF);
    p->disabledFill = Rgb(d ? 0x333333 : 0xE2E2E2);
    p->disabledText = Rgb(d ? 0x777777 : 0x909090);
    p->scrollThumb = Rgb(d ? 0x5A5A5A : 0xBBBBBB);
    p->highContrast = false;
}

void FillHighContrastPalette(Palette* p, const SystemColors* s) {
    // Dark when the window colour is: the title bar follows it.
    const Color w = s->window;
    const uint32_t luminance = (299 * (w & 0xFF) + 587 * ((w >> 8) & 0xFF) + 114 * ((w >> 16) & 0xFF)) / 1000;
    p->isDark = luminance < 128 ? 1 : 0;
    p->stateBusy = s->highlight;
    p->stateGrace = s->windowText;
    p->stateIdle = s->grayText;
    p->windowBackground = s->window;
    p->listBackground = s->window;
    p->rowHover = s->window;
    p->rowSelected = s->highlight;
    p->text = s->windowText;
    p->textSecondary = s->grayText;
    p->rowSelectedText = s->highlightText;
    p->border = s->windowText;
    p->accent = s->highlight;
    p->accentHover = s->highlight;
    p->accentPressed = s->highlight;
    p->accentText = s->highlightText;
    p->disabledFill = s->window;
    p->disabledText = s->grayText;
    p->scrollThumb = s->windowText;
    p->highContrast = true;
}
