#pragma once
#include <cstdint>

// The power source, the battery, the display and the lid while a watch runs, as Windows'
// power-setting notifications tell them. Each change is logged once, as it happens; the first
// value of each, which Windows sends on registration, is the state at the start and is not.

enum class PowerSetting : int32_t { Source = 0, Battery, Display, Lid };
constexpr int32_t POWER_SETTING_COUNT = 4;

// The notifications' values: the source as SYSTEM_POWER_CONDITION (0 mains, 1 battery, 2 a
// short-term source such as a UPS), the battery in percent, the display as
// MONITOR_DISPLAY_STATE (0 off, 1 on, 2 dimmed), the lid as 0 closed and 1 open.
constexpr uint32_t SOURCE_AC = 0;
constexpr uint32_t SOURCE_DC = 1;
constexpr uint32_t SOURCE_SHORT_TERM = 2;
constexpr uint32_t DISPLAY_OFF = 0;
constexpr uint32_t LID_CLOSED = 0;

struct PowerConditions {
    bool known[POWER_SETTING_COUNT];
    uint32_t value[POWER_SETTING_COUNT];  // the source as 1 on battery, 0 on mains; the display as 0 off, 1 on
};

// Puts the state as read at the start in place, silently: `source` POWER_SOURCE_* of
// PowerLimits.h, `batteryPercent` 0 to 100 or 255 when unknown.
void StartPowerConditions(PowerConditions* c, uint8_t source, uint8_t batteryPercent);

// Takes a notification. Returns the line to log for a change ("power: on battery", "display:
// off", "lid: closed" ...), or null for a first value, a repeat, or the battery's percentage.
const char* NotePowerSetting(PowerConditions* c, PowerSetting setting, uint32_t value);

bool OnBattery(const PowerConditions* c);
// False when the percentage is not known.
bool BatteryPercent(const PowerConditions* c, uint32_t* percent);
bool LidClosed(const PowerConditions* c);
