#pragma once
#include "ui/Palette.h"

#include <cstdint>

// The theme Windows asks applications for, as its registry value says.

// Only a REG_DWORD of exactly 0 asks for dark applications; anything else, or nothing, is light.
constexpr uint32_t REGISTRY_DWORD = 4;
int32_t ThemeValueMeansDark(bool queried, uint32_t type, uint32_t data);
