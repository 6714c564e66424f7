#include "ui/DrawKit_win.h"

#include "base/Wide_win.h"

// The portable format sets are Windows' DrawText flags.
static_assert(TEXT_LEFT == (DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_LEFT), "DrawText flags");
static_assert(TEXT_CENTER == (DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_CENTER), "DrawText flags");
static_assert(TEXT_RIGHT == (DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_RIGHT), "DrawText flags");
static_assert(TEXT_LEFT_ELLIPSIS == (DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER), "DrawText flags");

void InitDpi(DrawKit* kit) {
    UniqueScreenDc screen(GetDC(nullptr));
    if (screen) {
        kit->dpi = AcceptDpi(GetDeviceCaps(screen.get(), LOGPIXELSX));
    }
}

HFONT CreateUiFont(const DrawKit* kit, int32_t points, int32_t weight) {
    return CreateFontW(FontHeight(points, kit->dpi), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, 0, L"Segoe UI");
}

const FontSet* GetFonts(DrawKit* kit) {
    if (!kit->fontsCreated) {
        kit->fonts.heading.Reset(CreateUiFont(kit, 11, 400));
        kit->fonts.body.Reset(CreateUiFont(kit, 9, 400));
        kit->fonts.caption.Reset(CreateUiFont(kit, 8, 400));
        kit->fonts.button.Reset(CreateUiFont(kit, 11, 600));
        kit->fontsCreated = true;
    }
    return &kit->fonts;
}

HPEN GetCheckPen(DrawKit* kit, int32_t width, COLORREF color) {
    if (!kit->checkPen || kit->checkPenWidth != width || kit->checkPenColor != color) {
        kit->checkPen.Reset(CreatePen(PS_SOLID, width, color));
        kit->checkPenWidth = width;
        kit->checkPenColor = color;
    }
    return kit->checkPen.get();
}

void ReleaseFonts(DrawKit* kit) {
    kit->checkPen.Reset();
    kit->fonts = FontSet{};
    kit->fontsCreated = false;
}

// Solid fills and outlines use the device context's own brush and pen, whose colour is set per
// call: a paint creates no brush or pen at all.
void FillRectColor(HDC dc, const Rect& rect, COLORREF color) {
    RECT r = ToRECT(rect);
    SetDCBrushColor(dc, color);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void FillRoundRect(HDC dc, const Rect& rect, int32_t radius, COLORREF color) {
    SetDCBrushColor(dc, color);
    ScopedSelect selectBrush(dc, GetStockObject(DC_BRUSH));
    ScopedSelect selectPen(dc, GetStockObject(NULL_PEN));
    // Without a pen GDI leaves out the figure's last column and row; the +1 makes the fill
    // cover exactly [left, right) x [top, bottom), as FillRect does.
    RoundRect(dc, rect.left, rect.top, rect.right + 1, rect.bottom + 1, 2 * radius, 2 * radius);
}

void StrokeRoundRect(HDC dc, const Rect& rect, int32_t radius, COLORREF color) {
    SetDCPenColor(dc, color);
    ScopedSelect selectBrush(dc, GetStockObject(NULL_BRUSH));
    ScopedSelect selectPen(dc, GetStockObject(DC_PEN));
    RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, 2 * radius, 2 * radius);
}

void DrawTextColor(HDC dc, const Rect& rect, const char16_t* text, HFONT font, COLORREF color, uint32_t format) {
    RECT r = ToRECT(rect);  // DrawTextW may change the rectangle it is given
    ScopedSelect selectFont(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    DrawTextW(dc, AsWide(text), -1, &r, format);
}

DoubleBuffer::DoubleBuffer(HDC target, int32_t width, int32_t height)
    : target_(target), memory_(CreateCompatibleDC(target)), width_(width), height_(height) {
    if (memory_) {
        bitmap_.Reset(CreateCompatibleBitmap(target, width, height));
    }
    if (!bitmap_) {
        memory_.Reset();  // no off-screen bitmap: draw straight to the window rather than not at all
        return;
    }
    previous_ = SelectObject(memory_.get(), bitmap_.get());
}

DoubleBuffer::~DoubleBuffer() {
    if (memory_) {
        BitBlt(target_, 0, 0, width_, height_, memory_.get(), 0, 0, SRCCOPY);
        SelectObject(memory_.get(), previous_);  // the bitmap is deselected before both go
    }
}
