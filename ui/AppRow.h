#pragma once
#include "shell/Apps.h"

#include <cstdint>

constexpr int32_t APP_DETAIL_CAPACITY = 96;

// The row's title: the window title, or the image name when the title is empty.
const char16_t* AppRowTitle(const AppEntry* entry);
// "name  ·  PID n", with "?" for an empty image name.
void FormatAppDetail(char16_t* out, const AppEntry* entry);
