#pragma once
#include "engine/Limits.h"
#include "engine/WatchStatus.h"
#include "ui/HitTarget.h"
#include "ui/Layout.h"
#include "ui/Sliders.h"

#include <cstdint>

// The pointer over the whole main window: dragging sliders, and hovering and pressing the
// button, the check box and "Refresh". Handlers return what the window must do, so the
// behaviour is testable without a window.

struct PointerState {
    SliderRow sliders[LIMIT_ROW_COUNT];
    int32_t draggedSlider;   // -1: none
    HitTarget hoverTarget;
    HitTarget pressedTarget;
};

// Everything the pointer handlers read or change besides their own state.
struct PointerContext {
    PointerState* pointer;
    const MainLayout* layout;
    LimitTable* limits;  // in force: the evaluator reads them, so a move counts from the next tick
    const WatchStatus* status;
};

struct PointerEffects {
    bool invalidate;
    bool capture;
    bool releaseCapture;
    bool trackLeave;
    bool saveSettings;
    bool logThresholds;
    HitTarget click;  // TARGET_NONE: no click
};

// Positions from the limits' values, hover and drag cleared; tracks from the layout.
void InitPointerState(PointerState* p, const LimitTable* limits, const MainLayout* layout);
void ApplySliderPosition(PointerContext* c, int32_t i);
// The thumbs follow limits that changed other than by the pointer; a drag goes on.
void SyncSliderPositions(PointerState* p, const LimitTable* limits);

PointerEffects UpdateHover(PointerContext* c, int32_t x, int32_t y);
PointerEffects PointerDown(PointerContext* c, int32_t x, int32_t y);
PointerEffects PointerUp(PointerContext* c, int32_t x, int32_t y);
PointerEffects PointerLeave(PointerContext* c);
// The mouse capture went elsewhere in the middle of a drag or a press: a slider drag ends as a
// release would end it (saved, and logged while watching); a press ends without a click.
PointerEffects PointerCaptureLost(PointerContext* c);
