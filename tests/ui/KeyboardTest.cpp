#include "ui/Keyboard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct KeyboardFixture : ::testing::Test {
    MainLayout layout = ComputeLayout(1040, 31, 96);
    LimitTable limits;
    std::unique_ptr<ActivityEvaluator> evaluator = std::make_unique<ActivityEvaluator>();
    WatchStatus status = MakeWatchStatus();
    PointerState pointer;
    PointerContext pc;
    KeyboardState keyboard;
    KeyboardContext c;
    void SetUp() override {
        SetDefaultLimits(&limits);
        ResetEvaluator(evaluator.get(), &limits);
        InitPointerState(&pointer, &limits, &layout);
        pc = PointerContext{&pointer, &layout, &limits, &status};
        InitKeyboard(&keyboard, false);
        c = KeyboardContext{&keyboard, &pc, true, true};
    }
    KeyEffects Press(uint32_t key, bool shift = false) { return KeyDown(&c, key, shift); }
};

// Tab and Shift+Tab through every control; what cannot take input is passed over.
TEST_F(KeyboardFixture, TabOrder) {
    const FocusStop order[] = {FocusStop::Cpu,      FocusStop::Disk,   FocusStop::Net,    FocusStop::Mem,
                               FocusStop::Wait,     FocusStop::CheckBox, FocusStop::Button, FocusStop::Refresh,
                               FocusStop::List};
    for (FocusStop expected : order) {
        KeyEffects e = Press(KEY_TAB);
        EXPECT_TRUE(e.handled && e.focusChanged);
        EXPECT_EQ(keyboard.focus, expected);
    }
    Press(KEY_TAB, true);
    EXPECT_EQ(keyboard.focus, FocusStop::Refresh);

    struct Case { bool listEnabled, buttonEnabled; FocusStop from; bool backwards; FocusStop to; };
    const Case cases[] = {
        {false, true, FocusStop::CheckBox, false, FocusStop::Button},  // watching: no list, no Refresh
        {false, true, FocusStop::Button, false, FocusStop::Cpu},
        {false, true, FocusStop::Cpu, true, FocusStop::Button},
        {true, false, FocusStop::CheckBox, false, FocusStop::Refresh},  // nothing selected: no button
        {true, false, FocusStop::Refresh, true, FocusStop::CheckBox},
    };
    for (const Case& k : cases) {
        c.listEnabled = k.listEnabled;
        c.buttonEnabled = k.buttonEnabled;
        EXPECT_EQ(NextFocusStop(&c, k.from, k.backwards), k.to) << static_cast<int>(k.from);
    }
    // Coming back to the window: the last control, or the next that can take input.
    keyboard.focus = FocusStop::List;
    c.listEnabled = false;
    EXPECT_EQ(FocusOnActivation(&c), FocusStop::Cpu);
    c.listEnabled = true;
    EXPECT_EQ(FocusOnActivation(&c), FocusStop::List);
}

// Every slider key moves the thumb as a drag would; the limit is saved once, when the key goes up.
TEST_F(KeyboardFixture, SliderKeys) {
    keyboard.focus = FocusStop::Cpu;
    const int32_t start = pointer.sliders[0].position;
    struct Case { uint32_t key; int32_t position; };
    const Case cases[] = {
        {KEY_RIGHT, start + 10}, {KEY_UP, start + 20},     {KEY_LEFT, start + 10}, {KEY_DOWN, start},
        {KEY_PAGE_UP, start + 100}, {KEY_PAGE_DOWN, start}, {KEY_END, 1000},       {KEY_RIGHT, 1000},
        {KEY_HOME, 0},           {KEY_DOWN, 0},
    };
    for (const Case& k : cases) {
        KeyEffects e = Press(k.key);
        EXPECT_TRUE(e.handled) << k.key;
        EXPECT_FALSE(e.saveSettings) << k.key;
        EXPECT_EQ(pointer.sliders[0].position, k.position) << k.key;
        EXPECT_EQ(limits.rows[0].value, SliderPositionToLimit(&limits.rows[0], static_cast<uint32_t>(k.position)));
        EXPECT_EQ(evaluator->limits->rows[0].value, limits.rows[0].value);
    }
    EXPECT_EQ(limits.rows[0].value, 50u);  // the left end is the row's least

    KeyEffects up = KeyUp(&c, KEY_DOWN);
    EXPECT_TRUE(up.saveSettings);
    EXPECT_FALSE(up.logThresholds);
    EXPECT_FALSE(KeyUp(&c, KEY_DOWN).saveSettings);  // once

    // A key that moves nothing saves nothing; while watching the thresholds are logged too.
    Press(KEY_HOME);
    EXPECT_FALSE(KeyUp(&c, KEY_HOME).saveSettings);
    status.watchMode = WATCH_ON;
    keyboard.focus = FocusStop::Wait;
    for (int i = 0; i < 5; i++) {
        KeyDown(&c, KEY_RIGHT, false);  // held down: repeats
    }
    EXPECT_EQ(pointer.sliders[WAIT_ROW].position, LimitToSliderPosition(&limits.rows[WAIT_ROW], 600000) + 50);
    up = KeyUp(&c, KEY_RIGHT);
    EXPECT_TRUE(up.saveSettings && up.logThresholds);

    // Focus leaving in the middle saves at once.
    Press(KEY_LEFT);
    KeyEffects lost = KeyboardFocusLost(&c);
    EXPECT_TRUE(lost.saveSettings);
    EXPECT_FALSE(KeyUp(&c, KEY_LEFT).saveSettings);
}

TEST_F(KeyboardFixture, ButtonsActAsClicks) {
    struct Case {
        FocusStop focus;
        uint32_t key;
        bool buttonEnabled;
        HitTarget onDown, onUp;
    };
    const Case cases[] = {
        {FocusStop::CheckBox, KEY_SPACE, true, TARGET_NONE, TARGET_CHECKBOX},
        {FocusStop::CheckBox, KEY_RETURN, true, TARGET_NONE, TARGET_NONE},
        {FocusStop::Button, KEY_RETURN, true, TARGET_BUTTON, TARGET_NONE},
        {FocusStop::Button, KEY_SPACE, true, TARGET_NONE, TARGET_BUTTON},
        {FocusStop::Button, KEY_SPACE, false, TARGET_NONE, TARGET_NONE},
        {FocusStop::Button, KEY_RETURN, false, TARGET_NONE, TARGET_NONE},
        {FocusStop::Refresh, KEY_RETURN, true, TARGET_REFRESH, TARGET_NONE},
        {FocusStop::Refresh, KEY_SPACE, true, TARGET_NONE, TARGET_NONE},
        {FocusStop::Cpu, KEY_RETURN, true, TARGET_NONE, TARGET_NONE},
        {FocusStop::List, KEY_RETURN, true, TARGET_NONE, TARGET_NONE},  // the list's own key
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(static_cast<int>(k.focus) * 1000 + static_cast<int>(k.key));
        keyboard.focus = k.focus;
        c.buttonEnabled = k.buttonEnabled;
        EXPECT_EQ(Press(k.key).click, k.onDown);
        EXPECT_EQ(KeyUp(&c, k.key).click, k.onUp);
    }
    // Enter held down presses once; after the focus went away and came back it presses again,
    // whatever became of its release meanwhile. Space that went down elsewhere does nothing here.
    keyboard.focus = FocusStop::Button;
    c.buttonEnabled = true;
    EXPECT_EQ(Press(KEY_RETURN).click, TARGET_BUTTON);
    EXPECT_EQ(Press(KEY_RETURN).click, TARGET_NONE);
    KeyboardFocusLost(&c);
    EXPECT_EQ(Press(KEY_RETURN).click, TARGET_BUTTON);
    KeyUp(&c, KEY_RETURN);
    keyboard.focus = FocusStop::Cpu;
    Press(KEY_SPACE);
    keyboard.focus = FocusStop::CheckBox;
    EXPECT_EQ(KeyUp(&c, KEY_SPACE).click, TARGET_NONE);
}

// Cues appear with the first key and stay; a click moves the focus without showing them.
TEST_F(KeyboardFixture, FocusCues) {
    KeyEffects e = FocusByPointer(&c, FocusStop::Button);
    EXPECT_EQ(keyboard.focus, FocusStop::Button);
    EXPECT_FALSE(e.showCues || e.invalidate);
    EXPECT_FALSE(keyboard.cuesShown);
    e = Press(KEY_TAB);
    EXPECT_TRUE(e.showCues);
    EXPECT_TRUE(keyboard.cuesShown);
    EXPECT_FALSE(Press(KEY_TAB).showCues);
    EXPECT_TRUE(FocusByPointer(&c, FocusStop::Wait).invalidate);  // a cue moves

    InitKeyboard(&keyboard, true);  // the system shows cues always
    EXPECT_TRUE(keyboard.cuesShown);

    // The rings sit around their controls, inside the window.
    struct Case { FocusStop stop; Rect inner; };
    const Case cases[] = {
        {FocusStop::CheckBox, CheckSquareRect(&layout)},
        {FocusStop::Button, ButtonRect(&layout)},
        {FocusStop::Wait, SliderGeometry(&pointer.sliders[WAIT_ROW], 96).thumb},
    };
    for (const Case& k : cases) {
        Rect ring = FocusCueRect(&layout, &pointer, k.stop);
        EXPECT_EQ(ring.left, k.inner.left - 2);
        EXPECT_EQ(ring.bottom, k.inner.bottom + 2);
        EXPECT_GE(ring.left, 0);
        EXPECT_LE(ring.right, Scale(CLIENT_WIDTH, 96));
    }
}

}  // namespace
