#pragma once
#include "engine/PowerConditions.h"

#include <windows.h>

#include <cstdint>

// Windows' power-setting notifications for a watch: the power source, the battery's
// percentage, the display's state and the lid, sent to the main window as WM_POWERBROADCAST
// with PBT_POWERSETTINGCHANGE.

struct PowerNotices {
    HPOWERNOTIFY handles[POWER_SETTING_COUNT];
};

// Registers the window for the four settings, or unregisters what was registered.
void FollowPowerSettings(PowerNotices* notices, HWND window, bool follow);
// The setting and its value in a notification; false for one of another setting.
bool ReadPowerSetting(const POWERBROADCAST_SETTING* data, PowerSetting* setting, uint32_t* value);
