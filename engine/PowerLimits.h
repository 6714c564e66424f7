#pragma once
#include <cstdint>

// What the platform may do whatever the power request says, and what it can do when the work is
// finished: read when a watch starts, when the power source changes and before a finished
// action. Pellacord reads these and tells the user; it never changes the power plan.

// GetSystemPowerStatus's ACLineStatus.
constexpr uint8_t POWER_SOURCE_BATTERY = 0;
constexpr uint8_t POWER_SOURCE_MAINS = 1;
constexpr uint8_t POWER_SOURCE_UNKNOWN = 255;
constexpr uint8_t BATTERY_PERCENT_UNKNOWN = 255;

// A setting of the active power scheme, for mains and for battery, where it could be read.
struct AcDcValues {
    bool haveAc;
    uint32_t ac;
    bool haveDc;
    uint32_t dc;
};

// `powercfg /requestsoverride` for Pellacord's image: the kinds of its requests Windows ignores.
constexpr uint32_t OVERRIDE_DISPLAY = 1;
constexpr uint32_t OVERRIDE_SYSTEM = 2;
constexpr uint32_t OVERRIDE_AWAYMODE = 4;

struct PowerFacts {
    bool modernStandby;       // S0 low power idle: there is no S3 sleep
    bool hibernateAvailable;  // a hibernation file exists
    uint8_t source;           // POWER_SOURCE_*
    uint8_t batteryPercent;   // 0 to 100, or BATTERY_PERCENT_UNKNOWN
    AcDcValues sleepPolicy;   // "Allow applications to prevent automatic sleep", as in effect
    AcDcValues lidAction;     // the lid's close action: 0 does nothing
    uint32_t requestsOverride;
};

// The value for the source the PC runs on; an unknown source is taken as mains, which is what
// desktop PCs report.
bool ValueForSource(uint8_t source, const AcDcValues* values, uint32_t* value);
// True when "Allow applications to prevent automatic sleep" is off for the source.
bool PolicyForbidsRequests(uint8_t source, const AcDcValues* policy);
// True when closing the lid on this source sleeps, hibernates or shuts down.
bool LidActionStops(uint8_t source, const AcDcValues* action);
// "  powercfg /requestsoverride makes Windows ignore Pellacord's system request", naming what
// is ignored of the system and display requests; returns 0 and writes "" when nothing is.
int32_t FormatOverrideNote(char* out, int32_t capacity, uint32_t bits);
