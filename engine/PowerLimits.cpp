#include "engine/PowerLimits.h"

#include "base/Format.h"

bool ValueForSource(uint8_t source, const AcDcValues* v, uint32_t* value) {
    if (source == POWER_SOURCE_BATTERY) {
        *value = v->dc;
        return v->haveDc;
    }
    *value = v->ac;
    return v->haveAc;
}

bool PolicyForbidsRequests(uint8_t source, const AcDcValues* policy) {
    uint32_t value = 0;
    return ValueForSource(source, policy, &value) && value == 0;
}

bool LidActionStops(uint8_t source, const AcDcValues* action) {
    uint32_t value = 0;
    return ValueForSource(source, action, &value) && value != 0;
}

int32_t FormatOverrideNote(char* out, int32_t capacity, uint32_t bits) {
    const bool system = (bits & OVERRIDE_SYSTEM) != 0;
    const bool display = (bits & OVERRIDE_DISPLAY) != 0;
    const char* what = system && display ? "system and display requests"
                       : system           ? "system request"
                       : display          ? "display request"
                                          : nullptr;
    if (!what) {
        if (capacity > 0) {
            out[0] = 0;
        }
        return 0;
    }
    return FormatText8(out, capacity, "  powercfg /requestsoverride makes Windows ignore Pellacord's %s", what);
}
