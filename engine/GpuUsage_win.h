#pragma once
#include "engine/GpuUsage.h"

// The GPU statistics of Windows: gdi32's D3DKMT functions, looked up at run time, and the
// build number from ntdll. Without the functions the source is left unsupported.
void LoadGpuSource(GpuSource* source);
// The platform alone, for tests that drive it directly.
GpuPlatform WindowsGpuPlatform();
