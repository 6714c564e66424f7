#include "engine/PowerLimits.h"

bool PolicyForbidsRequests(uint8_t acLineStatus, const SleepPolicyValues* v) {
    if (acLineStatus == POWER_SOURCE_BATTERY) {
        return v->haveDc && v->dc == 0;
    }
    return v->haveAc && v->ac == 0;
}
