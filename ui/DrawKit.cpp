#include "ui/DrawKit.h"

int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
    if (c == 0) {
        return -1;
    }
    int64_t product = int64_t{a} * b;
    int64_t half = (c < 0 ? -int64_t{c} : int64_t{c}) / 2;
    bool negative = (product < 0) != (c < 0);
    int64_t magnitude = (product < 0 ? -product : product);
    int64_t divisor = c < 0 ? -int64_t{c} : int64_t{c};
    int64_t q = (magnitude + half) / divisor;
    int64_t result = negative ? -q : q;
    if (result > INT32_MAX || result < INT32_MIN) {
        return -1;
    }
    return static_cast<int32_t>(result);
}

int32_t AcceptDpi(int32_t reported) {
    return reported >= 72 ? reported : BASE_DPI;
}

int32_t Scale(int32_t n, int32_t dpi) {
    return MulDivRound(n, dpi, BASE_DPI);
}

Rect RectAt(int32_t x, int32_t top, int32_t width, int32_t height, int32_t dpi) {
    return Rect{Scale(x, dpi), top, Scale(x + width, dpi), top + Scale(height, dpi)};
}

Rect RectUnits(int32_t x, int32_t y, int32_t width, int32_t height, int32_t dpi) {
    return RectAt(x, Scale(y, dpi), width, height, dpi);
}

int32_t PointInRect(const Rect* r, int32_t x, int32_t y) {
    return (x >= r->left && x < r->right && y >= r->top && y < r->bottom) ? 1 : 0;
}

int32_t FontHeight(int32_t points, int32_t dpi) {
    return -MulDivRound(points, dpi, 72);
}
