#include "ui/Pointer.h"

namespace {

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

// The end of a drag is the one moment the limits are saved, changed or not.
PointerEffects EndSliderDrag(PointerContext* c) {
    PointerState* p = c->pointer;
    PointerEffects e = {};
    p->sliders[p->draggedSlider].dragging = false;
    p->draggedSlider = -1;
    e.saveSettings = true;
    e.logThresholds = c->status->watchMode == WATCH_ON;
    e.invalidate = true;
    return e;
}

}  // namespace

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
