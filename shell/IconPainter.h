#pragma once
#include <cstdint>

// The eye and the arch, painted at any size and colour with 16 samples per pixel into
// premultiplied BGRA.

constexpr uint32_t APP_ICON_COLOR = 0xF59E3B;  // COLORREF of #3B9EF5
constexpr int32_t ICON_SHAPE_ARCH = 0;
constexpr int32_t ICON_SHAPE_EYE = 1;
constexpr int32_t ICON_SIZE_MIN = 8;
constexpr int32_t ICON_SIZE_MAX = 256;

int32_t ClampIconSize(int32_t size);

// pixels: size * size * 4 bytes, rows from the top, B G R A premultiplied. size is already
// clamped. Any non-zero shape is the eye.
void RasterizeAppIcon(uint8_t* pixels, int32_t size, uint32_t color, int32_t shape);
