#pragma once
#include "ui/DrawKit.h"
#include "base/Owner_win.h"

#include <windows.h>

// The Win32 half of the drawing kit: the screen dpi, the four cached fonts, and fills, rounded
// shapes and text in a colour.

struct FontSet {
    UniqueFont heading;  // 11 pt
    UniqueFont body;     // 9 pt
    UniqueFont caption;  // 8 pt
    UniqueFont button;   // 11 pt semibold
};

struct DrawKit {
    int32_t dpi = BASE_DPI;
    FontSet fonts;
    bool fontsCreated = false;
    UniquePen checkPen;  // the check mark's pen, made again only when its width or colour changes
    int32_t checkPenWidth = 0;
    COLORREF checkPenColor = 0;
};

void InitDpi(DrawKit* kit);
HFONT CreateUiFont(const DrawKit* kit, int32_t points, int32_t weight);
const FontSet* GetFonts(DrawKit* kit);
// Releases the fonts and the check mark's pen, to be made again at another DPI.
void ReleaseFonts(DrawKit* kit);
HPEN GetCheckPen(DrawKit* kit, int32_t width, COLORREF color);

inline RECT ToRECT(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

void FillRectColor(HDC dc, const Rect& rect, COLORREF color);
void FillRoundRect(HDC dc, const Rect& rect, int32_t radius, COLORREF color);
void StrokeRoundRect(HDC dc, const Rect& rect, int32_t radius, COLORREF color);
void DrawTextColor(HDC dc, const Rect& rect, const char16_t* text, HFONT font, COLORREF color, uint32_t format);

// Selects an object into a device context for one scope and puts the previous one back.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~ScopedSelect() {
        if (previous_) {
            SelectObject(dc_, previous_);
        }
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Composes a paint off screen and copies it to the window in one BitBlt when it ends, so a
// repaint never shows a half-drawn frame.
class DoubleBuffer {
public:
    DoubleBuffer(HDC target, int32_t width, int32_t height);
    ~DoubleBuffer();
    HDC dc() const { return memory_ ? memory_.get() : target_; }
    DoubleBuffer(const DoubleBuffer&) = delete;
    DoubleBuffer& operator=(const DoubleBuffer&) = delete;

private:
    HDC target_;
    UniqueMemoryDc memory_;
    UniqueBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
    int32_t width_, height_;
};
