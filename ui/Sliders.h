#pragma once
#include "ui/Layout.h"

#include <cstdint>

// The five limit sliders: where a thumb sits, what the pointer hits, and the shapes painted.

constexpr int32_t THUMB_DIAMETER = 14;
constexpr int32_t BAR_THICKNESS = 4;

struct SliderRow {
    Rect track;
    int32_t position;  // 0 to 1000 across the usable width
    bool hover;
    bool dragging;
};

int32_t SliderUsable(const SliderRow* s, int32_t dpi);
int32_t SliderThumbX(const SliderRow* s, int32_t dpi);
int32_t SliderHitTest(const SliderRow* s, int32_t x, int32_t y, int32_t dpi);
int32_t SliderSetFromX(SliderRow* s, int32_t x, int32_t dpi);
int32_t BeginSliderDrag(SliderRow* s, int32_t x, int32_t y, int32_t dpi);
int32_t SliderDrag(SliderRow* s, int32_t x, int32_t dpi);

// The pieces PaintSlider fills, in order: bar, filled part (empty when the thumb is at the
// left end), ring and hole.
struct SliderShapes {
    Rect bar;
    int32_t barRadius;
    Rect filled;
    bool hasFilled;
    Rect thumb;
    int32_t thumbRadius;
    Rect hole;
    int32_t holeRadius;
};
SliderShapes SliderGeometry(const SliderRow* s, int32_t dpi);
