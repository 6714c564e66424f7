#include "engine/PowerConditions.h"

#include "engine/PowerLimits.h"

namespace {

int32_t Slot(PowerSetting s) {
    return static_cast<int32_t>(s);
}

// What the log tells apart: on battery or not, the display off or not (dimmed is on).
uint32_t Shown(PowerSetting s, uint32_t value) {
    switch (s) {
    case PowerSetting::Source: return value == SOURCE_AC ? 0 : 1;
    case PowerSetting::Display: return value == DISPLAY_OFF ? 0 : 1;
    case PowerSetting::Lid: return value == LID_CLOSED ? 0 : 1;
    case PowerSetting::Battery: break;
    }
    return value;
}

}  // namespace

void StartPowerConditions(PowerConditions* c, uint8_t source, uint8_t batteryPercent) {
    *c = PowerConditions{};
    if (source == POWER_SOURCE_BATTERY || source == POWER_SOURCE_MAINS) {
        c->known[Slot(PowerSetting::Source)] = true;
        c->value[Slot(PowerSetting::Source)] = source == POWER_SOURCE_BATTERY ? 1 : 0;
    }
    if (batteryPercent <= 100) {
        c->known[Slot(PowerSetting::Battery)] = true;
        c->value[Slot(PowerSetting::Battery)] = batteryPercent;
    }
}

const char* NotePowerSetting(PowerConditions* c, PowerSetting setting, uint32_t value) {
    const int32_t i = Slot(setting);
    if (i < 0 || i >= POWER_SETTING_COUNT) {
        return nullptr;
    }
    const uint32_t shown = Shown(setting, value);
    const bool first = !c->known[i];
    const bool changed = c->value[i] != shown;
    c->known[i] = true;
    c->value[i] = shown;
    if (first || !changed) {
        return nullptr;
    }
    switch (setting) {
    case PowerSetting::Source: return shown ? "power: on battery" : "power: on AC";
    case PowerSetting::Display: return shown ? "display: on" : "display: off";
    case PowerSetting::Lid: return shown ? "lid: open" : "lid: closed";
    case PowerSetting::Battery: break;
    }
    return nullptr;
}

bool OnBattery(const PowerConditions* c) {
    return c->known[Slot(PowerSetting::Source)] && c->value[Slot(PowerSetting::Source)] == 1;
}

bool BatteryPercent(const PowerConditions* c, uint32_t* percent) {
    *percent = c->value[Slot(PowerSetting::Battery)];
    return c->known[Slot(PowerSetting::Battery)];
}

bool LidClosed(const PowerConditions* c) {
    return c->known[Slot(PowerSetting::Lid)] && c->value[Slot(PowerSetting::Lid)] == 0;
}
