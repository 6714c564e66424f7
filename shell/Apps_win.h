#pragma once
#include "shell/Apps.h"

// Fills entries from the desktop's top-level windows; returns the count. imageNames is the
// program's scratch table of MAX_IMAGE_NAMES entries.
int32_t EnumerateOpenApps(AppEntry* entries, int32_t capacity, ImageNameEntry* imageNames);
int32_t SnapshotImageNames(ImageNameEntry* table, int32_t capacity);
