#include "ui/Sliders.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

SliderRow Track() {
    return SliderRow{{58, 450, 208, 470}, 0, 0, 0};
}

TEST(Sliders, Geometry) {
    SliderRow s = Track();
    EXPECT_EQ(SliderUsable(&s, 96), 136);
    struct Thumb { int32_t position, x; };
    for (Thumb t : {Thumb{0, 65}, Thumb{1000, 201}, Thumb{312, 107}}) {
        s.position = t.position;
        EXPECT_EQ(SliderThumbX(&s, 96), t.x) << t.position;
    }
    struct Hit { int32_t x, y, hit; };
    for (Hit h : {Hit{51, 450, 1}, Hit{50, 450, 0}, Hit{215, 450, 1}, Hit{216, 450, 0}, Hit{215, 469, 1},
                  Hit{215, 470, 0}, Hit{100, 449, 0}}) {
        EXPECT_EQ(SliderHitTest(&s, h.x, h.y, 96), h.hit) << h.x << "," << h.y;
    }
    struct Set { int32_t x, position; };
    for (Set c : {Set{65, 0}, Set{10, 0}, Set{-30000, 0}, Set{100, 257}, Set{201, 1000}, Set{2000000000, 1000}}) {
        s.position = 500;
        SliderSetFromX(&s, c.x, 96);
        EXPECT_EQ(s.position, c.position) << c.x;
    }
    s.position = 0;
    EXPECT_EQ(SliderSetFromX(&s, 65, 96), 0);  // no change, no repaint

    s.position = 312;
    SliderShapes g = SliderGeometry(&s, 96);
    EXPECT_EQ(g.bar.top, 458);
    EXPECT_EQ(g.bar.bottom, 462);
    EXPECT_EQ(g.barRadius, 2);
    EXPECT_EQ(g.thumb.left, 100);
    EXPECT_EQ(g.thumb.top, 453);
    EXPECT_EQ(g.thumb.bottom, 467);
    EXPECT_EQ(g.hole.left, 104);
    EXPECT_EQ(g.hole.top, 457);
    EXPECT_EQ(g.holeRadius, 3);
    EXPECT_EQ(g.filled.right, 107);

    SliderRow wide = {{87, 0, 312, 30}, 0, 0, 0};  // at 144 dpi half a thumb is 10, not Scale(7) = 11
    EXPECT_EQ(SliderThumbX(&wide, 144), 97);
}

}  // namespace
