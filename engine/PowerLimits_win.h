#pragma once
#include "engine/PowerLimits.h"

#include <cstdint>

// POWER_LIMIT_* flags of this PC: modern standby from the power capabilities, and the sleep
// policy for the current power source from the registry.
uint32_t ReadPowerLimits();

// The policy's registry values as they are now.
SleepPolicyValues ReadSleepPolicy();
