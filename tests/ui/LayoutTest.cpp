#include "ui/Layout.h"

#include <gtest/gtest.h>

namespace {

TEST(Layout, ListRowsFollowTheWorkArea) {
    struct Case { int32_t workArea, nonClient, dpi, listHeight, clientHeight; };
    const Case cases[] = {
        {1040, 31, 96, 320, 742},   // 14 rows fit: cut to 8
        {728, 31, 96, 240, 662},    // 6 rows
        {600, 31, 96, 120, 542},    // 3 rows
        {457, 31, 96, 120, 542},    // a negative room still gives 3
        {200, 31, 96, 120, 542},
        {1040, 38, 120, 400, 929},  // 120 dpi: 8 rows of 50 px, each step rounded on its own
    };
    for (const Case& c : cases) {
        MainLayout l = ComputeLayout(c.workArea, c.nonClient, c.dpi);
        EXPECT_EQ(l.listHeight, c.listHeight) << c.workArea << " at " << c.dpi;
        EXPECT_EQ(l.clientHeight, c.clientHeight) << c.workArea << " at " << c.dpi;
    }
    MainLayout l = ComputeLayout(1040, 31, 96);
    EXPECT_EQ(l.footerTop, 386);
    EXPECT_EQ(l.limitsTop, 416);
    EXPECT_EQ(l.firstRowTop, 450);
    EXPECT_EQ(l.checkBoxTop, 650);
    EXPECT_EQ(l.buttonTop, 682);
    const int32_t tops[] = {450, 488, 526, 564, 602};
    for (int32_t i = 0; i < 5; i++) {
        EXPECT_EQ(SliderRowTop(&l, i), tops[i]);
    }
    MainLayout big = ComputeLayout(1040, 38, 120);
    EXPECT_EQ(SliderRowTop(&big, 4), big.firstRowTop + 190);  // Scale(152), not 4 * Scale(38)
}

TEST(Layout, ElementRectangles) {
    MainLayout l = ComputeLayout(1040, 31, 96);
    struct Case { const char* name; Rect got, expected; };
    const Case cases[] = {
        {"button", ButtonRect(&l), {16, 682, 414, 728}},
        {"check box", CheckBoxRect(&l), {16, 650, 256, 672}},
        {"check square", CheckSquareRect(&l), {16, 653, 32, 669}},
        {"check label", CheckLabelRect(&l), {41, 650, 256, 672}},
        {"refresh", RefreshRect(&l), {344, 384, 414, 404}},
        {"list window", ListWindowRect(&l), {16, 58, 414, 378}},
        {"list frame", ListFrameRect(&l), {15, 57, 415, 379}},
        {"track 0", LimitTrackRect(&l, 0), {58, 450, 208, 470}},
        {"detail 0", LimitDetailRect(&l, 0), {58, 468, 414, 484}},
        {"badge 1", LimitBadgeRect(&l, 1), {350, 506, 414, 522}},
        {"status dot", StatusDotRect(&l), {16, 19, 25, 28}},
        {"status line", StatusLineRect(&l), {33, 32, 414, 52}},
        {"section 2 subtitle", SectionSubtitleRect(&l, l.limitsTop), {16, 435, 414, 450}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.got.left, c.expected.left) << c.name;
        EXPECT_EQ(c.got.top, c.expected.top) << c.name;
        EXPECT_EQ(c.got.right, c.expected.right) << c.name;
        EXPECT_EQ(c.got.bottom, c.expected.bottom) << c.name;
    }
}

// The same window at every common scale: 430 layout units wide, every element inside it, the
// rows where the scaled arithmetic puts them. A monitor change recomputes all of it.
TEST(Layout, EveryScale) {
    struct Case { int32_t dpi; int32_t clientWidth; int32_t clientHeight; int32_t rows; };
    const Case cases[] = {
        {96, 430, 742, 8},
        {120, 538, 929, 8},
        {144, 645, 1113, 8},
        {192, 860, 1484, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        MainLayout l = ComputeLayout(4000, 0, c.dpi);
        EXPECT_EQ(l.dpi, c.dpi);
        EXPECT_EQ(Scale(CLIENT_WIDTH, c.dpi), c.clientWidth);
        EXPECT_EQ(l.clientHeight, c.clientHeight);
        EXPECT_EQ(l.listHeight, c.rows * Scale(LIST_ROW_HEIGHT, c.dpi));
        const Rect rects[] = {ButtonRect(&l), CheckBoxRect(&l), RefreshRect(&l), ListFrameRect(&l),
                              LimitTrackRect(&l, 0), LimitValueRect(&l, 4), LimitDetailRect(&l, 4)};
        for (const Rect& r : rects) {
            EXPECT_GE(r.left, 0);
            EXPECT_LE(r.right, c.clientWidth);
            EXPECT_LE(r.bottom, l.clientHeight);
        }
        EXPECT_EQ(ButtonRect(&l).right, Scale(414, c.dpi));
        EXPECT_LT(LimitDetailRect(&l, 4).bottom, CheckBoxRect(&l).top);
    }
    // A work area that holds fewer rows at a larger scale.
    EXPECT_EQ(ComputeLayout(1040, 45, 192).listHeight, 3 * Scale(LIST_ROW_HEIGHT, 192));
}

}  // namespace
