#include "ui/MainPaint_win.h"

#include "ui/Format.h"

namespace {

struct Painter {
    HDC dc;
    const MainPaintInputs* in;
    const Palette* p;
    const MainLayout* l;
    const FontSet* fonts;
    int32_t S(int32_t n) const { return Scale(n, l->dpi); }
};

void PaintSectionHeader(const Painter& g, int32_t top, const char16_t* title, const char16_t* subtitle) {
    DrawTextColor(g.dc, SectionTitleRect(g.l, top), title, g.fonts->heading.get(), g.p->text, TEXT_LEFT_ELLIPSIS);
    DrawTextColor(g.dc, SectionSubtitleRect(g.l, top), subtitle, g.fonts->caption.get(), g.p->textSecondary,
                  TEXT_LEFT_ELLIPSIS);
}

void PaintSectionOne(const Painter& g) {
    const WatchStatus* s = g.in->text.status;
    if (s->watchMode == WATCH_OFF) {
        PaintSectionHeader(g, g.S(14), SECTION_ONE_TITLE, SECTION_ONE_SUBTITLE);
        return;
    }
    Color dot = s->currentState == STATE_BUSY ? g.p->stateBusy : s->currentState == STATE_GRACE ? g.p->stateGrace
                                                                                             : g.p->stateIdle;
    FillRoundRect(g.dc, StatusDotRect(g.l), g.S(4), dot);
    const char16_t* title = DisplayTitle(s->watchedApp.title, s->watchedApp.imageName);
    DrawTextColor(g.dc, WatchedTitleRect(g.l), title, g.fonts->heading.get(), g.p->text, TEXT_LEFT_ELLIPSIS);
    char16_t line[STATUS_CAPACITY];
    BuildStatusLine(line, STATUS_CAPACITY, &g.in->text);
    DrawTextColor(g.dc, StatusLineRect(g.l), line, g.fonts->caption.get(), g.p->textSecondary, TEXT_LEFT_ELLIPSIS);
}

void PaintListFooter(const Painter& g) {
    char16_t text[FOOTER_CAPACITY];
    FormatFooter(text, &g.in->text);
    DrawTextColor(g.dc, FooterTextRect(g.l), text, g.fonts->caption.get(), g.p->textSecondary, TEXT_LEFT_ELLIPSIS);
    if (g.in->text.status->watchMode == WATCH_OFF) {
        Color color = g.in->pointer->hoverTarget == TARGET_REFRESH ? g.p->accent : g.p->textSecondary;
        DrawTextColor(g.dc, RefreshRect(g.l), u"Refresh", g.fonts->caption.get(), color, TEXT_RIGHT);
    }
}

void PaintLimitRows(const Painter& g) {
    const MainTextInputs* t = &g.in->text;
    const bool live = HasLiveNumbers(t) != 0;
    char16_t text[ROW_TEXT_CAPACITY];
    for (int32_t i = 0; i < METRIC_COUNT; i++) {
        DrawTextColor(g.dc, LimitLabelRect(g.l, i), LimitRowName(i), g.fonts->body.get(), g.p->textSecondary, TEXT_LEFT);
        PaintSlider(g.dc, g.p, &g.in->pointer->sliders[i], g.l->dpi);
        FormatMetricValue(text, ROW_TEXT_CAPACITY, static_cast<Metric>(i), t->limits->rows[i].value);
        DrawTextColor(g.dc, LimitValueRect(g.l, i), text, g.fonts->body.get(), g.p->text, TEXT_RIGHT);
        bool busy = false;
        FormatMetricDetail(text, t, static_cast<Metric>(i), &busy);
        DrawTextColor(g.dc, LimitDetailRect(g.l, i), text, g.fonts->caption.get(), busy ? g.p->stateBusy : g.p->textSecondary,
                      TEXT_LEFT_ELLIPSIS);
        if (live && t->evaluator->meters[i].raised) {
            DrawTextColor(g.dc, LimitBadgeRect(g.l, i), u"auto-raised", g.fonts->caption.get(), g.p->stateGrace, TEXT_RIGHT);
        }
    }
    DrawTextColor(g.dc, LimitLabelRect(g.l, WAIT_ROW), LimitRowName(WAIT_ROW), g.fonts->body.get(), g.p->textSecondary,
                  TEXT_LEFT);
    PaintSlider(g.dc, g.p, &g.in->pointer->sliders[WAIT_ROW], g.l->dpi);
    FormatDuration(text, ROW_TEXT_CAPACITY, t->limits->rows[WAIT_ROW].value);
    DrawTextColor(g.dc, LimitValueRect(g.l, WAIT_ROW), text, g.fonts->body.get(), g.p->text, TEXT_RIGHT);
    bool grace = false;
    FormatWaitDetail(text, t, &grace);
    DrawTextColor(g.dc, LimitDetailRect(g.l, WAIT_ROW), text, g.fonts->caption.get(),
                  grace ? g.p->stateGrace : g.p->textSecondary, TEXT_LEFT_ELLIPSIS);
}

void PaintCheckBox(const Painter& g) {
    Rect square = CheckSquareRect(g.l);
    if (g.in->keepDisplayOn) {
        FillRoundRect(g.dc, square, g.S(3), g.p->accent);
        int32_t s = g.S(16);
        ScopedSelect selectPen(g.dc, GetCheckPen(g.in->kit, g.S(2), g.p->accentText));
        MoveToEx(g.dc, square.left + s * 3 / 10, square.top + s / 2, nullptr);
        LineTo(g.dc, square.left + s * 9 / 20, square.top + s * 7 / 10);
        LineTo(g.dc, square.left + s * 3 / 4, square.top + s * 3 / 10);
    } else {
        Color frame = g.in->pointer->hoverTarget == TARGET_CHECKBOX ? g.p->accent : g.p->border;
        StrokeRoundRect(g.dc, square, g.S(3), frame);
    }
    DrawTextColor(g.dc, CheckLabelRect(g.l), u"Keep the screen on too", g.fonts->body.get(), g.p->text, TEXT_LEFT);
}

void PaintButton(const Painter& g) {
    const bool watching = g.in->text.status->watchMode == WATCH_ON;
    const bool enabled = ButtonEnabled(g.in->text.status, g.in->selectedIndex);
    const PointerState* ptr = g.in->pointer;
    Color fill = g.p->accent;
    Color label = g.p->accentText;
    if (!enabled) {
        fill = g.p->disabledFill;
        label = g.p->disabledText;
    } else if (ptr->pressedTarget == TARGET_BUTTON) {
        fill = g.p->accentPressed;
    } else if (ptr->hoverTarget == TARGET_BUTTON) {
        fill = g.p->accentHover;
    }
    Rect button = ButtonRect(g.l);
    FillRoundRect(g.dc, button, g.S(6), fill);
    DrawTextColor(g.dc, button, watching ? u"RELEASE" : u"DON'T SLEEP", g.fonts->button.get(), label, TEXT_CENTER);
}

// A one-pixel ring in the accent colour around the focused control, after keyboard use only.
void PaintFocusCue(const Painter& g) {
    if (g.in->focusCue < 0) {
        return;
    }
    const FocusStop stop = static_cast<FocusStop>(g.in->focusCue);
    const int32_t gap = g.S(2);
    int32_t radius = g.S(3) + gap;
    if (SliderOfStop(stop) >= 0) {
        radius = Scale(THUMB_DIAMETER, g.l->dpi) / 2 + gap;
    } else if (stop == FocusStop::Button) {
        radius = g.S(6) + gap;
    } else if (stop == FocusStop::Refresh) {
        radius = g.S(3);
    }
    StrokeRoundRect(g.dc, FocusCueRect(g.l, g.in->pointer, stop), radius, g.p->accent);
}

}  // namespace

void PaintSlider(HDC dc, const Palette* p, const SliderRow* s, int32_t dpi) {
    SliderShapes g = SliderGeometry(s, dpi);
    Color active = (s->hover || s->dragging) ? p->accentHover : p->accent;
    FillRoundRect(dc, g.bar, g.barRadius, p->border);
    if (g.hasFilled) {
        FillRoundRect(dc, g.filled, g.barRadius, active);
    }
    FillRoundRect(dc, g.thumb, g.thumbRadius, active);
    FillRoundRect(dc, g.hole, g.holeRadius, p->windowBackground);
}

void PaintMainWindow(HWND window, const MainPaintInputs* in) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    {
        DoubleBuffer buffer(dc, client.right, client.bottom);
        Painter g{buffer.dc(), in, in->palette, in->layout, GetFonts(in->kit)};
        FillRectColor(g.dc, Rect{0, 0, client.right, client.bottom}, g.p->windowBackground);
        StrokeRoundRect(g.dc, ListFrameRect(g.l), g.S(6), g.p->border);
        PaintSectionOne(g);
        PaintListFooter(g);
        PaintSectionHeader(g, g.l->limitsTop, SECTION_TWO_TITLE, SECTION_TWO_SUBTITLE);
        PaintLimitRows(g);
        PaintCheckBox(g);
        PaintButton(g);
        PaintFocusCue(g);
    }
    EndPaint(window, &ps);
}
