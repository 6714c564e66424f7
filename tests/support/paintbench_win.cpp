// How long one full paint of Pellacord's main window and of its app list (8 rows) takes, at 96
// and 144 dpi: the real painters in real windows, each repainted a few hundred times with
// RedrawWindow(RDW_UPDATENOW), which paints before it returns. The window shows a watch with
// live numbers, the busiest picture it draws.
//
//   paintbench [REPAINTS]     prints "paint DPI main MS list MS" per dpi
#include "ui/AppListView_win.h"
#include "ui/AppRow_win.h"
#include "ui/MainPaint_win.h"
#include "base/Text.h"

#include <cstdio>
#include <cwchar>
#include <memory>

namespace {

struct Scene {
    WatchStatus status;
    ActivityEvaluator evaluator;
    LimitTable limits;
    Palette palette;
    MainLayout layout;
    PointerState pointer;
    DrawKit kit;
    AppList apps;
    AppListView view;
    AppRowContext rowContext;
};

Scene* g_scene;

LRESULT CALLBACK MainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_PAINT && g_scene) {
        Scene* s = g_scene;
        MainPaintInputs in = {MainTextInputs{&s->status, &s->evaluator, &s->limits, 1, s->apps.count},
                              &s->palette, &s->layout, &s->pointer, &s->kit, s->view.selectedIndex, 1, -1};
        PaintMainWindow(w, &in);
        return 0;
    }
    if (m == WM_ERASEBKGND) {
        return 1;
    }
    return DefWindowProcW(w, m, wp, lp);
}

void Fill(Scene* s, int32_t dpi) {
    s->status = MakeWatchStatus();
    s->status.watchMode = WATCH_ON;
    s->status.sampling = 1;
    s->status.currentState = STATE_GRACE;
    CopyWide(s->status.watchedApp.title, u"Render \u00B7 final pass", APP_TITLE_CAPACITY);
    s->status.watchedApp.pid = 4242;
    SetDefaultLimits(&s->limits);
    ResetEvaluator(&s->evaluator, &s->limits);
    for (int32_t i = 0; i < METRIC_COUNT; i++) {
        s->evaluator.meters[i].recentCount = 5;
        s->evaluator.meters[i].average = 1234 * static_cast<uint32_t>(i + 1);
        s->evaluator.meters[i].raised = i == 0;
    }
    s->evaluator.quietMs = 42000;
    s->evaluator.workingSet = 700u << 20;
    s->evaluator.connections = 3;
    FillPalette(&s->palette, 0);
    s->kit.dpi = dpi;
    s->layout = ComputeLayout(4000, 0, dpi);  // room for all 8 rows
    InitPointerState(&s->pointer, &s->limits, &s->layout);
    s->apps.count = 12;
    for (int32_t i = 0; i < s->apps.count; i++) {
        AppEntry& e = s->apps.entries[i];
        e.pid = 1000 + static_cast<uint32_t>(i) * 4;
        CopyWide(e.title, u"A window with a fairly long title, as build tools have", APP_TITLE_CAPACITY);
        CopyWide(e.imageName, u"application.exe", APP_IMAGE_CAPACITY);
    }
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double TimeRepaints(HWND window, int repaints) {
    for (int i = 0; i < 20; i++) {  // fonts made, caches warm
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < repaints; i++) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    QueryPerformanceCounter(&end);
    return Milliseconds(start, end, frequency) / repaints;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int repaints = argc > 1 ? _wtoi(argv[1]) : 300;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"PaintBenchMain";
    RegisterClassW(&wc);
    RegisterAppListClass(instance);
    auto scene = std::make_unique<Scene>();
    for (int32_t dpi : {96, 144}) {
        Scene* s = scene.get();
        Fill(s, dpi);
        g_scene = s;
        RECT frame = {0, 0, Scale(CLIENT_WIDTH, dpi), s->layout.clientHeight};
        AdjustWindowRect(&frame, MAIN_WINDOW_STYLE, FALSE);
        HWND main = CreateWindowExW(0, L"PaintBenchMain", L"Paint bench", MAIN_WINDOW_STYLE | WS_VISIBLE, 0, 0,
                                    frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                                    nullptr);
        s->view = AppListView{};
        s->view.palette = &s->palette;
        s->view.drawItem = DrawAppRow;
        s->rowContext = AppRowContext{&s->apps, &s->view, &s->kit};
        s->view.drawItemContext = &s->rowContext;
        s->view.rowHeight = Scale(LIST_ROW_HEIGHT, dpi);
        s->view.dpi = dpi;
        HWND list = CreateAppListView(main, 100, &s->view);
        Rect r = ListWindowRect(&s->layout);
        MoveWindow(list, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
        SetAppListCount(list, s->apps.count);
        s->view.selectedIndex = 2;
        s->view.hoverIndex = 4;
        double mainMs = TimeRepaints(main, repaints);
        double listMs = TimeRepaints(list, repaints);
        printf("paint %d main %.3f list %.3f rows %d\n", dpi, mainMs, listMs, s->layout.listHeight / s->view.rowHeight);
        fflush(stdout);
        DestroyWindow(main);
        ReleaseFonts(&s->kit);
        g_scene = nullptr;
    }
    return 0;
}
