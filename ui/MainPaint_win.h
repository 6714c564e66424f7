#pragma once
#include "ui/Palette.h"
#include "ui/DrawKit_win.h"
#include "ui/Layout.h"
#include "ui/Keyboard.h"
#include "ui/MainText.h"
#include "ui/Pointer.h"

#include <windows.h>

// Everything the main window's painter reads. It has no state of its own.
struct MainPaintInputs {
    MainTextInputs text;
    const Palette* palette;
    const MainLayout* layout;
    const PointerState* pointer;
    DrawKit* kit;
    int32_t selectedIndex;
    bool keepDisplayOn;
    int32_t focusCue;  // the FocusStop whose cue is drawn, -1 for none
};

void PaintMainWindow(HWND window, const MainPaintInputs* in);
void PaintSlider(HDC dc, const Palette* palette, const SliderRow* slider, int32_t dpi);
