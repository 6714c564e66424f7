#include "ui/Keyboard.h"

namespace {

constexpr int32_t CUE_GAP = 2;  // layout units between a control and its ring

bool IsSliderKey(uint32_t key) {
    switch (key) {
    case KEY_LEFT:
    case KEY_RIGHT:
    case KEY_UP:
    case KEY_DOWN:
    case KEY_PAGE_UP:
    case KEY_PAGE_DOWN:
    case KEY_HOME:
    case KEY_END: return true;
    default: return false;
    }
}

// The new position of a slider for a key: arrows step 10 of 1000, pages 100, Home and End go
// to the ends. Left and Down lower the limit, as on every Windows slider.
int32_t SliderTarget(int32_t position, uint32_t key) {
    int32_t p = position;
    switch (key) {
    case KEY_LEFT:
    case KEY_DOWN: p -= SLIDER_KEY_STEP; break;
    case KEY_RIGHT:
    case KEY_UP: p += SLIDER_KEY_STEP; break;
    case KEY_PAGE_DOWN: p -= SLIDER_PAGE_STEP; break;
    case KEY_PAGE_UP: p += SLIDER_PAGE_STEP; break;
    case KEY_HOME: p = 0; break;
    case KEY_END: p = static_cast<int32_t>(SLIDER_POSITION_MAX); break;
    default: break;
    }
    const int32_t max = static_cast<int32_t>(SLIDER_POSITION_MAX);
    return p < 0 ? 0 : p > max ? max : p;
}

// Like the end of a drag: a slider moved by keys is saved once, however long the key repeated.
void EndKeyMove(const KeyboardContext* c, KeyEffects* e) {
    c->keyboard->sliderMoved = false;
    e->saveSettings = true;
    e->logThresholds = c->pointer->status->watchMode == WATCH_ON;
}

Rect Inflate(Rect r, int32_t by) {
    return Rect{r.left - by, r.top - by, r.right + by, r.bottom + by};
}

}  // namespace

void InitKeyboard(KeyboardState* k, bool systemShowsCues) {
    *k = KeyboardState{FocusStop::List, systemShowsCues, false, false, false};
}

int32_t SliderOfStop(FocusStop stop) {
    int32_t i = static_cast<int32_t>(stop) - static_cast<int32_t>(FocusStop::Cpu);
    return i >= 0 && i < LIMIT_ROW_COUNT ? i : -1;
}

FocusStop StopOfTarget(HitTarget target) {
    switch (target) {
    case TARGET_CHECKBOX: return FocusStop::CheckBox;
    case TARGET_BUTTON: return FocusStop::Button;
    case TARGET_REFRESH: return FocusStop::Refresh;
    default: break;
    }
    return FocusStop::List;
}

bool FocusStopAvailable(const KeyboardContext* c, FocusStop stop) {
    switch (stop) {
    case FocusStop::List:
    case FocusStop::Refresh: return c->listEnabled;  // neither takes input while watching
    case FocusStop::Button: return c->buttonEnabled;
    default: return true;
    }
}

FocusStop NextFocusStop(const KeyboardContext* c, FocusStop from, bool backwards) {
    int32_t i = static_cast<int32_t>(from);
    for (int32_t n = 0; n < FOCUS_STOP_COUNT; n++) {
        i = (i + (backwards ? FOCUS_STOP_COUNT - 1 : 1)) % FOCUS_STOP_COUNT;
        if (FocusStopAvailable(c, static_cast<FocusStop>(i))) {
            return static_cast<FocusStop>(i);
        }
    }
    return from;
}

FocusStop FocusOnActivation(const KeyboardContext* c) {
    FocusStop last = c->keyboard->focus;
    return FocusStopAvailable(c, last) ? last : NextFocusStop(c, last, false);
}

KeyEffects KeyDown(KeyboardContext* c, uint32_t key, bool shift) {
    KeyboardState* k = c->keyboard;
    KeyEffects e = {};
    e.sliderMoved = -1;
    if (key == KEY_TAB) {
        FocusStop next = NextFocusStop(c, k->focus, shift);
        k->focus = next;
        k->spaceDown = false;
        e.handled = true;
        e.focusChanged = true;
        e.invalidate = true;
        e.showCues = !k->cuesShown;
        k->cuesShown = true;
        return e;
    }
    const FocusStop stop = k->focus;
    if (!FocusStopAvailable(c, stop) || stop == FocusStop::List) {
        return e;  // the list answers its own keys
    }
    const int32_t slider = SliderOfStop(stop);
    if (slider >= 0 && IsSliderKey(key)) {
        e.handled = true;
        SliderRow* row = &c->pointer->pointer->sliders[slider];
        int32_t target = SliderTarget(row->position, key);
        if (target != row->position) {
            row->position = target;
            ApplySliderPosition(c->pointer, slider);
            k->sliderMoved = true;
            e.sliderMoved = slider;
            e.invalidate = true;
        }
    } else if (key == KEY_SPACE && (stop == FocusStop::CheckBox || stop == FocusStop::Button)) {
        e.handled = true;
        k->spaceDown = true;
    } else if (key == KEY_RETURN && (stop == FocusStop::Button || stop == FocusStop::Refresh)) {
        e.handled = true;
        if (!k->returnDown) {
            e.click = stop == FocusStop::Button ? TARGET_BUTTON : TARGET_REFRESH;
        }
        k->returnDown = true;
    }
    if (e.handled && !k->cuesShown) {
        k->cuesShown = true;
        e.showCues = true;
        e.invalidate = true;
    }
    return e;
}

KeyEffects KeyUp(KeyboardContext* c, uint32_t key) {
    KeyboardState* k = c->keyboard;
    KeyEffects e = {};
    e.sliderMoved = -1;
    if (IsSliderKey(key) && k->sliderMoved) {
        e.handled = true;
        EndKeyMove(c, &e);
    } else if (key == KEY_RETURN && k->returnDown) {
        k->returnDown = false;
        e.handled = true;
    } else if (key == KEY_SPACE && k->spaceDown) {
        k->spaceDown = false;
        e.handled = true;
        if (k->focus == FocusStop::CheckBox) {
            e.click = TARGET_CHECKBOX;
        } else if (k->focus == FocusStop::Button && c->buttonEnabled) {
            e.click = TARGET_BUTTON;
        }
    }
    return e;
}

KeyEffects KeyboardFocusLost(KeyboardContext* c) {
    KeyboardState* k = c->keyboard;
    KeyEffects e = {};
    e.sliderMoved = -1;
    k->spaceDown = false;
    k->returnDown = false;
    if (k->sliderMoved) {
        EndKeyMove(c, &e);
    }
    return e;
}

KeyEffects FocusByPointer(KeyboardContext* c, FocusStop stop) {
    KeyEffects e = KeyboardFocusLost(c);
    if (stop != c->keyboard->focus) {
        c->keyboard->focus = stop;
        e.focusChanged = true;
        e.invalidate = c->keyboard->cuesShown;
    }
    return e;
}

Rect FocusCueRect(const MainLayout* l, const PointerState* pointer, FocusStop stop) {
    const int32_t gap = Scale(CUE_GAP, l->dpi);
    int32_t slider = SliderOfStop(stop);
    if (slider >= 0) {
        return Inflate(SliderGeometry(&pointer->sliders[slider], l->dpi).thumb, gap);
    }
    switch (stop) {
    case FocusStop::CheckBox: return Inflate(CheckSquareRect(l), gap);
    case FocusStop::Button: return Inflate(ButtonRect(l), gap);
    case FocusStop::Refresh: return RefreshRect(l);
    default: break;
    }
    return Rect{0, 0, 0, 0};
}
