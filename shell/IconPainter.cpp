#include "shell/IconPainter.h"

int32_t ClampIconSize(int32_t size) {
    return size < ICON_SIZE_MIN ? ICON_SIZE_MIN : size > ICON_SIZE_MAX ? ICON_SIZE_MAX : size;
}

namespace {

// All geometry in integers of 1/8 pixel.
struct IconGeometry {
    int64_t m, d, r, t, p, a, h, q, my, ta;
};

IconGeometry Geometry(int32_t size) {
    IconGeometry g;
    int64_t w = 8 * int64_t{size};
    g.m = w / 2;
    g.d = w * 21 / 100;
    g.r = w * 45 / 100;
    g.t = w * 8 / 100;
    if (g.t < 8) {
        g.t = 8;  // at least one pixel of outline
    }
    g.p = w * 12 / 100;
    g.a = w * 40 / 100;
    g.h = w * 15 / 100;
    g.q = (g.a * g.a + g.h * g.h) / (2 * g.h);  // the circle through the arch's ends and top
    g.my = g.m - g.h / 2 + g.q;
    g.ta = g.t + w * 2 / 100;
    return g;
}

int64_t Dist2(int64_t px, int64_t py, int64_t a, int64_t b) {
    return (px - a) * (px - a) + (py - b) * (py - b);
}

bool EyeCovers(const IconGeometry& g, int64_t px, int64_t py) {
    // The lens is the intersection of two discs D above and D below the middle.
    int64_t upper = Dist2(px, py, g.m, g.m - g.d);
    int64_t lower = Dist2(px, py, g.m, g.m + g.d);
    bool lens = upper <= g.r * g.r && lower <= g.r * g.r;
    int64_t inner = (g.r - g.t) * (g.r - g.t);
    bool innerLens = upper <= inner && lower <= inner;
    bool pupil = Dist2(px, py, g.m, g.m) <= g.p * g.p;
    return (lens && !innerLens) || pupil;
}

bool ArchCovers(const IconGeometry& g, int64_t px, int64_t py) {
    int64_t d = Dist2(px, py, g.m, g.my);
    return (g.q - g.ta) * (g.q - g.ta) <= d && d <= g.q * g.q && py <= g.my && px >= g.m - g.a && px <= g.m + g.a;
}

}  // namespace

void RasterizeAppIcon(uint8_t* pixels, int32_t size, uint32_t color, int32_t shape) {
    const IconGeometry g = Geometry(size);
    const uint32_t red = color & 0xFF;
    const uint32_t green = (color >> 8) & 0xFF;
    const uint32_t blue = (color >> 16) & 0xFF;
    for (int32_t y = 0; y < size; y++) {
        for (int32_t x = 0; x < size; x++) {
            uint32_t n = 0;
            for (int32_t k = 0; k < 4; k++) {
                for (int32_t l = 0; l < 4; l++) {
                    int64_t px = 8 * int64_t{x} + 2 * l + 1;
                    int64_t py = 8 * int64_t{y} + 2 * k + 1;
                    n += (shape ? EyeCovers(g, px, py) : ArchCovers(g, px, py)) ? 1 : 0;
                }
            }
            uint32_t alpha = n * 255 / 16;
            uint8_t* out = pixels + (static_cast<int64_t>(y) * size + x) * 4;
            out[0] = static_cast<uint8_t>(blue * alpha / 255);
            out[1] = static_cast<uint8_t>(green * alpha / 255);
            out[2] = static_cast<uint8_t>(red * alpha / 255);
            out[3] = static_cast<uint8_t>(alpha);
        }
    }
}
