#include "shell/Dpi_win.h"

#include "base/Owner_win.h"
#include "base/SystemLibrary_win.h"
#include "ui/DrawKit.h"

namespace {

constexpr int MDT_EFFECTIVE_DPI = 0;

// user32 is imported, so it is loaded already; its newer exports are looked up.
template <typename Fn>
Fn User32Function(const char* name) {
    return LibraryFunction<Fn>(GetModuleHandleW(L"user32.dll"), name);
}

}  // namespace

int32_t MonitorDpiAt(POINT point, int32_t fallback) {
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    UniqueModule shcore(LoadSystemLibrary(L"shcore.dll"));
    auto get = ModuleFunction<GetDpiForMonitorFn>(shcore, "GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (!get || get(MonitorFromPoint(point, MONITOR_DEFAULTTOPRIMARY), MDT_EFFECTIVE_DPI, &x, &y) != S_OK) {
        return fallback;
    }
    return AcceptDpi(static_cast<int32_t>(x));
}

RECT FrameForClient(RECT client, DWORD style, int32_t dpi) {
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    const auto adjust = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    RECT frame = client;
    if (!adjust || !adjust(&frame, style, FALSE, 0, static_cast<UINT>(dpi))) {
        frame = client;
        AdjustWindowRect(&frame, style, FALSE);
    }
    return frame;
}

RECT WorkAreaOf(HMONITOR monitor) {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (monitor && GetMonitorInfoW(monitor, &info)) {
        return info.rcWork;
    }
    RECT work;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        work = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return work;
}

int32_t SystemMetricAt(int32_t index, int32_t dpi) {
    using MetricForDpiFn = int(WINAPI*)(int, UINT);
    const auto metric = User32Function<MetricForDpiFn>("GetSystemMetricsForDpi");
    return metric ? metric(index, static_cast<UINT>(dpi)) : GetSystemMetrics(index);  // one DPI for all
}
