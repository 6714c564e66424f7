#pragma once
#include <cstdint>

// Geometry of the drawing kit. Layout units are pixels at 96 dpi; Scale turns them into
// pixels at the screen's dpi.

constexpr int32_t BASE_DPI = 96;

struct Rect {
    int32_t left, top, right, bottom;
};

// DrawText format sets: one line, vertically centred, '&' drawn as itself.
constexpr uint32_t TEXT_LEFT = 0x824;
constexpr uint32_t TEXT_CENTER = 0x825;
constexpr uint32_t TEXT_RIGHT = 0x826;
constexpr uint32_t TEXT_LEFT_ELLIPSIS = 0x8824;

// a * b / c rounded to the nearest integer, halves away from zero, as MulDiv does; -1 when c
// is 0 or the result does not fit 32 bits.
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);

// The dpi to use for a screen that reports `reported`: values below 72 are not believed.
int32_t AcceptDpi(int32_t reported);

int32_t Scale(int32_t n, int32_t dpi);
// x, width and height in layout units, top in pixels. The right edge is Scale(x + width), so
// elements ending at the same layout x end at the same pixel.
Rect RectAt(int32_t x, int32_t top, int32_t width, int32_t height, int32_t dpi);
Rect RectUnits(int32_t x, int32_t y, int32_t width, int32_t height, int32_t dpi);
int32_t PointInRect(const Rect* rect, int32_t x, int32_t y);

// The character height of a font of `points` at dpi, negative as CreateFont takes it.
int32_t FontHeight(int32_t points, int32_t dpi);
