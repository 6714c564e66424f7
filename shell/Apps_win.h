#pragma once
#include "shell/Apps.h"

// Fills entries from the desktop's top-level windows; returns the count. imageNames is the
// program's scratch table of MAX_IMAGE_NAMES entries.
int32_t EnumerateOpenApps(AppEntry* entries, int32_t capacity, ImageNameEntry* imageNames);
int32_t SnapshotImageNames(ImageNameEntry* table, int32_t capacity);
// The process of the app in front, as ForegroundAppProcess finds it; 0 for none to watch.
uint32_t ForegroundAppWin();
