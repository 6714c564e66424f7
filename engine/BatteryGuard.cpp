#include "engine/BatteryGuard.h"

GuardStep UpdateBatteryGuard(BatteryGuard* g, bool onBattery, bool percentKnown, uint32_t percent) {
    if (!g->released) {
        if (g->floor > 0 && onBattery && percentKnown && percent <= g->floor) {
            g->released = true;
            return GuardStep::Released;
        }
        return GuardStep::None;
    }
    if (g->floor == 0 || !onBattery || (percentKnown && percent > g->floor + BATTERY_GUARD_MARGIN)) {
        g->released = false;
        return GuardStep::Restored;
    }
    return GuardStep::None;
}
