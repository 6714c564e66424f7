#pragma once
#include <windows.h>

#include <cstdint>

// Per-monitor DPI where Windows has it: the monitor's DPI from Windows 8.1, a window's and the
// frame metrics at a DPI from Windows 10. The calls are looked up at run time, so the program
// still starts on Windows 7, where every monitor has the system's DPI.

// The DPI of the monitor that holds the point, or `fallback`.
int32_t MonitorDpiAt(POINT point, int32_t fallback);
// The rectangle of a window whose client area is `client`, with the frame at `dpi`.
RECT FrameForClient(RECT client, DWORD style, int32_t dpi);
// GetSystemMetrics at a DPI.
int32_t SystemMetricAt(int32_t index, int32_t dpi);
// The work area of a monitor; of the primary one for null.
RECT WorkAreaOf(HMONITOR monitor);
