#pragma once
#include "ui/DrawKit.h"

#include <windows.h>

// The Win32 half of the drawing kit: the screen dpi, the four cached fonts, and fills, rounded
// shapes and text in a colour.

struct FontSet {
    HFONT heading;  // 11 pt
    HFONT body;     // 9 pt
    HFONT caption;  // 8 pt
    HFONT button;   // 11 pt semibold
};

struct DrawKit {
    int32_t dpi;
    FontSet fonts;
    int32_t fontsCreated;
    HPEN checkPen;  // the check mark's pen, made again only when its width or colour changes
    int32_t checkPenWidth;
    COLORREF checkPenColor;
};

inline DrawKit MakeDrawKit() { return DrawKit{BASE_DPI, {}, 0, nullptr, 0, 0}; }

void InitDpi(DrawKit* kit);
HFONT CreateUiFont(const DrawKit* kit, int32_t points, int32_t weight);
const FontSet* GetFonts(DrawKit* kit);
// Releases the fonts and the check mark's pen.
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
    HDC dc() const { return memory_ ? memory_ : target_; }
    DoubleBuffer(const DoubleBuffer&) = delete;
    DoubleBuffer& operator=(const DoubleBuffer&) = delete;

private:
    HDC target_;
    HDC memory_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    int32_t width_, height_;
};

// Deletes a brush, pen or bitmap at the end of a scope.
class ScopedObject {
public:
    explicit ScopedObject(HGDIOBJ object) : object_(object) {}
    ~ScopedObject() {
        if (object_) {
            DeleteObject(object_);
        }
    }
    HGDIOBJ get() const { return object_; }
    ScopedObject(const ScopedObject&) = delete;
    ScopedObject& operator=(const ScopedObject&) = delete;

private:
    HGDIOBJ object_;
};
