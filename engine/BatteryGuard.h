#pragma once
#include <cstdint>

// The user's choice to let the PC sleep rather than run its battery flat: on battery at or
// below the floor the lock is released while the watch goes on measuring; back on mains, or
// charged past the floor by a margin, it comes back. A floor of 0 is off, the default.

constexpr uint32_t BATTERY_GUARD_MARGIN = 5;       // points above the floor before the lock returns
constexpr uint32_t BATTERY_GUARD_MENU_FLOOR = 20;  // the tray menu's "Release below 20% battery"

struct BatteryGuard {
    uint32_t floor;  // percent; 0: off
    bool released;   // the lock is let go to save the battery
};

enum class GuardStep { None, Released, Restored };

// The power source or the battery changed, or the floor did. `percentKnown` false: no battery
// reading, which never releases.
GuardStep UpdateBatteryGuard(BatteryGuard* g, bool onBattery, bool percentKnown, uint32_t percent);
