#include "ui/AppListView.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// 40-pixel rows in a 200 x 130 client at 96 dpi: three whole rows fit.
constexpr ListClient CLIENT = {200, 130};

AppListView View(int32_t count) {
    AppListView v{};
    v.rowHeight = 40;
    v.dpi = 96;
    ResetListView(&v, 100);
    SetListCount(&v, count, CLIENT);
    return v;
}

std::vector<int32_t> Notes(const ListEffects& e) {
    return std::vector<int32_t>(e.notifications, e.notifications + e.notificationCount);
}

TEST(AppListView, KeysWithoutSelectionAndAtTheEnds) {
    struct Case { const char* name; int32_t count, selected; uint32_t key; int32_t after; std::vector<int32_t> notes; };
    const std::vector<int32_t> change = {APPLIST_SELCHANGE};
    const Case cases[] = {
        {"down from none", 10, -1, KEY_DOWN, 0, change},
        {"up from none", 10, -1, KEY_UP, 9, change},
        {"page up from none", 10, -1, KEY_PAGE_UP, 9, change},
        {"down on the last", 10, 9, KEY_DOWN, 9, {}},
        {"up on the first", 10, 0, KEY_UP, 0, {}},
        {"page down by whole rows", 10, 2, KEY_PAGE_DOWN, 5, change},
        {"page down stops at the end", 10, 8, KEY_PAGE_DOWN, 9, change},
        {"home", 10, 5, KEY_HOME, 0, change},
        {"end", 10, 5, KEY_END, 9, change},
        {"enter activates", 10, 3, KEY_RETURN, 3, {APPLIST_ACTIVATE}},
        {"space activates", 10, 3, KEY_SPACE, 3, {APPLIST_ACTIVATE}},
        {"enter without a selection", 10, -1, KEY_RETURN, -1, {}},
        {"other keys", 10, 3, 0x41, 3, {}},
        {"empty list: down", 0, -1, KEY_DOWN, -1, {}},
        {"empty list: end", 0, -1, KEY_END, -1, {}},
        {"empty list: page up", 0, -1, KEY_PAGE_UP, -1, {}},
    };
    for (const Case& c : cases) {
        AppListView v = View(c.count);
        v.selectedIndex = c.selected;
        ListEffects e = ListKeyDown(&v, c.key, CLIENT);
        EXPECT_EQ(v.selectedIndex, c.after) << c.name;
        EXPECT_EQ(Notes(e), c.notes) << c.name;
    }
    AppListView disabled = View(10);
    SetListEnabled(&disabled, 0);
    EXPECT_EQ(Notes(ListKeyDown(&disabled, KEY_DOWN, CLIENT)).size(), 0u);
    EXPECT_EQ(disabled.selectedIndex, -1);
}

TEST(AppListView, SelectionScrollsJustEnough) {
    AppListView v = View(10);
    ListKeyDown(&v, KEY_END, CLIENT);
    EXPECT_EQ(v.scrollY, 10 * 40 - 130);  // the last row whole at the bottom
    v.scrollY = 100;
    SelectListRow(&v, 3, CLIENT);          // row 3 spans 120..160, partly hidden below 230
    EXPECT_EQ(v.scrollY, 100);
    SelectListRow(&v, 5, CLIENT);          // 200..240: scrolled to show it at the bottom
    EXPECT_EQ(v.scrollY, 240 - 130);
    SelectListRow(&v, 1, CLIENT);          // above: scrolled to the top
    EXPECT_EQ(v.scrollY, 40);
}

TEST(AppListView, ClicksAndDoubleClicks) {
    AppListView v = View(10);
    ListEffects e = ListDoubleClick(&v, 20, 50, CLIENT);  // row 1, unselected
    EXPECT_EQ(Notes(e), (std::vector<int32_t>{APPLIST_SELCHANGE, APPLIST_ACTIVATE}));
    e = ListDoubleClick(&v, 20, 50, CLIENT);              // already selected: activate only
    EXPECT_EQ(Notes(e), (std::vector<int32_t>{APPLIST_ACTIVATE}));
    e = ListButtonDown(&v, 20, 50, CLIENT);               // the same row: no notification
    EXPECT_TRUE(Notes(e).empty());
    EXPECT_TRUE(e.setFocus);
    e = ListButtonDown(&v, 20, 90, CLIENT);
    EXPECT_EQ(Notes(e), (std::vector<int32_t>{APPLIST_SELCHANGE}));
    EXPECT_EQ(v.selectedIndex, 2);
    e = ListButtonDown(&v, 195, 10, CLIENT);              // in the band: never a selection
    EXPECT_EQ(v.selectedIndex, 2);

    AppListView few = View(2);                            // no band: the rows span the width
    EXPECT_EQ(ListHitTest(&few, 199, 45, CLIENT), 1);
    EXPECT_EQ(ListHitTest(&few, 20, 85, CLIENT), -1);     // below the last row
    EXPECT_EQ(ListHitTest(&few, 20, -1, CLIENT), -1);     // above the first, under capture
    few.scrollY = 20;
    EXPECT_EQ(ListHitTest(&few, 20, -21, CLIENT), -1);
    EXPECT_EQ(ListHitTest(&few, 20, -20, CLIENT), 0);
    few.scrollY = 0;
    EXPECT_FALSE(ListBandPresent(&few, CLIENT));
    EXPECT_EQ(ListRowRect(&few, 0, CLIENT).right, 200);
    EXPECT_EQ(ListRowRect(&v, 0, CLIENT).right, 190);
}

TEST(AppListView, Wheel) {
    struct Case { int32_t delta; int32_t startScroll; int32_t scroll; };
    const Case cases[] = {
        {240, 270, 30},   // two notches toward the first row: six rows
        {-120, 0, 120},   // one notch down: three rows
        {119, 100, 100},  // less than a notch: nothing
        {-119, 100, 100},
        {-1200, 0, 270},  // clamped at the bottom
    };
    for (const Case& c : cases) {
        AppListView v = View(10);
        v.scrollY = c.startScroll;
        ListWheel(&v, c.delta, CLIENT);
        EXPECT_EQ(v.scrollY, c.scroll) << c.delta;
    }
}

// A precision touchpad sends many small deltas: they add up to notches, and what is short of
// a notch waits for the next message.
TEST(AppListView, TouchpadDeltasAddUp) {
    struct Case { const char* name; std::vector<int32_t> deltas; int32_t startScroll; int32_t scroll; };
    const Case cases[] = {
        {"three of 40 make a notch", {-40, -40, -40}, 0, 120},
        {"two of 40 do not", {-40, -40}, 0, 0},
        {"the rest is kept", {-100, -100, -100}, 0, 240},   // 300: two notches, 60 waiting
        {"a turn the other way starts afresh", {-100, 100, 100}, 100, 0},  // one notch up from 100
        {"sixty of 40 scroll twenty notches", std::vector<int32_t>(60, 40), 270, 0},
        {"mouse notches exactly as before", {120, -240}, 270, 300 - 30},
    };
    for (const Case& c : cases) {
        AppListView v = View(10);  // content 400, client 130: at most 270
        v.scrollY = c.startScroll;
        for (int32_t d : c.deltas) {
            ListWheel(&v, d, CLIENT);
        }
        EXPECT_EQ(v.scrollY, std::min(c.scroll, 270)) << c.name;
    }
    AppListView off = View(10);
    SetListEnabled(&off, 0);
    ListWheel(&off, -100, CLIENT);
    SetListEnabled(&off, 1);
    ListWheel(&off, -40, CLIENT);
    EXPECT_EQ(off.scrollY, 0);  // a disabled list gathers nothing either
}

TEST(AppListView, ThumbBandAndDrag) {
    AppListView v = View(10);  // content 400, client 130, max scroll 270
    ListThumb t = ComputeListThumb(&v, CLIENT);
    EXPECT_EQ(t.length, 130 * 130 / 400);
    EXPECT_EQ(t.top, 0);
    ListButtonDown(&v, 195, 120, CLIENT);  // below the thumb: one page down
    EXPECT_EQ(v.scrollY, 130);
    t = ComputeListThumb(&v, CLIENT);
    ListButtonDown(&v, 195, t.top - 1, CLIENT);  // above it: one page up
    EXPECT_EQ(v.scrollY, 0);

    ListEffects e = ListButtonDown(&v, 195, 5, CLIENT);  // on the thumb: a drag
    EXPECT_TRUE(e.capture);
    EXPECT_EQ(v.thumbDragging, 1);
    EXPECT_EQ(v.thumbGrabOffset, 5);
    SetListEnabled(&v, 0);  // a drag under way still follows the mouse
    ListMouseMove(&v, 195, 130 - 42 + 5, CLIENT);
    EXPECT_EQ(v.scrollY, 270);
    ListMouseMove(&v, 195, 5000, CLIENT);
    EXPECT_EQ(v.scrollY, 270);
    ListMouseMove(&v, 195, -5000, CLIENT);
    EXPECT_EQ(v.scrollY, 0);
    e = ListButtonUp(&v);
    EXPECT_TRUE(e.releaseCapture);
    EXPECT_EQ(v.thumbDragging, 0);

    // A thumb never shorter than 24 units.
    AppListView many = View(1000);
    EXPECT_EQ(ComputeListThumb(&many, CLIENT).length, 24);
}

TEST(AppListView, HoverAndDisabling) {
    AppListView v = View(10);
    ListEffects e = ListMouseMove(&v, 20, 50, CLIENT);
    EXPECT_EQ(v.hoverIndex, 1);
    EXPECT_TRUE(e.trackLeave);
    e = ListMouseMove(&v, 25, 55, CLIENT);  // same row: nothing to do
    EXPECT_FALSE(e.invalidate);
    SetListEnabled(&v, 0);
    EXPECT_EQ(v.hoverIndex, -1);
    ListMouseMove(&v, 20, 50, CLIENT);
    EXPECT_EQ(v.hoverIndex, -1);
    EXPECT_FALSE(ListButtonDown(&v, 20, 50, CLIENT).setFocus);
    EXPECT_EQ(Notes(ListDoubleClick(&v, 20, 50, CLIENT)).size(), 0u);
    ListWheel(&v, -120, CLIENT);
    EXPECT_EQ(v.scrollY, 0);
    SetListEnabled(&v, 1);
    ListMouseMove(&v, 20, 50, CLIENT);
    EXPECT_TRUE(ListMouseLeave(&v).invalidate);
    EXPECT_EQ(v.hoverIndex, -1);
}

TEST(AppListView, CountChangesClampTheSelection) {
    AppListView v = View(10);
    v.selectedIndex = 8;
    v.scrollY = 270;
    SetListCount(&v, 5, CLIENT);
    EXPECT_EQ(v.selectedIndex, 4);
    EXPECT_EQ(v.scrollY, 70);
    SetListCount(&v, 0, CLIENT);
    EXPECT_EQ(v.selectedIndex, -1);
    EXPECT_EQ(v.scrollY, 0);
}

}  // namespace
