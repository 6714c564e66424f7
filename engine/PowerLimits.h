#pragma once
#include <cstdint>

// What the platform may do regardless of the power request: a PC with modern standby may
// still sleep when its screen turns off, and a group policy can forbid programs to keep the
// PC awake. The watch tells the user about either at its start.

constexpr uint32_t POWER_LIMIT_MODERN_STANDBY = 1;
constexpr uint32_t POWER_LIMIT_POLICY = 2;

// GetSystemPowerStatus's ACLineStatus.
constexpr uint8_t POWER_SOURCE_BATTERY = 0;
constexpr uint8_t POWER_SOURCE_MAINS = 1;
constexpr uint8_t POWER_SOURCE_UNKNOWN = 255;

// The policy "Allow applications to prevent automatic sleep", for mains and for battery.
struct SleepPolicyValues {
    bool haveAc;
    uint32_t ac;
    bool haveDc;
    uint32_t dc;
};

// True when the policy for the current power source is set and off. An unknown source is
// taken as mains, which is what desktop PCs report.
bool PolicyForbidsRequests(uint8_t acLineStatus, const SleepPolicyValues* values);
