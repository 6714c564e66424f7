// The app list control in a real window under Wine, driven by the messages that mouse and
// keyboard input produce.
#include "ui/AppListView_win.h"
#include "ui/AppRow_win.h"
#include "base/Text.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

std::vector<int> g_notes;

LRESULT CALLBACK ParentProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_COMMAND && LOWORD(wp) == 100) {
        g_notes.push_back(HIWORD(wp));
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

struct ListWindow : ::testing::Test {
    Palette palette;
    DrawKit kit;
    std::unique_ptr<AppList> apps = std::make_unique<AppList>();
    AppListView view{};
    AppRowContext rowContext{};
    HWND parent = nullptr;
    HWND list = nullptr;

    void SetUp() override {
        FillPalette(&palette, 0);
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = instance;
        wc.lpszClassName = L"ListTestParent";
        RegisterClassW(&wc);
        RegisterAppListClass(instance);
        parent = CreateWindowExW(0, L"ListTestParent", L"List test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400,
                                 300, nullptr, nullptr, instance, nullptr);
        for (int i = 0; i < 10; i++) {
            AppEntry& e = apps->entries[i];
            e.pid = 1000 + static_cast<uint32_t>(i);
            CopyWide(e.title, u"App", APP_TITLE_CAPACITY);
            CopyWide(e.imageName, u"app.exe", APP_IMAGE_CAPACITY);
        }
        apps->count = 10;
        rowContext = AppRowContext{apps.get(), &view, &kit};
        view.palette = &palette;
        view.drawItem = DrawAppRow;
        view.drawItemContext = &rowContext;
        view.rowHeight = 40;
        view.dpi = 96;
        list = CreateAppListView(parent, 100, &view);
        MoveWindow(list, 0, 0, 300, 130, TRUE);
        SetAppListCount(list, 10);
        g_notes.clear();
    }
    void TearDown() override {
        DestroyWindow(parent);
        ReleaseFonts(&kit);
    }
    void Key(WPARAM key) { SendMessageW(list, WM_KEYDOWN, key, 0); }
    void Mouse(UINT message, int x, int y) { SendMessageW(list, message, 0, MAKELPARAM(x, y)); }
    void Wheel(int delta) { SendMessageW(list, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0); }
};

TEST_F(ListWindow, KeysSelectAndNotify) {
    ASSERT_NE(list, nullptr);
    Key(VK_DOWN);
    EXPECT_EQ(view.selectedIndex, 0);
    view.selectedIndex = -1;
    Key(VK_UP);
    EXPECT_EQ(view.selectedIndex, 9);
    view.selectedIndex = 8;
    Key(VK_NEXT);
    EXPECT_EQ(view.selectedIndex, 9);
    Key(VK_NEXT);  // already at the end: no notification
    Key(VK_RETURN);
    EXPECT_EQ(g_notes, (std::vector<int>{APPLIST_SELCHANGE, APPLIST_SELCHANGE, APPLIST_SELCHANGE, APPLIST_ACTIVATE}));
}

TEST_F(ListWindow, DoubleClickSelectsThenActivates) {
    Mouse(WM_LBUTTONDBLCLK, 50, 50);
    EXPECT_EQ(view.selectedIndex, 1);
    EXPECT_EQ(g_notes, (std::vector<int>{APPLIST_SELCHANGE, APPLIST_ACTIVATE}));
}

TEST_F(ListWindow, WheelScrollsWholeNotches) {
    view.scrollY = 270;
    Wheel(240);
    EXPECT_EQ(view.scrollY, 30);
    Wheel(119);
    EXPECT_EQ(view.scrollY, 30);
    Wheel(-120);
    EXPECT_EQ(view.scrollY, 150);
}

TEST_F(ListWindow, ThumbDragReachesTheBottom) {
    Mouse(WM_LBUTTONDOWN, 295, 5);
    EXPECT_EQ(view.thumbDragging, 1);
    EXPECT_EQ(GetCapture(), list);
    Mouse(WM_MOUSEMOVE, 295, 129);
    Mouse(WM_LBUTTONUP, 295, 129);
    RECT r;
    GetClientRect(list, &r);
    EXPECT_EQ(view.scrollY, 10 * 40 - (r.bottom - r.top));
    EXPECT_EQ(view.thumbDragging, 0);
    EXPECT_NE(GetCapture(), list);
    // The press gave the list the focus, and the parent heard of it; the selection did not move.
    EXPECT_EQ(g_notes, (std::vector<int>{APPLIST_SETFOCUS}));
}

// Tab is the parent's: the list passes it on, and takes the focus from it and gives it back.
TEST_F(ListWindow, TabGoesToTheParentAndFocusIsTold) {
    UINT seen = 0;
    SetWindowLongPtrW(parent, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&seen));
    SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_KEYDOWN) {
            *reinterpret_cast<UINT*>(GetWindowLongPtrW(w, GWLP_USERDATA)) = static_cast<UINT>(wp);
            return 0;
        }
        return ParentProc(w, m, wp, lp);
    }));
    Key(VK_TAB);
    EXPECT_EQ(seen, static_cast<UINT>(VK_TAB));
    EXPECT_EQ(view.selectedIndex, -1);
    SetFocus(list);
    SetFocus(parent);
    EXPECT_EQ(g_notes, (std::vector<int>{APPLIST_SETFOCUS, APPLIST_KILLFOCUS}));
}

TEST_F(ListWindow, DisabledListIgnoresInput) {
    view.selectedIndex = 2;
    EnableAppList(list, 0);
    Key(VK_DOWN);
    Mouse(WM_LBUTTONDOWN, 50, 10);
    Mouse(WM_LBUTTONDBLCLK, 50, 10);
    Wheel(-120);
    Mouse(WM_MOUSEMOVE, 50, 50);
    EXPECT_EQ(view.selectedIndex, 2);
    EXPECT_EQ(view.scrollY, 0);
    EXPECT_EQ(view.hoverIndex, -1);
    EXPECT_TRUE(g_notes.empty());
}

TEST_F(ListWindow, PaintsTheSelectedRow) {
    Key(VK_DOWN);
    UpdateWindow(list);
    HDC dc = GetDC(list);
    COLORREF selected = GetPixel(dc, 270, 20);  // inside the highlight, right of the text
    COLORREF background = GetPixel(dc, 270, 60);
    COLORREF edge = GetPixel(dc, 1, 20);        // left of the highlight's inset
    ReleaseDC(list, dc);
    EXPECT_EQ(selected, palette.rowSelected);
    EXPECT_EQ(background, palette.listBackground);
    EXPECT_EQ(edge, palette.listBackground);
    EXPECT_EQ(SendMessageW(list, WM_ERASEBKGND, 0, 0), 1);
}

}  // namespace
