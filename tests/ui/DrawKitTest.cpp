#include "ui/DrawKit.h"

#include <gtest/gtest.h>

namespace {

TEST(DrawKit, ScaleRoundsHalvesAwayFromZero) {
    struct Case { int32_t n, dpi, pixels; };
    const Case cases[] = {
        {14, 96, 14}, {-3, 96, -3}, {14, 120, 18}, {9, 120, 11}, {58, 120, 73}, {208, 120, 260},
        {7, 144, 11}, {-7, 144, -11}, {0, 144, 0}, {430, 144, 645},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Scale(c.n, c.dpi), c.pixels) << c.n << " at " << c.dpi;
    }
    EXPECT_EQ(MulDivRound(5, 3, 0), -1);
    EXPECT_EQ(MulDivRound(INT32_MAX, 4, 2), -1);
    EXPECT_EQ(MulDivRound(-5, 1, -2), 3);  // 2.5 away from zero
}

TEST(DrawKit, RectAtUsesTheScaledRightEdge) {
    struct Case { int32_t x, top, w, h, dpi; Rect expected; };
    const Case cases[] = {
        {58, 100, 150, 20, 120, {73, 100, 260, 125}},
        {16, 100, 398, 46, 120, {20, 100, 518, 158}},
        {58, 100, 150, 20, 96, {58, 100, 208, 120}},
        {16, 7, 398, 46, 144, {24, 7, 621, 76}},
    };
    for (const Case& c : cases) {
        Rect r = RectAt(c.x, c.top, c.w, c.h, c.dpi);
        EXPECT_EQ(r.left, c.expected.left);
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.right, c.expected.right);
        EXPECT_EQ(r.bottom, c.expected.bottom);
    }
    Rect u = RectUnits(16, 40, 398, 46, 120);
    EXPECT_EQ(u.top, 50);
    EXPECT_EQ(u.bottom, 108);
}

TEST(DrawKit, PointInRectEdges) {
    const Rect r = {10, 20, 30, 40};
    struct Case { int32_t x, y, in; };
    const Case cases[] = {{10, 20, 1}, {29, 39, 1}, {30, 20, 0}, {10, 40, 0}, {9, 25, 0}, {15, 19, 0}, {-5, -5, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(PointInRect(&r, c.x, c.y), c.in) << c.x << "," << c.y;
    }
}

TEST(DrawKit, DpiAndFontHeights) {
    EXPECT_EQ(AcceptDpi(71), 96);
    EXPECT_EQ(AcceptDpi(0), 96);
    EXPECT_EQ(AcceptDpi(72), 72);
    EXPECT_EQ(AcceptDpi(144), 144);
    struct Case { int32_t dpi, h11, h9, h8; };
    const Case cases[] = {{96, -15, -12, -11}, {120, -18, -15, -13}, {144, -22, -18, -16}, {192, -29, -24, -21}};
    for (const Case& c : cases) {
        EXPECT_EQ(FontHeight(11, c.dpi), c.h11) << c.dpi;
        EXPECT_EQ(FontHeight(9, c.dpi), c.h9) << c.dpi;
        EXPECT_EQ(FontHeight(8, c.dpi), c.h8) << c.dpi;
    }
}

}  // namespace
