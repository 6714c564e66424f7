#include "ui/AppListView_win.h"

#include "ui/Accessible_win.h"
#include "ui/DrawKit_win.h"

#include <windowsx.h>

// The keys the list answers are Windows' virtual-key codes.
static_assert(KEY_TAB == VK_TAB && KEY_RETURN == VK_RETURN && KEY_SPACE == VK_SPACE, "virtual keys");
static_assert(KEY_PAGE_UP == VK_PRIOR && KEY_PAGE_DOWN == VK_NEXT, "virtual keys");
static_assert(KEY_HOME == VK_HOME && KEY_END == VK_END, "virtual keys");
static_assert(KEY_LEFT == VK_LEFT && KEY_UP == VK_UP && KEY_RIGHT == VK_RIGHT && KEY_DOWN == VK_DOWN, "virtual keys");
static_assert(WHEEL_NOTCH == WHEEL_DELTA, "wheel notch");

namespace {

ListClient ClientOf(HWND list) {
    RECT r;
    GetClientRect(list, &r);
    return ListClient{r.right - r.left, r.bottom - r.top};
}

void Notify(HWND list, const AppListView* v, int32_t code) {
    HWND parent = GetParent(list);
    if (parent) {
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(v->controlId, code), reinterpret_cast<LPARAM>(list));
    }
}

void Apply(HWND list, AppListView* v, const ListEffects& e) {
    if (e.setFocus) {
        SetFocus(list);
    }
    if (e.capture) {
        SetCapture(list);
    }
    if (e.releaseCapture) {
        ReleaseCapture();
    }
    if (e.trackLeave) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, list, 0};
        TrackMouseEvent(&track);
    }
    if (e.invalidate) {
        InvalidateRect(list, nullptr, FALSE);
    }
    for (int32_t i = 0; i < e.notificationCount; i++) {
        if (e.notifications[i] == APPLIST_SELCHANGE && v->selectedIndex >= 0) {
            NotifyAccessible(list, EVENT_OBJECT_SELECTION, v->selectedIndex + 1);
            if (GetFocus() == list) {
                NotifyAccessible(list, EVENT_OBJECT_FOCUS, v->selectedIndex + 1);
            }
        }
        Notify(list, v, e.notifications[i]);
    }
}

// Keys the list does not answer go to the main window: Tab moves on from the list. Any key
// shows the focus cues from then on, as in a dialog.
void OnKeyDown(HWND list, AppListView* v, WPARAM key, LPARAM flags) {
    HWND parent = GetParent(list);
    if (key == KEY_TAB) {
        if (parent) {
            SendMessageW(parent, WM_KEYDOWN, key, flags);
        }
        return;
    }
    if (parent) {
        SendMessageW(parent, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    }
    Apply(list, v, ListKeyDown(v, static_cast<uint32_t>(key), ClientOf(list)));
}

void PaintAppList(HWND list, AppListView* v) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(list, &ps);
    ListClient c = ClientOf(list);
    {
        DoubleBuffer buffer(dc, c.width, c.height);
        HDC m = buffer.dc();
        const Palette* p = v->palette;
        FillRectColor(m, Rect{0, 0, c.width, c.height}, p->listBackground);
        if (v->rowHeight > 0 && v->itemCount > 0) {
            int32_t first = v->scrollY / v->rowHeight;
            int32_t last = (v->scrollY + c.height) / v->rowHeight;
            if (last > v->itemCount - 1) {
                last = v->itemCount - 1;
            }
            int32_t radius = Scale(LIST_HIGHLIGHT_RADIUS, v->dpi);
            for (int32_t i = first; i <= last; i++) {
                int32_t selected = i == v->selectedIndex;
                int32_t hot = i == v->hoverIndex && v->enabled;
                Rect row = ListRowRect(v, i, c);
                if (selected || hot) {
                    FillRoundRect(m, ListHighlightRect(v, row), radius, selected ? p->rowSelected : p->rowHover);
                }
                if (v->drawItem) {
                    v->drawItem(m, static_cast<uint32_t>(i), &row, selected, hot, v->drawItemContext);
                }
                if (selected && v->focusCue) {
                    StrokeRoundRect(m, ListHighlightRect(v, row), radius, p->accent);
                }
            }
        }
        if (v->focusCue && (v->selectedIndex < 0 || v->itemCount == 0)) {
            StrokeRoundRect(m, Rect{0, 0, c.width, c.height}, Scale(LIST_HIGHLIGHT_RADIUS, v->dpi), p->accent);
        }
        if (ListBandPresent(v, c)) {
            Rect thumb = ListThumbRect(v, c);
            if (thumb.bottom > thumb.top) {
                FillRoundRect(m, thumb, Scale(LIST_THUMB_WIDTH, v->dpi) / 2, p->scrollThumb);
            }
        }
    }
    EndPaint(list, &ps);
}

LRESULT CALLBACK AppListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    AppListView* v = AppListViewOf(list);
    if (!v) {
        return DefWindowProcW(list, message, wParam, lParam);
    }
    const int32_t x = GET_X_LPARAM(lParam);
    const int32_t y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_SIZE: Apply(list, v, ListResized(v, ClientOf(list))); return 0;
    case WM_PAINT: PaintAppList(list, v); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN: OnKeyDown(list, v, wParam, lParam); return 0;
    case WM_SETFOCUS: Notify(list, v, APPLIST_SETFOCUS); return 0;
    case WM_KILLFOCUS: Notify(list, v, APPLIST_KILLFOCUS); return 0;
    case WM_GETOBJECT: {
        LRESULT answer = 0;
        if (AnswerGetObject(static_cast<AccessibleObject*>(v->accessible), wParam, lParam, &answer)) {
            return answer;
        }
        return DefWindowProcW(list, message, wParam, lParam);
    }
    case WM_MOUSEMOVE: Apply(list, v, ListMouseMove(v, x, y, ClientOf(list))); return 0;
    case WM_MOUSELEAVE: Apply(list, v, ListMouseLeave(v)); return 0;
    case WM_LBUTTONDOWN: Apply(list, v, ListButtonDown(v, x, y, ClientOf(list))); return 0;
    case WM_LBUTTONUP: Apply(list, v, ListButtonUp(v)); return 0;
    case WM_LBUTTONDBLCLK: Apply(list, v, ListDoubleClick(v, x, y, ClientOf(list))); return 0;
    case WM_MOUSEWHEEL: Apply(list, v, ListWheel(v, GET_WHEEL_DELTA_WPARAM(wParam), ClientOf(list))); return 0;
    case WM_CAPTURECHANGED: Apply(list, v, ListCaptureLost(v)); return 0;
    case WM_CANCELMODE:
        Apply(list, v, ListCaptureLost(v));
        return DefWindowProcW(list, message, wParam, lParam);  // lets the capture go
    default: return DefWindowProcW(list, message, wParam, lParam);
    }
}

}  // namespace

AppListView* AppListViewOf(HWND list) {
    return reinterpret_cast<AppListView*>(GetWindowLongPtrW(list, GWLP_USERDATA));
}

ATOM RegisterAppListClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = AppListProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = APP_LIST_CLASS;
    return RegisterClassExW(&wc);
}

HWND CreateAppListView(HWND parent, int32_t controlId, AppListView* view) {
    ResetListView(view, controlId);
    HWND list = CreateWindowExW(0, APP_LIST_CLASS, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 10, 10, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), nullptr, nullptr);
    if (list) {
        SetWindowLongPtrW(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    }
    return list;
}

void SelectAppListRow(HWND list, int32_t row) {
    AppListView* v = AppListViewOf(list);
    if (v && v->enabled && row >= 0 && row < v->itemCount) {
        Apply(list, v, SelectListRow(v, row, ClientOf(list)));
    }
}

void SetAppListCount(HWND list, int32_t count) {
    AppListView* v = AppListViewOf(list);
    if (!v) {
        return;
    }
    SetListCount(v, count, ClientOf(list));
    InvalidateRect(list, nullptr, FALSE);
}

void EnableAppList(HWND list, bool enable) {
    AppListView* v = AppListViewOf(list);
    if (!v) {
        return;
    }
    SetListEnabled(v, enable);
    InvalidateRect(list, nullptr, FALSE);
}
