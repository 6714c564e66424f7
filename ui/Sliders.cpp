#include "ui/Sliders.h"

namespace {

int32_t HalfThumb(int32_t dpi) {
    return Scale(THUMB_DIAMETER, dpi) / 2;  // not always Scale(7): 10 rather than 11 at 144 dpi
}

void Merge(PointerEffects* into, const PointerEffects& e) {
    into->invalidate |= e.invalidate;
    into->capture |= e.capture;
    into->releaseCapture |= e.releaseCapture;
    into->trackLeave |= e.trackLeave;
    into->saveSettings |= e.saveSettings;
    into->logThresholds |= e.logThresholds;
    if (e.click != TARGET_NONE) {
        into->click = e.click;
    }
}

}  // namespace

int32_t SliderUsable(const SliderRow* s, int32_t dpi) {
    int32_t usable = (s->track.right - s->track.left) - Scale(THUMB_DIAMETER, dpi);
    return usable > 0 ? usable : 1;
}

int32_t SliderThumbX(const SliderRow* s, int32_t dpi) {
    uint32_t along = static_cast<uint32_t>(s->position) * static_cast<uint32_t>(SliderUsable(s, dpi)) / 1000u;
    return s->track.left + HalfThumb(dpi) + static_cast<int32_t>(along);
}

// The hit area reaches half a thumb beyond each end, so the thumb can be caught at 0 and 1000.
int32_t SliderHitTest(const SliderRow* s, int32_t x, int32_t y, int32_t dpi) {
    int32_t half = HalfThumb(dpi);
    return (x >= s->track.left - half && x <= s->track.right + half && y >= s->track.top && y < s->track.bottom)
               ? 1
               : 0;
}

int32_t SliderSetFromX(SliderRow* s, int32_t x, int32_t dpi) {
    int32_t usable = SliderUsable(s, dpi);
    int64_t off = int64_t{x} - (s->track.left + HalfThumb(dpi));
    off = off < 0 ? 0 : off > usable ? usable : off;
    int32_t p = static_cast<int32_t>(off * 1000 / usable);
    if (p == s->position) {
        return 0;
    }
    s->position = p;
    return 1;
}

int32_t BeginSliderDrag(SliderRow* s, int32_t x, int32_t y, int32_t dpi) {
    if (!SliderHitTest(s, x, y, dpi)) {
        return 0;
    }
    s->dragging = true;
    return SliderSetFromX(s, x, dpi);  // a press on the track makes the thumb jump there
}

int32_t SliderDrag(SliderRow* s, int32_t x, int32_t dpi) {
    return s->dragging ? SliderSetFromX(s, x, dpi) : 0;
}

SliderShapes SliderGeometry(const SliderRow* s, int32_t dpi) {
    SliderShapes g;
    int32_t cy = (s->track.top + s->track.bottom) / 2;
    int32_t tx = SliderThumbX(s, dpi);
    int32_t r = HalfThumb(dpi);
    int32_t bar = Scale(BAR_THICKNESS, dpi);
    g.bar = Rect{s->track.left, cy - bar / 2, s->track.right, cy - bar / 2 + bar};
    g.barRadius = bar / 2;
    g.filled = g.bar;
    g.filled.right = tx;
    g.hasFilled = tx > s->track.left;
    g.thumb = Rect{tx - r, cy - r, tx + r, cy + r};
    g.thumbRadius = r;
    g.hole = Rect{tx - r + bar, cy - r + bar, tx + r - bar, cy + r - bar};
    g.holeRadius = (g.hole.right - g.hole.left) / 2;
    return g;
}

void InitPointerState(PointerState* p, const LimitTable* limits, const MainLayout* layout) {
    for (int32_t i = 0; i < LIMIT_ROW_COUNT; i++) {
        SliderRow* s = &p->sliders[i];
        s->hover = false;
        s->dragging = false;
        s->track = LimitTrackRect(layout, i);
    }
    p->draggedSlider = -1;
    p->hoverTarget = TARGET_NONE;
    p->pressedTarget = TARGET_NONE;
    SyncSliderPositions(p, limits);
}

void SyncSliderPositions(PointerState* p, const LimitTable* limits) {
    for (int32_t i = 0; i < LIMIT_ROW_COUNT; i++) {
        p->sliders[i].position = static_cast<int32_t>(LimitToSliderPosition(&limits->rows[i], limits->rows[i].value));
    }
}

void ApplySliderPosition(PointerContext* c, int32_t i) {
    LimitRow* row = &c->limits->rows[i];
    row->value = SliderPositionToLimit(row, static_cast<uint32_t>(c->pointer->sliders[i].position));
}

PointerEffects UpdateHover(PointerContext* c, int32_t x, int32_t y) {
    PointerState* p = c->pointer;
    const int32_t dpi = c->layout->dpi;
    PointerEffects e = {};
    if (p->draggedSlider >= 0) {
        // During a drag neither the hover flags nor the hovered element change.
        if (SliderDrag(&p->sliders[p->draggedSlider], x, dpi)) {
            ApplySliderPosition(c, p->draggedSlider);
            e.invalidate = true;
        }
        return e;
    }
    bool changed = false;
    for (SliderRow& s : p->sliders) {
        bool h = SliderHitTest(&s, x, y, dpi) != 0;
        if (h != s.hover) {
            s.hover = h;
            changed = true;
        }
    }
    HitTarget old = p->hoverTarget;
    Rect button = ButtonRect(c->layout);
    Rect checkBox = CheckBoxRect(c->layout);
    Rect refresh = RefreshRect(c->layout);
    if (PointInRect(&button, x, y)) {
        p->hoverTarget = TARGET_BUTTON;
    } else if (PointInRect(&checkBox, x, y)) {
        p->hoverTarget = TARGET_CHECKBOX;
    } else if (c->status->watchMode == WATCH_OFF && PointInRect(&refresh, x, y)) {
        p->hoverTarget = TARGET_REFRESH;  // "Refresh" is not drawn while watching
    } else {
        p->hoverTarget = TARGET_NONE;
    }
    if (p->hoverTarget != old || changed) {
        e.invalidate = true;
        e.trackLeave = true;
    }
    return e;
}

PointerEffects PointerDown(PointerContext* c, int32_t x, int32_t y) {
    PointerState* p = c->pointer;
    const int32_t dpi = c->layout->dpi;
    PointerEffects e = {};
    for (int32_t i = 0; i < LIMIT_ROW_COUNT; i++) {
        if (SliderHitTest(&p->sliders[i], x, y, dpi)) {
            p->draggedSlider = i;
            e.capture = true;
            if (BeginSliderDrag(&p->sliders[i], x, y, dpi)) {
                ApplySliderPosition(c, i);
            }
            e.invalidate = true;
            return e;
        }
    }
    e = UpdateHover(c, x, y);
    if (p->hoverTarget == TARGET_NONE) {
        return e;
    }
    p->pressedTarget = p->hoverTarget;
    e.capture = true;
    e.invalidate = true;
    return e;
}

// The end of a drag is the one moment the limits are saved, changed or not.
static PointerEffects EndSliderDrag(PointerContext* c) {
    PointerState* p = c->pointer;
    PointerEffects e = {};
    p->sliders[p->draggedSlider].dragging = false;
    p->draggedSlider = -1;
    e.saveSettings = true;
    e.logThresholds = c->status->watchMode == WATCH_ON;
    e.invalidate = true;
    return e;
}

PointerEffects PointerUp(PointerContext* c, int32_t x, int32_t y) {
    PointerState* p = c->pointer;
    PointerEffects e = {};
    if (p->draggedSlider >= 0) {
        e = EndSliderDrag(c);
        e.releaseCapture = true;
        return e;
    }
    HitTarget pressed = p->pressedTarget;
    if (pressed == TARGET_NONE) {
        return e;
    }
    e.releaseCapture = true;
    p->pressedTarget = TARGET_NONE;
    Merge(&e, UpdateHover(c, x, y));
    if (p->hoverTarget == pressed) {
        e.click = pressed;  // a release away from the pressed element is no click
    }
    return e;
}

PointerEffects PointerLeave(PointerContext* c) {
    PointerEffects e = {};
    if (c->pointer->hoverTarget != TARGET_NONE) {
        c->pointer->hoverTarget = TARGET_NONE;
        e.invalidate = true;
    }
    return e;
}

PointerEffects PointerCaptureLost(PointerContext* c) {
    PointerState* p = c->pointer;
    if (p->draggedSlider >= 0) {
        return EndSliderDrag(c);
    }
    PointerEffects e = {};
    if (p->pressedTarget != TARGET_NONE) {
        p->pressedTarget = TARGET_NONE;
        e.invalidate = true;
    }
    return e;
}
