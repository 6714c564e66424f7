#include "ui/AppListView.h"

namespace {

ListEffects None() {
    return ListEffects{};
}

void Notify(ListEffects* e, int32_t code) {
    if (e->notificationCount < 2) {
        e->notifications[e->notificationCount++] = code;
    }
}

int32_t S(const AppListView* v, int32_t n) {
    return Scale(n, v->dpi);
}

}  // namespace

void ResetListView(AppListView* v, int32_t controlId) {
    v->selectedIndex = -1;
    v->hoverIndex = -1;
    v->scrollY = 0;
    v->thumbDragging = false;
    v->enabled = true;
    v->controlId = controlId;
}

int32_t ListContentHeight(const AppListView* v) {
    return v->itemCount * v->rowHeight;
}

int32_t ListMaxScroll(const AppListView* v, ListClient c) {
    int32_t max = ListContentHeight(v) - c.height;
    return max > 0 ? max : 0;
}

bool ListBandPresent(const AppListView* v, ListClient c) {
    return c.height < ListContentHeight(v);
}

void ClampListScroll(AppListView* v, ListClient c) {
    int32_t max = ListMaxScroll(v, c);
    if (v->scrollY > max) {
        v->scrollY = max;
    }
    if (v->scrollY < 0) {
        v->scrollY = 0;
    }
}

ListThumb ComputeListThumb(const AppListView* v, ListClient c) {
    int32_t content = ListContentHeight(v);
    int32_t h = c.height;
    int32_t length = content > 0 ? h * h / content : h;
    if (length < S(v, LIST_THUMB_MIN)) {
        length = S(v, LIST_THUMB_MIN);
    }
    if (length > h) {
        length = h;
    }
    int32_t max = ListMaxScroll(v, c);
    int32_t top = max > 0 ? (h - length) * v->scrollY / max : 0;
    return ListThumb{top, length};
}

int32_t ListHitTest(const AppListView* v, int32_t x, int32_t y, ListClient c) {
    if (ListBandPresent(v, c) && x >= c.width - S(v, LIST_BAND_WIDTH)) {
        return -1;
    }
    if (v->rowHeight <= 0) {
        return -1;
    }
    int32_t r = (y + v->scrollY) / v->rowHeight;
    // Division truncates toward zero: a y just above the first row must not land in row 0.
    if (y + v->scrollY < 0) {
        return -1;
    }
    return (r >= 0 && r < v->itemCount) ? r : -1;
}

void EnsureListRowVisible(AppListView* v, int32_t i, ListClient c) {
    if (i < 0 || i >= v->itemCount) {
        return;
    }
    int32_t top = i * v->rowHeight;
    if (top < v->scrollY) {
        v->scrollY = top;
    } else if (top + v->rowHeight > v->scrollY + c.height) {
        v->scrollY = top + v->rowHeight - c.height;
    }
    ClampListScroll(v, c);
}

Rect ListRowRect(const AppListView* v, int32_t i, ListClient c) {
    int32_t top = i * v->rowHeight - v->scrollY;
    int32_t right = c.width - (ListBandPresent(v, c) ? S(v, LIST_BAND_WIDTH) : 0);
    return Rect{0, top, right, top + v->rowHeight};
}

Rect ListHighlightRect(const AppListView* v, const Rect& row) {
    return Rect{row.left + S(v, LIST_HIGHLIGHT_INSET), row.top, row.right - S(v, LIST_HIGHLIGHT_INSET), row.bottom};
}

Rect ListThumbRect(const AppListView* v, ListClient c) {
    ListThumb t = ComputeListThumb(v, c);
    int32_t left = c.width - S(v, LIST_BAND_WIDTH) + (S(v, LIST_BAND_WIDTH) - S(v, LIST_THUMB_WIDTH)) / 2;
    return Rect{left, t.top + S(v, LIST_THUMB_INSET), left + S(v, LIST_THUMB_WIDTH),
                t.top + t.length - S(v, LIST_THUMB_INSET)};
}

ListEffects SelectListRow(AppListView* v, int32_t i, ListClient c) {
    ListEffects e = None();
    if (i == v->selectedIndex) {
        return e;
    }
    v->selectedIndex = i;
    EnsureListRowVisible(v, i, c);
    e.invalidate = true;
    Notify(&e, APPLIST_SELCHANGE);
    return e;
}

ListEffects MoveListSelection(AppListView* v, int32_t step, ListClient c) {
    if (v->itemCount == 0) {
        return None();
    }
    int32_t target;
    if (v->selectedIndex < 0) {
        target = step > 0 ? 0 : v->itemCount - 1;
    } else {
        target = v->selectedIndex + step;
    }
    if (target < 0) {
        target = 0;
    }
    if (target > v->itemCount - 1) {
        target = v->itemCount - 1;
    }
    return SelectListRow(v, target, c);
}

ListEffects ScrollListBy(AppListView* v, int32_t delta, ListClient c) {
    ListEffects e = None();
    int32_t before = v->scrollY;
    v->scrollY += delta;
    ClampListScroll(v, c);
    e.invalidate = v->scrollY != before;
    return e;
}

ListEffects ListKeyDown(AppListView* v, uint32_t key, ListClient c) {
    if (!v->enabled) {
        return None();
    }
    int32_t page = v->rowHeight > 0 ? c.height / v->rowHeight : 0;
    switch (key) {
    case KEY_RETURN:
    case KEY_SPACE: {
        ListEffects e = None();
        if (v->selectedIndex >= 0) {
            Notify(&e, APPLIST_ACTIVATE);
        }
        return e;
    }
    case KEY_UP: return MoveListSelection(v, -1, c);
    case KEY_DOWN: return MoveListSelection(v, 1, c);
    case KEY_PAGE_UP: return MoveListSelection(v, -page, c);
    case KEY_PAGE_DOWN: return MoveListSelection(v, page, c);
    case KEY_HOME: return v->itemCount > 0 ? SelectListRow(v, 0, c) : None();
    case KEY_END: return v->itemCount > 0 ? SelectListRow(v, v->itemCount - 1, c) : None();
    default: return None();
    }
}

ListEffects ListMouseMove(AppListView* v, int32_t x, int32_t y, ListClient c) {
    ListEffects e = None();
    if (v->thumbDragging) {
        ListThumb t = ComputeListThumb(v, c);
        if (t.length < c.height) {
            v->scrollY = (y - v->thumbGrabOffset) * ListMaxScroll(v, c) / (c.height - t.length);
            ClampListScroll(v, c);
            e.invalidate = true;
        }
        return e;
    }
    if (!v->enabled) {
        return e;
    }
    int32_t r = ListHitTest(v, x, y, c);
    if (r != v->hoverIndex) {
        v->hoverIndex = r;
        e.invalidate = true;
        e.trackLeave = true;
    }
    return e;
}

ListEffects ListMouseLeave(AppListView* v) {
    ListEffects e = None();
    if (v->hoverIndex != -1) {
        v->hoverIndex = -1;
        e.invalidate = true;
    }
    return e;
}

ListEffects ListButtonDown(AppListView* v, int32_t x, int32_t y, ListClient c) {
    if (!v->enabled) {
        return None();
    }
    if (ListBandPresent(v, c) && x >= c.width - S(v, LIST_BAND_WIDTH)) {
        // The band never changes the selection: above or below the thumb pages, on it drags.
        ListThumb t = ComputeListThumb(v, c);
        ListEffects e;
        if (y < t.top) {
            e = ScrollListBy(v, -c.height, c);
        } else if (y >= t.top + t.length) {
            e = ScrollListBy(v, c.height, c);
        } else {
            e = None();
            v->thumbDragging = true;
            v->thumbGrabOffset = y - t.top;
            e.capture = true;
        }
        e.setFocus = true;
        return e;
    }
    int32_t r = ListHitTest(v, x, y, c);
    ListEffects e = r >= 0 ? SelectListRow(v, r, c) : None();
    e.setFocus = true;
    return e;
}

ListEffects ListButtonUp(AppListView* v) {
    ListEffects e = None();
    if (v->thumbDragging) {
        v->thumbDragging = false;
        e.releaseCapture = true;
    }
    return e;
}

ListEffects ListDoubleClick(AppListView* v, int32_t x, int32_t y, ListClient c) {
    if (!v->enabled) {
        return None();
    }
    int32_t r = ListHitTest(v, x, y, c);
    if (r < 0) {
        return None();
    }
    ListEffects e = SelectListRow(v, r, c);
    Notify(&e, APPLIST_ACTIVATE);
    return e;
}

ListEffects ListWheel(AppListView* v, int32_t wheelDelta, ListClient c) {
    if (!v->enabled) {
        return None();
    }
    if ((wheelDelta > 0 && v->wheelRemainder < 0) || (wheelDelta < 0 && v->wheelRemainder > 0)) {
        v->wheelRemainder = 0;  // a turn the other way starts afresh
    }
    int32_t sum = v->wheelRemainder + wheelDelta;
    int32_t notches = sum / WHEEL_NOTCH;  // truncates toward zero: the rest waits for more
    v->wheelRemainder = sum - notches * WHEEL_NOTCH;
    if (notches == 0) {
        return None();
    }
    return ScrollListBy(v, -notches * v->rowHeight * WHEEL_ROWS_PER_NOTCH, c);
}

ListEffects ListCaptureLost(AppListView* v) {
    ListEffects e = None();
    if (v->thumbDragging) {
        v->thumbDragging = false;
        e.invalidate = true;
    }
    return e;
}

ListEffects ListResized(AppListView* v, ListClient c) {
    ClampListScroll(v, c);
    ListEffects e = None();
    e.invalidate = true;
    return e;
}

void SetListCount(AppListView* v, int32_t count, ListClient c) {
    v->itemCount = count;
    if (v->selectedIndex >= count) {
        v->selectedIndex = count - 1;
    }
    v->hoverIndex = -1;
    ClampListScroll(v, c);
}

void SetListEnabled(AppListView* v, bool enable) {
    v->enabled = enable;
    if (!enable) {
        v->hoverIndex = -1;
    }
}
