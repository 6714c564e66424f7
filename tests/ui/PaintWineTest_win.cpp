// The main window's painter in a real window under Wine, with a high-contrast palette read from
// the system's colours. Wine cannot turn a high-contrast theme on (SPI_SETHIGHCONTRAST fails and
// SPI_GETHIGHCONTRAST is always off), so the system colours are set to a high-contrast scheme and
// the palette is made from them as Pellacord makes it when the theme is on.
#include "shell/Theme_win.h"
#include "ui/AppListView_win.h"
#include "ui/AppRow_win.h"
#include "ui/MainPaint_win.h"

#include "tests/support/WinTestSupport.h"
#include "base/Text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

const MainPaintInputs* g_inputs;

// The window as a 24-bit BMP, for the README's picture.
void SaveBitmap(HDC source, int32_t width, int32_t height, const std::wstring& path) {
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    const int32_t stride = (width * 3 + 3) & ~3;
    std::string pixels(static_cast<size_t>(stride) * static_cast<size_t>(height), '\0');
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), &pixels[0], &info, DIB_RGB_COLORS);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    CreateDirectoryW(path.substr(0, path.find_last_of(L'\\')).c_str(), nullptr);
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(out, &file, sizeof(file), &written, nullptr);
        WriteFile(out, &info.bmiHeader, sizeof(BITMAPINFOHEADER), &written, nullptr);
        WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
        CloseHandle(out);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
}

LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_PAINT && g_inputs) {
        PaintMainWindow(w, g_inputs);
        return 0;
    }
    if (m == WM_ERASEBKGND) {
        return 1;
    }
    return DefWindowProcW(w, m, wp, lp);
}

struct HighContrastPaint : ::testing::Test {
    static constexpr int ROLES = 5;
    const int roles[ROLES] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, COLOR_GRAYTEXT};
    // Windows' "High Contrast Black".
    const COLORREF scheme[ROLES] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(26, 235, 255), RGB(0, 0, 0), RGB(63, 242, 63)};
    COLORREF saved[ROLES];
    WatchStatus status = MakeWatchStatus();
    std::unique_ptr<ActivityEvaluator> evaluator = std::make_unique<ActivityEvaluator>();
    LimitTable limits;
    Palette palette;
    MainLayout layout = ComputeLayout(4000, 0, 96);
    PointerState pointer;
    DrawKit kit;
    MainPaintInputs in;
    std::unique_ptr<AppList> apps = std::make_unique<AppList>();
    AppListView view{};
    AppRowContext rowContext{};
    HWND window = nullptr;
    HWND list = nullptr;
    HDC dc = nullptr;

    void SetUp() override {
        for (int i = 0; i < ROLES; i++) {
            saved[i] = GetSysColor(roles[i]);
        }
        ASSERT_TRUE(SetSysColors(ROLES, roles, scheme));
        SetDefaultLimits(&limits);
        ResetEvaluator(evaluator.get(), &limits);
        InitPointerState(&pointer, &limits, &layout);
        const SystemColors colors = ReadSystemColors();
        FillHighContrastPalette(&palette, &colors);
        in = MainPaintInputs{MainTextInputs{&status, evaluator.get(), &limits, 1, 3}, &palette, &layout, &pointer, &kit,
                             0, true, -1};
        g_inputs = &in;
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"HighContrastPaint";
        RegisterClassW(&wc);
        window = CreateWindowExW(WS_EX_TOPMOST, L"HighContrastPaint", L"", WS_POPUP | WS_VISIBLE, 0, 0,
                                 Scale(CLIENT_WIDTH, 96), layout.clientHeight, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
        const char16_t* titles[] = {u"Render \u00B7 final pass", u"Build", u"Downloads"};
        for (int32_t i = 0; i < 3; i++) {
            apps->entries[i] = AppEntry{};
            apps->entries[i].pid = 4000 + static_cast<uint32_t>(i) * 4;
            CopyWide(apps->entries[i].title, titles[i], APP_TITLE_CAPACITY);
            CopyWide(apps->entries[i].imageName, u"app.exe", APP_IMAGE_CAPACITY);
        }
        apps->count = 3;
        RegisterAppListClass(wc.hInstance);
        rowContext = AppRowContext{apps.get(), &view, &kit};
        view.palette = &palette;
        view.drawItem = DrawAppRow;
        view.drawItemContext = &rowContext;
        view.rowHeight = Scale(LIST_ROW_HEIGHT, 96);
        view.dpi = 96;
        list = CreateAppListView(window, 100, &view);
        Rect r = ListWindowRect(&layout);
        MoveWindow(list, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
        SetAppListCount(list, 3);
        view.selectedIndex = 0;
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        dc = GetDC(window);
    }
    void TearDown() override {
        if (dc) {
            ReleaseDC(window, dc);
        }
        DestroyWindow(window);
        ReleaseFonts(&kit);
        g_inputs = nullptr;
        SetSysColors(ROLES, roles, saved);
    }
    // How many pixels of a rectangle have exactly this colour.
    int Count(const Rect& r, COLORREF colour) {
        int n = 0;
        for (int y = r.top; y < r.bottom; y++) {
            for (int x = r.left; x < r.right; x++) {
                n += GetPixel(dc, x, y) == colour ? 1 : 0;
            }
        }
        return n;
    }
};

TEST_F(HighContrastPaint, EveryRoleIsASystemColour) {
    EXPECT_FALSE(SystemUsesHighContrast());  // Wine's answer, whatever is set
    EXPECT_TRUE(palette.highContrast);
    EXPECT_EQ(GetPixel(dc, 3, 3), GetSysColor(COLOR_WINDOW));
    Rect listRect = ListWindowRect(&layout);
    EXPECT_EQ(GetPixel(dc, listRect.left + 5, listRect.bottom - 5), GetSysColor(COLOR_WINDOW));
    // The selected row in the highlight colour, its title in the highlight's text colour.
    EXPECT_EQ(GetPixel(dc, listRect.left + 6, listRect.top + 20), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_GT(Count(Rect{listRect.left, listRect.top, listRect.right, listRect.top + 40}, GetSysColor(COLOR_HIGHLIGHTTEXT)),
              10);
    Rect frame = ListFrameRect(&layout);
    EXPECT_EQ(GetPixel(dc, frame.left, (frame.top + frame.bottom) / 2), GetSysColor(COLOR_WINDOWTEXT));
    // Headings in the text colour, subtitles and details in the grey text colour.
    // (Smoothed text has few pixels of the exact colour.)
    EXPECT_GT(Count(SectionTitleRect(&layout, Scale(14, 96)), GetSysColor(COLOR_WINDOWTEXT)), 10);
    EXPECT_GT(Count(SectionSubtitleRect(&layout, Scale(14, 96)), GetSysColor(COLOR_GRAYTEXT)), 10);
    // The button in the highlight colour with its label in the highlight's text colour; the
    // ticked check box too.
    Rect button = ButtonRect(&layout);
    EXPECT_EQ(GetPixel(dc, button.left + 10, button.top + 4), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_GT(Count(button, GetSysColor(COLOR_HIGHLIGHTTEXT)), 10);
    Rect square = CheckSquareRect(&layout);
    EXPECT_EQ(GetPixel(dc, square.left + 2, square.top + 8), GetSysColor(COLOR_HIGHLIGHT));
    // Nothing of the light or dark theme is left anywhere.
    Palette light, dark;
    FillPalette(&light, 0);
    FillPalette(&dark, 1);
    const Rect all = {0, 0, Scale(CLIENT_WIDTH, 96), layout.clientHeight};
    for (COLORREF c : {light.windowBackground, light.accent, light.border, dark.windowBackground, dark.accent}) {
        EXPECT_EQ(Count(Rect{0, 0, all.right, all.bottom / 4}, c), 0) << std::hex << c;
    }
    SaveBitmap(dc, all.right, all.bottom, BesideTestExe(L"..\\artefacts\\high-contrast.bmp"));
}

}  // namespace
