// The main window's controls as the pointer and the keys meet them: a press of the button, the
// check box or Refresh, and the end of a change to a slider, whichever made it.
#include "shell/Program_win.h"

#include "ui/Accessible_win.h"

void ClickTarget(Program* p, HitTarget target) {
    HandleClick(&p->controller, target);
    if (target == TARGET_CHECKBOX) {
        NotifyAccessible(p->mainWindow, EVENT_OBJECT_STATECHANGE, ACC_CHECKBOX);
    }
    NotifyShownChanges(p);
}

void EndControlChange(Program* p, bool saveSettings, bool logThresholds, HitTarget click) {
    if (saveSettings) {
        SaveUserSettings(&p->controller);
    }
    if (logThresholds) {
        LogThresholds(&p->controller);
    }
    if (click != TARGET_NONE) {
        ClickTarget(p, click);
    }
}

void ApplyPointer(Program* p, const PointerEffects& e) {
    if (e.capture) {
        SetCapture(p->mainWindow);
    }
    if (e.releaseCapture) {
        ReleaseCapture();
    }
    if (e.invalidate) {
        InvalidateRect(p->mainWindow, nullptr, FALSE);
    }
    if (e.trackLeave) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, p->mainWindow, 0};
        TrackMouseEvent(&track);
    }
    EndControlChange(p, e.saveSettings, e.logThresholds, e.click);
}
