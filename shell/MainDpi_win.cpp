// The window at a new scale: moved to a monitor of another DPI.
#include "shell/Program_win.h"

#include "shell/Dpi_win.h"
#include "shell/IconPainter.h"
#include "shell/IconPainter_win.h"

namespace {

void ReplaceIcon(HWND window, UniqueIcon* held, WPARAM which, int32_t size) {
    UniqueIcon icon(MakeAppIcon(APP_ICON_COLOR, size, ICON_SHAPE_EYE));
    if (!icon) {
        return;  // the old one stays
    }
    SendMessageW(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon.get()));
    *held = static_cast<UniqueIcon&&>(icon);  // the old one goes once the window holds the new
}

}  // namespace

void SetWindowIcons(Program* p, int32_t dpi) {
    ReplaceIcon(p->mainWindow, &p->smallIcon, ICON_SMALL, SystemMetricAt(SM_CXSMICON, dpi));
    ReplaceIcon(p->mainWindow, &p->largeIcon, ICON_BIG, SystemMetricAt(SM_CXICON, dpi));
}

MainLayout LayoutFor(HMONITOR monitor, int32_t dpi) {
    RECT work = WorkAreaOf(monitor);
    RECT client = {0, 0, 100, 100};
    RECT frame = FrameForClient(client, MAIN_WINDOW_STYLE, dpi);
    return ComputeLayout(work.bottom - work.top, (frame.bottom - frame.top) - 100, dpi);
}

void ApplyDpi(Program* p, int32_t dpi, const RECT* suggested) {
    HMONITOR monitor = MonitorFromRect(suggested, MONITOR_DEFAULTTONEAREST);
    p->kit.dpi = dpi;
    ReleaseFonts(&p->kit);  // made again at this DPI by the next paint
    p->layout = LayoutFor(monitor, dpi);
    for (int32_t i = 0; i < LIMIT_ROW_COUNT; i++) {
        p->pointer.sliders[i].track = LimitTrackRect(&p->layout, i);  // the positions stay
    }
    p->listView.rowHeight = Scale(LIST_ROW_HEIGHT, dpi);
    p->listView.dpi = dpi;
    Rect list = ListWindowRect(&p->layout);
    MoveWindow(p->listWindow, list.left, list.top, list.right - list.left, list.bottom - list.top, FALSE);
    SetWindowIcons(p, dpi);

    // The suggested rectangle's corner, the layout's exact client size.
    RECT client = {0, 0, Scale(CLIENT_WIDTH, dpi), p->layout.clientHeight};
    RECT frame = FrameForClient(client, MAIN_WINDOW_STYLE, dpi);
    const int32_t width = frame.right - frame.left;
    const int32_t height = frame.bottom - frame.top;
    SetWindowPos(p->mainWindow, nullptr, suggested->left, suggested->top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // A frame drawn at another DPI than the one asked for (older systems, or no scaling of the
    // frame) leaves a client of another size: the window grows or shrinks by the difference.
    RECT got;
    GetClientRect(p->mainWindow, &got);
    const int32_t dw = client.right - (got.right - got.left);
    const int32_t dh = client.bottom - (got.bottom - got.top);
    if (dw != 0 || dh != 0) {
        SetWindowPos(p->mainWindow, nullptr, 0, 0, width + dw, height + dh, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
    InvalidateRect(p->mainWindow, nullptr, FALSE);
    InvalidateRect(p->listWindow, nullptr, FALSE);
}
