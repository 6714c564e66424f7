// The main window from the keyboard: where the Win32 focus goes, the keys, the focus cues, and
// the focus events screen readers follow.
#include "shell/Program_win.h"

#include "ui/Accessible_win.h"

namespace {

bool MainHasFocus(const Program* p) {
    return GetFocus() == p->mainWindow;
}

// The list outlines its selected row while it has the focus and cues are shown.
void UpdateListCue(Program* p) {
    bool cue = p->keyboard.cuesShown && p->keyboard.focus == FocusStop::List && GetFocus() == p->listWindow;
    if (cue != p->listView.focusCue) {
        p->listView.focusCue = cue;
        InvalidateRect(p->listWindow, nullptr, FALSE);
    }
}

void NotifyFocus(Program* p) {
    if (p->keyboard.focus == FocusStop::List) {
        int32_t row = p->listView.selectedIndex;
        NotifyAccessible(p->listWindow, EVENT_OBJECT_FOCUS, row >= 0 ? row + 1 : CHILDID_SELF);
    } else if (MainHasFocus(p)) {
        NotifyAccessible(p->mainWindow, EVENT_OBJECT_FOCUS, AccChildOfStop(p->keyboard.focus));
    }
}

void ApplyKeys(Program* p, const KeyEffects& e) {
    if (e.showCues) {
        // The top-level window turns this into WM_UPDATEUISTATE for itself and the list.
        SendMessageW(p->mainWindow, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    }
    if (e.focusChanged) {
        FocusControl(p, p->keyboard.focus);
    }
    if (e.sliderMoved >= 0) {
        NotifyAccessible(p->mainWindow, EVENT_OBJECT_VALUECHANGE, ACC_FIRST_SLIDER + e.sliderMoved);
    }
    if (e.invalidate) {
        InvalidateRect(p->mainWindow, nullptr, FALSE);
    }
    EndControlChange(p, e.saveSettings, e.logThresholds, e.click);
}

}  // namespace

KeyboardContext KeyboardOf(Program* p) {
    const bool watching = p->watch.status.watchMode == WATCH_ON;
    return KeyboardContext{&p->keyboard, &p->pointerContext, !watching,
                           ButtonEnabled(&p->watch.status, p->listView.selectedIndex)};
}

void FocusControl(Program* p, FocusStop stop) {
    p->keyboard.focus = stop;
    HWND want = stop == FocusStop::List ? p->listWindow : p->mainWindow;
    if (GetFocus() != want && GetActiveWindow() == p->mainWindow) {
        SetFocus(want);  // WM_SETFOCUS of either window tells readers
    } else {
        NotifyFocus(p);
    }
    UpdateListCue(p);
    InvalidateRect(p->mainWindow, nullptr, FALSE);
}

// The window coming back gives the focus to the control that had it, the list at first.
void OnActivateFocus(Program* p, bool active) {
    KeyboardContext c = KeyboardOf(p);
    if (active) {
        FocusControl(p, FocusOnActivation(&c));
    } else {
        ApplyKeys(p, KeyboardFocusLost(&c));
    }
}

bool OnMainKey(Program* p, UINT message, WPARAM key, LPARAM) {
    KeyboardContext c = KeyboardOf(p);
    KeyEffects e = {};
    if (message == WM_KEYDOWN) {
        const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
        e = KeyDown(&c, static_cast<uint32_t>(key), shift);
    } else {
        e = KeyUp(&c, static_cast<uint32_t>(key));
    }
    ApplyKeys(p, e);
    return e.handled;
}

void FocusFromPointer(Program* p, FocusStop stop) {
    KeyboardContext c = KeyboardOf(p);
    KeyEffects e = FocusByPointer(&c, stop);
    e.focusChanged = e.focusChanged || GetFocus() != p->mainWindow;
    ApplyKeys(p, e);
}

void OnUiState(Program* p, WPARAM state) {
    if (HIWORD(state) & UISF_HIDEFOCUS) {
        if (LOWORD(state) == UIS_CLEAR) {
            p->keyboard.cuesShown = true;
        } else if (LOWORD(state) == UIS_SET) {
            p->keyboard.cuesShown = false;
        }
        UpdateListCue(p);
        InvalidateRect(p->mainWindow, nullptr, FALSE);
    }
}

void OnFocusLost(Program* p) {
    KeyboardContext c = KeyboardOf(p);
    ApplyKeys(p, KeyboardFocusLost(&c));
    UpdateListCue(p);
    InvalidateRect(p->mainWindow, nullptr, FALSE);
}

void OnFocusGained(Program* p, HWND window) {
    if (window == p->listWindow) {
        p->keyboard.focus = FocusStop::List;
    } else if (p->keyboard.focus == FocusStop::List) {
        KeyboardContext c = KeyboardOf(p);
        if (FocusStopAvailable(&c, FocusStop::List)) {
            SetFocus(p->listWindow);  // the list holds this focus stop
            return;
        }
    }
    NotifyFocus(p);
    UpdateListCue(p);
    InvalidateRect(p->mainWindow, nullptr, FALSE);
}

void OnListFocus(Program* p, bool gained) {
    if (gained) {
        OnFocusGained(p, p->listWindow);
    } else {
        UpdateListCue(p);
    }
}
