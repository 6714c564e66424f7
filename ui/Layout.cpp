#include "ui/Layout.h"

namespace {

int32_t S(const MainLayout* l, int32_t n) {
    return Scale(n, l->dpi);
}

}  // namespace

MainLayout ComputeLayout(int32_t workAreaHeight, int32_t nonClientHeight, int32_t dpi) {
    MainLayout l = {};
    l.dpi = dpi;
    int32_t avail = workAreaHeight - nonClientHeight - S(&l, SCREEN_SLACK) - S(&l, LIST_TOP) - S(&l, BELOW_LIST);
    int32_t rows = avail / S(&l, LIST_ROW_HEIGHT);  // truncates toward zero: a negative avail gives 0
    if (rows > LIST_ROWS_MAX) {
        rows = LIST_ROWS_MAX;
    }
    if (rows < LIST_ROWS_MIN) {
        rows = LIST_ROWS_MIN;  // a small screen keeps three rows and overhangs the work area
    }
    l.listHeight = rows * S(&l, LIST_ROW_HEIGHT);
    l.footerTop = S(&l, LIST_TOP) + l.listHeight + S(&l, 8);
    l.limitsTop = l.footerTop + S(&l, 30);
    l.firstRowTop = l.limitsTop + S(&l, 34);
    l.checkBoxTop = l.firstRowTop + S(&l, 200);
    l.buttonTop = l.checkBoxTop + S(&l, 32);
    l.clientHeight = l.buttonTop + S(&l, 60);
    return l;
}

// The scaled product, not 38 times a scaled unit, so rows land on the same pixels as the
// rest of the layout.
int32_t SliderRowTop(const MainLayout* l, int32_t i) {
    return l->firstRowTop + S(l, ROW_PITCH * i);
}

Rect ButtonRect(const MainLayout* l) { return RectAt(16, l->buttonTop, 398, 46, l->dpi); }
Rect CheckBoxRect(const MainLayout* l) { return RectAt(16, l->checkBoxTop, 240, 22, l->dpi); }
Rect RefreshRect(const MainLayout* l) { return RectAt(344, l->footerTop - S(l, 2), 70, 20, l->dpi); }

Rect SectionTitleRect(const MainLayout* l, int32_t top) { return RectAt(16, top, 398, 19, l->dpi); }
Rect SectionSubtitleRect(const MainLayout* l, int32_t top) { return RectAt(16, top + S(l, 19), 398, 15, l->dpi); }

Rect StatusDotRect(const MainLayout* l) {
    int32_t top = S(l, 14) + S(l, 5);
    return Rect{S(l, 16), top, S(l, 16) + S(l, 9), top + S(l, 9)};
}

Rect WatchedTitleRect(const MainLayout* l) {
    return Rect{S(l, 16) + S(l, 17), S(l, 14), S(l, 414), S(l, 14) + S(l, 18)};
}

Rect StatusLineRect(const MainLayout* l) {
    return Rect{S(l, 16) + S(l, 17), S(l, 14) + S(l, 18), S(l, 414), S(l, 14) + S(l, 38)};
}

Rect ListWindowRect(const MainLayout* l) {
    return Rect{S(l, 16), S(l, LIST_TOP), S(l, CONTENT_RIGHT), S(l, LIST_TOP) + l->listHeight};
}

// One pixel outside the list window on every side, so it is painted around the child.
Rect ListFrameRect(const MainLayout* l) {
    return Rect{S(l, 15), S(l, LIST_TOP) - 1, S(l, 415), S(l, LIST_TOP) + l->listHeight + 1};
}

Rect FooterTextRect(const MainLayout* l) { return RectAt(16, l->footerTop, 260, 16, l->dpi); }
Rect LimitLabelRect(const MainLayout* l, int32_t i) { return RectAt(16, SliderRowTop(l, i), 42, 20, l->dpi); }
Rect LimitTrackRect(const MainLayout* l, int32_t i) { return RectAt(58, SliderRowTop(l, i), 150, 20, l->dpi); }
Rect LimitValueRect(const MainLayout* l, int32_t i) { return RectAt(216, SliderRowTop(l, i), 198, 20, l->dpi); }
Rect LimitDetailRect(const MainLayout* l, int32_t i) {
    return RectAt(58, SliderRowTop(l, i) + S(l, 18), 356, 16, l->dpi);
}
Rect LimitBadgeRect(const MainLayout* l, int32_t i) {
    return RectAt(350, SliderRowTop(l, i) + S(l, 18), 64, 16, l->dpi);
}

Rect CheckSquareRect(const MainLayout* l) {
    Rect hit = CheckBoxRect(l);
    int32_t side = S(l, 16);
    int32_t top = hit.top + (hit.bottom - hit.top - side) / 2;
    return Rect{hit.left, top, hit.left + side, top + side};
}

Rect CheckLabelRect(const MainLayout* l) {
    Rect hit = CheckBoxRect(l);
    hit.left = CheckSquareRect(l).right + S(l, 9);
    return hit;
}
