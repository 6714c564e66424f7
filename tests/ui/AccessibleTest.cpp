#include "ui/Accessible.h"

#include "files/Log.h"
#include "base/Text.h"
#include "base/Utf8.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::string Utf8(const char16_t* s) {
    char out[1024];
    int32_t n = Utf16ToUtf8(s, out, sizeof(out));
    return n > 0 ? std::string(out, static_cast<size_t>(n - 1)) : std::string();
}

struct AccessibleFixture : ::testing::Test {
    MainLayout layout = ComputeLayout(1040, 31, 96);
    LimitTable limits;
    std::unique_ptr<ActivityEvaluator> evaluator = std::make_unique<ActivityEvaluator>();
    WatchStatus status = MakeWatchStatus();
    PointerState pointer;
    KeyboardState keyboard;
    AccInputs in;
    void SetUp() override {
        SetDefaultLimits(&limits);
        limits.rows[WAIT_ROW].value = 30000;
        ResetEvaluator(evaluator.get(), &limits);
        InitPointerState(&pointer, &limits, &layout);
        InitKeyboard(&keyboard, false);
        in = AccInputs{MainTextInputs{&status, evaluator.get(), &limits, 1, 7}, &layout, &pointer, &keyboard, true,
                       false, true};
    }
    AccElement Child(int32_t id) {
        AccElement e;
        EXPECT_TRUE(DescribeMainChild(&in, id, &e)) << id;
        return e;
    }
};

// The children a screen reader finds, in Tab order, then the texts.
TEST_F(AccessibleFixture, RolesNamesValuesAndStates) {
    struct Case { int32_t id; uint32_t role; const char* name; const char* value; };
    const Case cases[] = {
        {ACC_LIST, ACC_ROLE_LIST, "Open apps", ""},
        {ACC_FIRST_SLIDER + 0, ACC_ROLE_SLIDER, "CPU", "20.0%"},
        {ACC_FIRST_SLIDER + 1, ACC_ROLE_SLIDER, "Disk", "1.0 MB/s"},
        {ACC_FIRST_SLIDER + 2, ACC_ROLE_SLIDER, "Net", "2.0 KB/s"},
        {ACC_FIRST_SLIDER + 3, ACC_ROLE_SLIDER, "RAM", "3.0K/s"},
        {ACC_FIRST_SLIDER + 4, ACC_ROLE_SLIDER, "Wait", "30s"},
        {ACC_CHECKBOX, ACC_ROLE_CHECK_BUTTON, "Keep the screen on too", ""},
        {ACC_BUTTON, ACC_ROLE_PUSH_BUTTON, "Don't sleep", ""},
        {ACC_REFRESH, ACC_ROLE_LINK, "Refresh", ""},
        {ACC_HEADING, ACC_ROLE_STATIC_TEXT, "1  \xE2\x80\xA2  Which app are you waiting on?", ""},
        {ACC_STATUS, ACC_ROLE_STATIC_TEXT, "Windows will stay awake while that app is working.", ""},
        {ACC_FOOTER, ACC_ROLE_STATIC_TEXT, "7 open apps", ""},
    };
    for (const Case& k : cases) {
        AccElement e = Child(k.id);
        EXPECT_EQ(e.role, k.role) << k.id;
        EXPECT_EQ(Utf8(e.name), k.name) << k.id;
        EXPECT_EQ(Utf8(e.value), k.value) << k.id;
        EXPECT_GT(e.rect.right, e.rect.left) << k.id;
        FocusStop stop;
        if (StopOfAccChild(k.id, &stop)) {
            EXPECT_EQ(AccChildOfStop(stop), k.id);
            EXPECT_TRUE(e.state & ACC_STATE_FOCUSABLE) << k.id;
        }
    }
    AccElement none;
    EXPECT_FALSE(DescribeMainChild(&in, ACC_CHILD_COUNT + 1, &none));
    EXPECT_EQ(Utf8(Child(ACC_FIRST_SLIDER).description), "pick an app to see its numbers");
    EXPECT_TRUE(Child(ACC_LIST).state & ACC_STATE_FOCUSED);  // the list has the focus at first

    // The focus follows the keyboard, but only while the window has it.
    keyboard.focus = FocusStop::CheckBox;
    EXPECT_TRUE(Child(ACC_CHECKBOX).state & ACC_STATE_FOCUSED);
    EXPECT_FALSE(Child(ACC_LIST).state & ACC_STATE_FOCUSED);
    in.hasFocus = false;
    EXPECT_FALSE(Child(ACC_CHECKBOX).state & ACC_STATE_FOCUSED);
    in.keepDisplayOn = true;
    EXPECT_TRUE(Child(ACC_CHECKBOX).state & ACC_STATE_CHECKED);
    EXPECT_EQ(Utf8(Child(ACC_CHECKBOX).defaultAction), "Uncheck");

    in.buttonEnabled = false;
    EXPECT_EQ(Child(ACC_BUTTON).state, ACC_STATE_UNAVAILABLE);
    EXPECT_EQ(Child(ACC_BUTTON).defaultAction, nullptr);
}

TEST_F(AccessibleFixture, WhileWatching) {
    status.watchMode = WATCH_ON;
    status.currentState = STATE_GRACE;
    status.sampling = true;
    CopyWide(status.watchedApp.title, u"Render", APP_TITLE_CAPACITY);
    evaluator->quietMs = 12000;
    evaluator->meters[0].recentCount = 1;
    evaluator->meters[0].average = 31;
    EXPECT_EQ(Utf8(Child(ACC_BUTTON).name), "Release");
    EXPECT_EQ(Utf8(Child(ACC_HEADING).name), "Render");
    EXPECT_EQ(Utf8(Child(ACC_STATUS).name), "quiet 12s of 30s \xC2\xB7 still holding");
    EXPECT_EQ(Utf8(Child(ACC_FIRST_SLIDER).description), "now 3.1%");
    EXPECT_EQ(Utf8(Child(ACC_FIRST_SLIDER + 4).description), "quiet for 12s of 30s");
    EXPECT_TRUE(Child(ACC_LIST).state & ACC_STATE_UNAVAILABLE);
    EXPECT_TRUE(Child(ACC_REFRESH).state & ACC_STATE_INVISIBLE);
    // The hidden "Refresh" is never what the pointer is over.
    Rect refresh = RefreshRect(&layout);
    EXPECT_NE(MainChildAt(&in, refresh.left + 2, refresh.top + 2), ACC_REFRESH);
    status.watchMode = WATCH_OFF;
    EXPECT_EQ(MainChildAt(&in, refresh.left + 2, refresh.top + 2), ACC_REFRESH);
    Rect track = LimitTrackRect(&layout, 3);
    EXPECT_EQ(MainChildAt(&in, track.left + 1, track.top + 1), ACC_FIRST_SLIDER + 3);
    EXPECT_EQ(MainChildAt(&in, 1, 1), ACC_SELF);
}

TEST(AccessibleList, RowsNamedByTitleWithTheirDetail) {
    auto apps = std::make_unique<AppList>();
    apps->count = 12;
    for (int32_t i = 0; i < apps->count; i++) {
        apps->entries[i] = AppEntry{};
        apps->entries[i].pid = 100 + static_cast<uint32_t>(i);
        CopyWide(apps->entries[i].imageName, u"tool.exe", APP_IMAGE_CAPACITY);
    }
    CopyWide(apps->entries[0].title, u"Blender", APP_TITLE_CAPACITY);
    AppListView view{};
    ResetListView(&view, 100);
    view.rowHeight = 40;
    view.dpi = 96;
    ListClient client{398, 320};
    SetListCount(&view, apps->count, client);
    SetListEnabled(&view, true);
    SelectListRow(&view, 0, client);
    AccListInputs in{apps.get(), &view, client, true};

    AccElement e;
    ASSERT_TRUE(DescribeListChild(&in, 0, &e));
    EXPECT_EQ(e.role, ACC_ROLE_LIST);
    EXPECT_TRUE(e.state & ACC_STATE_FOCUSED);
    ASSERT_TRUE(DescribeListChild(&in, 1, &e));
    EXPECT_EQ(e.role, ACC_ROLE_LIST_ITEM);
    EXPECT_EQ(Utf8(e.name), "Blender");
    EXPECT_EQ(Utf8(e.description), "tool.exe  \xC2\xB7  PID 100");
    EXPECT_EQ(e.state & (ACC_STATE_SELECTED | ACC_STATE_FOCUSED), ACC_STATE_SELECTED | ACC_STATE_FOCUSED);
    ASSERT_TRUE(DescribeListChild(&in, 2, &e));
    EXPECT_EQ(Utf8(e.name), "tool.exe");  // no title: the image name, as the row shows it
    EXPECT_FALSE(e.state & ACC_STATE_SELECTED);
    ASSERT_TRUE(DescribeListChild(&in, 12, &e));
    EXPECT_TRUE(e.state & ACC_STATE_OFFSCREEN);  // below the eighth row
    EXPECT_FALSE(DescribeListChild(&in, 13, &e));
    EXPECT_EQ(ListChildAt(&in, 50, 45), 2);
    SetListEnabled(&view, false);
    ASSERT_TRUE(DescribeListChild(&in, 1, &e));
    EXPECT_EQ(e.state, ACC_STATE_UNAVAILABLE);
}

}  // namespace
