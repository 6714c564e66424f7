#pragma once
#include <windows.h>

#include <cstdint>

// A 32-bit icon with a real alpha channel from RasterizeAppIcon; null on failure. The caller
// destroys it with DestroyIcon.
HICON MakeAppIcon(uint32_t color, int32_t size, int32_t shape);
