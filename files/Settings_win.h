#pragma once
#include "engine/Limits.h"

// Pellacord.ini beside the executable. Failures are silent: the values in memory stay.
void LoadSettings(LimitTable* table, int32_t* keepDisplayOn, const wchar_t* exePath);
void SaveSettings(const LimitTable* table, int32_t keepDisplayOn, const wchar_t* exePath);
