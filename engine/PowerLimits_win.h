#pragma once
#include "engine/PowerLimits.h"

#include <cstdint>

// This PC's power management as it is now: modern standby and hibernation from the power
// capabilities, the power source and battery, the active scheme's "Allow applications to
// prevent automatic sleep" (the group policy in its place where one is set) and lid action, and
// `powercfg /requestsoverride` for the image `imageName` ("Pellacord.exe"). powrprof is loaded
// for the call; what cannot be read is left out.
PowerFacts ReadPowerFacts(const wchar_t* imageName);

// The group policy's registry values as they are now.
AcDcValues ReadSleepPolicy();
