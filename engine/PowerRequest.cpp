#include "engine/PowerRequest.h"

PowerRequest MakePowerRequest(uint32_t (*setExecutionState)(uint32_t flags)) {
    return PowerRequest{ES_FLAG_CONTINUOUS, 1, setExecutionState};
}

void SetPowerRequest(PowerRequest* r, int32_t hold, int32_t keepDisplayOn) {
    uint32_t flags = ES_FLAG_CONTINUOUS;
    if (hold) {
        flags |= ES_FLAG_SYSTEM_REQUIRED;
        if (keepDisplayOn) {
            flags |= ES_FLAG_DISPLAY_REQUIRED;
        }
    }
    if (flags == r->lastFlags) {
        return;  // a refused request is not retried until the wish changes
    }
    r->lastAccepted = r->setExecutionState(flags) != 0 ? 1 : 0;
    r->lastFlags = flags;
}

void ReleasePowerRequest(PowerRequest* r) {
    if (r->lastFlags == ES_FLAG_CONTINUOUS) {
        return;
    }
    (void)r->setExecutionState(ES_FLAG_CONTINUOUS);  // nothing to do if a release is refused
    r->lastFlags = ES_FLAG_CONTINUOUS;
}

int32_t PowerRequestAccepted(const PowerRequest* r) {
    return r->lastAccepted;
}

const char* LockStateName(const PowerRequest* r, bool wantsLock) {
    if (!wantsLock) {
        return "off";
    }
    return r->lastAccepted ? "held" : "REFUSED";
}
