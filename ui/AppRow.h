#pragma once
#include "ui/AppList.h"

#include <cstdint>

constexpr int32_t APP_DETAIL_CAPACITY = 96;

// "name  ·  PID n", with "?" for an empty image name.
void FormatAppDetail(char16_t* out, const AppEntry* entry);
