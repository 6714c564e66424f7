#pragma once
#include <cstdint>

// The one contact with power management: keep the system (and maybe the display) awake while
// the watched app works. The last flags are remembered so the tick can ask every second
// without calling the platform every second.

constexpr uint32_t ES_FLAG_CONTINUOUS = 0x80000000u;
constexpr uint32_t ES_FLAG_SYSTEM_REQUIRED = 0x00000001u;
constexpr uint32_t ES_FLAG_DISPLAY_REQUIRED = 0x00000002u;

struct PowerRequest {
    uint32_t lastFlags;
    int32_t lastAccepted;
    // SetThreadExecutionState; returns 0 when the request is refused.
    uint32_t (*setExecutionState)(uint32_t flags);
};

// The initial state: no request held, the last call counted as accepted.
PowerRequest MakePowerRequest(uint32_t (*setExecutionState)(uint32_t flags));

void SetPowerRequest(PowerRequest* request, int32_t hold, int32_t keepDisplayOn);
void ReleasePowerRequest(PowerRequest* request);
int32_t PowerRequestAccepted(const PowerRequest* request);
// "held", "REFUSED" or "off", as the tick's log line reports the lock.
const char* LockStateName(const PowerRequest* request, bool wantsLock);
