#pragma once
#include "ui/DrawKit.h"

#include <cstdint>

// The main window's one fixed layout: a 430-unit column whose app list gets 3 to 8 rows,
// as many as fit the work area. Computed at start-up, and again for the monitor and DPI the
// window moves to.

constexpr int32_t CLIENT_WIDTH = 430;
constexpr int32_t CONTENT_LEFT = 16;
constexpr int32_t CONTENT_RIGHT = 414;
constexpr int32_t LIST_TOP = 58;
constexpr int32_t LIST_ROW_HEIGHT = 40;
constexpr int32_t LIST_ROWS_MIN = 3;
constexpr int32_t LIST_ROWS_MAX = 8;
constexpr int32_t SCREEN_SLACK = 24;
constexpr int32_t BELOW_LIST = 364;
constexpr int32_t ROW_PITCH = 38;
constexpr uint32_t MAIN_WINDOW_STYLE = 0x00CA0000;  // caption, system menu, minimise box

struct MainLayout {
    int32_t dpi;
    int32_t listHeight;
    int32_t footerTop;
    int32_t limitsTop;
    int32_t firstRowTop;
    int32_t checkBoxTop;
    int32_t buttonTop;
    int32_t clientHeight;
};

// workAreaHeight and nonClientHeight in pixels.
MainLayout ComputeLayout(int32_t workAreaHeight, int32_t nonClientHeight, int32_t dpi);

int32_t SliderRowTop(const MainLayout* l, int32_t i);
Rect ButtonRect(const MainLayout* l);
Rect CheckBoxRect(const MainLayout* l);
Rect RefreshRect(const MainLayout* l);

Rect SectionTitleRect(const MainLayout* l, int32_t top);
Rect SectionSubtitleRect(const MainLayout* l, int32_t top);
Rect StatusDotRect(const MainLayout* l);
Rect WatchedTitleRect(const MainLayout* l);
Rect StatusLineRect(const MainLayout* l);
Rect ListWindowRect(const MainLayout* l);
Rect ListFrameRect(const MainLayout* l);
Rect FooterTextRect(const MainLayout* l);
Rect LimitLabelRect(const MainLayout* l, int32_t i);
Rect LimitTrackRect(const MainLayout* l, int32_t i);
Rect LimitValueRect(const MainLayout* l, int32_t i);
Rect LimitDetailRect(const MainLayout* l, int32_t i);
Rect LimitBadgeRect(const MainLayout* l, int32_t i);
Rect CheckSquareRect(const MainLayout* l);
Rect CheckLabelRect(const MainLayout* l);
