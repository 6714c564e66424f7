#pragma once
#include "ui/Palette.h"
#include "ui/DrawKit.h"
#include "ui/Keys.h"

#include <cstdint>

// The app list control's state and its arithmetic: rows of a fixed height, a selection, a
// hover row, a scroll offset and a thin scroll thumb. Every input handler returns the effects
// the window must carry out, so the behaviour is testable without a window.

constexpr int32_t APPLIST_SELCHANGE = 1;
constexpr int32_t APPLIST_ACTIVATE = 2;
constexpr int32_t APPLIST_SETFOCUS = 3;   // the list took the keyboard focus
constexpr int32_t APPLIST_KILLFOCUS = 4;
constexpr int32_t LIST_BAND_WIDTH = 10;
constexpr int32_t LIST_THUMB_WIDTH = 4;
constexpr int32_t LIST_THUMB_MIN = 24;
constexpr int32_t LIST_THUMB_INSET = 2;
constexpr int32_t LIST_HIGHLIGHT_INSET = 3;
constexpr int32_t LIST_HIGHLIGHT_RADIUS = 5;
constexpr int32_t WHEEL_NOTCH = 120;
constexpr int32_t WHEEL_ROWS_PER_NOTCH = 3;

// Draws the content of one row, after its highlight. dc is the platform's device context.
using ListDrawItemFn = void (*)(void* dc, uint32_t index, const Rect* row, int32_t selected, int32_t hot,
                                void* context);

struct AppListView {
    const Palette* palette;
    ListDrawItemFn drawItem;
    void* drawItemContext;
    int32_t itemCount;
    int32_t rowHeight;        // pixels, above 0
    int32_t selectedIndex;    // -1: none
    int32_t hoverIndex;       // -1: none
    int32_t scrollY;          // row i covers [i * rowHeight - scrollY, (i + 1) * rowHeight - scrollY)
    bool enabled;
    bool thumbDragging;
    int32_t thumbGrabOffset;
    int32_t controlId;
    int32_t dpi;              // set by the owner with the row height
    int32_t wheelRemainder;   // wheel units short of a notch, kept for the next message
    bool focusCue;            // set by the owner: the selected row is outlined (keyboard focus shown)
    void* accessible;         // the owner's accessible object for the list, or null
};

struct ListClient {
    int32_t width, height;
};

// What the window does after an input: repaint, tell the parent, take the focus or capture.
struct ListEffects {
    bool invalidate;
    int32_t notifications[2];
    int32_t notificationCount;
    bool setFocus;
    bool capture;
    bool releaseCapture;
    bool trackLeave;
};

struct ListThumb {
    int32_t top, length;
};

void ResetListView(AppListView* view, int32_t controlId);

int32_t ListContentHeight(const AppListView* view);
int32_t ListMaxScroll(const AppListView* view, ListClient client);
bool ListBandPresent(const AppListView* view, ListClient client);
void ClampListScroll(AppListView* view, ListClient client);
ListThumb ComputeListThumb(const AppListView* view, ListClient client);
int32_t ListHitTest(const AppListView* view, int32_t x, int32_t y, ListClient client);
void EnsureListRowVisible(AppListView* view, int32_t index, ListClient client);

// The row at index i, the rounded highlight inside it, and the thumb, in client pixels.
Rect ListRowRect(const AppListView* view, int32_t index, ListClient client);
Rect ListHighlightRect(const AppListView* view, const Rect& row);
Rect ListThumbRect(const AppListView* view, ListClient client);

ListEffects SelectListRow(AppListView* view, int32_t index, ListClient client);
ListEffects MoveListSelection(AppListView* view, int32_t step, ListClient client);
ListEffects ScrollListBy(AppListView* view, int32_t delta, ListClient client);

ListEffects ListKeyDown(AppListView* view, uint32_t key, ListClient client);
ListEffects ListMouseMove(AppListView* view, int32_t x, int32_t y, ListClient client);
ListEffects ListMouseLeave(AppListView* view);
ListEffects ListButtonDown(AppListView* view, int32_t x, int32_t y, ListClient client);
ListEffects ListButtonUp(AppListView* view);
ListEffects ListDoubleClick(AppListView* view, int32_t x, int32_t y, ListClient client);
// Touchpads send deltas smaller than a notch: they add up, and every whole notch scrolls.
ListEffects ListWheel(AppListView* view, int32_t wheelDelta, ListClient client);
// The mouse capture went elsewhere (another window took it, or the system cancelled a mode):
// a thumb drag stops where it is.
ListEffects ListCaptureLost(AppListView* view);
ListEffects ListResized(AppListView* view, ListClient client);

// The owner's operations: a new row count (the selection is cut to fit, hover cleared), and
// enabling or disabling input. Neither notifies.
void SetListCount(AppListView* view, int32_t count, ListClient client);
void SetListEnabled(AppListView* view, bool enable);
