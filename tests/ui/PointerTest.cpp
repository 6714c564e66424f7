#include "ui/Pointer.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct PointerFixture : ::testing::Test {
    MainLayout layout = ComputeLayout(1040, 31, 96);
    LimitTable limits;
    std::unique_ptr<ActivityEvaluator> evaluator = std::make_unique<ActivityEvaluator>();
    WatchStatus status = MakeWatchStatus();
    PointerState pointer;
    PointerContext c;
    void SetUp() override {
        SetDefaultLimits(&limits);
        ResetEvaluator(evaluator.get(), &limits);
        InitPointerState(&pointer, &limits, &layout);
        c = PointerContext{&pointer, &layout, &limits, &status};
    }
};

TEST_F(PointerFixture, DraggingASliderMovesTheLimitAndSavesAtTheEnd) {
    EXPECT_EQ(pointer.sliders[0].position, 312);
    PointerEffects e = PointerDown(&c, 201, 455);  // the cpu thumb jumps to the right end
    EXPECT_TRUE(e.capture);
    EXPECT_EQ(pointer.draggedSlider, 0);
    EXPECT_EQ(limits.rows[0].value, 4000u);
    EXPECT_EQ(evaluator->limits->rows[0].value, 4000u);
    EXPECT_FALSE(e.saveSettings);

    e = UpdateHover(&c, 5000, -300);  // captured, far outside: still the right end
    EXPECT_FALSE(e.invalidate);
    e = UpdateHover(&c, 65, 900);     // the left end, whatever the y
    EXPECT_TRUE(e.invalidate);
    EXPECT_EQ(limits.rows[0].value, 50u);
    EXPECT_EQ(pointer.hoverTarget, TARGET_NONE);  // no hover changes during a drag

    e = PointerUp(&c, 65, 900);
    EXPECT_TRUE(e.saveSettings);
    EXPECT_TRUE(e.releaseCapture);
    EXPECT_FALSE(e.logThresholds);  // only while watching
    EXPECT_EQ(pointer.draggedSlider, -1);
    EXPECT_EQ(e.click, TARGET_NONE);

    status.watchMode = WATCH_ON;
    PointerDown(&c, 100, 603);  // the wait row
    e = PointerUp(&c, 100, 603);
    EXPECT_TRUE(e.saveSettings);
    EXPECT_TRUE(e.logThresholds);
}

// A script's limits for one watch move the thumbs; a drag under way goes on from the pointer.
TEST_F(PointerFixture, ThumbsFollowLimitsSetElsewhere) {
    PointerDown(&c, 100, 603);  // dragging the wait row
    limits.rows[0].value = 4000;
    limits.rows[WAIT_ROW].value = 30000;
    SyncSliderPositions(&pointer, &limits);
    EXPECT_EQ(pointer.sliders[0].position, 1000);
    EXPECT_EQ(pointer.sliders[WAIT_ROW].position, 0);
    EXPECT_EQ(pointer.draggedSlider, WAIT_ROW);
    EXPECT_TRUE(pointer.sliders[WAIT_ROW].dragging);
    UpdateHover(&c, 120, 603);
    EXPECT_GT(limits.rows[WAIT_ROW].value, 30000u);
}

TEST_F(PointerFixture, ClicksNeedPressAndReleaseOnTheSameElement) {
    PointerEffects e = PointerDown(&c, 100, 700);  // the button
    EXPECT_EQ(pointer.pressedTarget, TARGET_BUTTON);
    EXPECT_TRUE(e.capture);
    e = PointerUp(&c, 100, 705);
    EXPECT_EQ(e.click, TARGET_BUTTON);
    EXPECT_EQ(pointer.pressedTarget, TARGET_NONE);

    PointerDown(&c, 20, 660);  // the check box, released on the button
    e = PointerUp(&c, 100, 700);
    EXPECT_EQ(e.click, TARGET_NONE);
    EXPECT_TRUE(e.releaseCapture);

    PointerDown(&c, 350, 390);  // "Refresh"
    EXPECT_EQ(PointerUp(&c, 350, 390).click, TARGET_REFRESH);
    status.watchMode = WATCH_ON;  // not offered while watching
    EXPECT_FALSE(PointerDown(&c, 350, 390).capture);
    EXPECT_EQ(PointerUp(&c, 350, 390).click, TARGET_NONE);

    EXPECT_FALSE(PointerDown(&c, 5, 5).capture);  // nothing there
}

TEST_F(PointerFixture, HoverRepaintsOnlyOnChange) {
    EXPECT_TRUE(UpdateHover(&c, 100, 700).invalidate);
    EXPECT_EQ(pointer.hoverTarget, TARGET_BUTTON);
    EXPECT_FALSE(UpdateHover(&c, 110, 701).invalidate);
    EXPECT_TRUE(UpdateHover(&c, 100, 455).invalidate);  // onto the cpu slider
    EXPECT_EQ(pointer.sliders[0].hover, 1);
    EXPECT_FALSE(PointerLeave(&c).invalidate);  // nothing hovered to clear
    EXPECT_EQ(pointer.sliders[0].hover, 1);             // kept until the pointer comes back
    UpdateHover(&c, 100, 700);
    EXPECT_TRUE(PointerLeave(&c).invalidate);
    EXPECT_EQ(pointer.hoverTarget, TARGET_NONE);
}

// Another window takes the capture in the middle of a drag, or the system cancels the mode.
TEST_F(PointerFixture, LostCaptureEndsADragOrAPress) {
    status.watchMode = WATCH_ON;
    PointerDown(&c, 100, 455);  // the cpu slider
    UpdateHover(&c, 150, 455);
    uint32_t dragged = limits.rows[0].value;
    PointerEffects e = PointerCaptureLost(&c);
    EXPECT_TRUE(e.saveSettings);
    EXPECT_TRUE(e.logThresholds);
    EXPECT_FALSE(e.releaseCapture);  // it is gone already
    EXPECT_EQ(pointer.draggedSlider, -1);
    EXPECT_EQ(pointer.sliders[0].dragging, 0);
    // The release that follows is no second end: nothing saved or logged again.
    e = PointerUp(&c, 190, 455);
    EXPECT_FALSE(e.saveSettings);
    EXPECT_FALSE(e.logThresholds);
    UpdateHover(&c, 200, 455);
    EXPECT_EQ(limits.rows[0].value, dragged);  // the slider no longer follows the pointer

    PointerDown(&c, 100, 700);  // the button
    e = PointerCaptureLost(&c);
    EXPECT_TRUE(e.invalidate);
    EXPECT_EQ(pointer.pressedTarget, TARGET_NONE);
    EXPECT_EQ(PointerUp(&c, 100, 700).click, TARGET_NONE);  // no click after all
    EXPECT_FALSE(PointerCaptureLost(&c).invalidate);        // nothing to end
}

}  // namespace
