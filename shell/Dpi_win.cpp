#include "shell/Dpi_win.h"

#include "shell/Scoped_win.h"
#include "shell/SystemLibrary_win.h"
#include "ui/DrawKit.h"

namespace {

constexpr int MDT_EFFECTIVE_DPI = 0;

template <typename Fn>
Fn User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");  // loaded with the program: imported
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

}  // namespace

int32_t MonitorDpiAt(POINT point, int32_t fallback) {
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    UniqueModule shcore(LoadSystemLibrary(L"shcore.dll"));
    auto get = shcore.Function<GetDpiForMonitorFn>("GetDpiForMonitor");
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

int32_t SystemMetricAt(int32_t index, int32_t dpi) {
    using MetricForDpiFn = int(WINAPI*)(int, UINT);
    const auto metric = User32Function<MetricForDpiFn>("GetSystemMetricsForDpi");
    return metric ? metric(index, static_cast<UINT>(dpi)) : GetSystemMetrics(index);  // one DPI for all
}
