#include "shell/PowerNotices_win.h"

#include "base/SystemLibrary_win.h"

#include <cstring>

namespace {

// In the order of PowerSetting. Spelled out: the headers' GUID_* are not defined for linking.
constexpr GUID SETTINGS[POWER_SETTING_COUNT] = {
    {0x5d3e9a59, 0xe9d5, 0x4b00, {0xa6, 0xbd, 0xff, 0x34, 0xff, 0x51, 0x65, 0x48}},  // GUID_ACDC_POWER_SOURCE
    {0xa7ad8041, 0xb45a, 0x4cae, {0x87, 0xa3, 0xee, 0xcb, 0xb4, 0x68, 0xa9, 0xe1}},  // GUID_BATTERY_PERCENTAGE_REMAINING
    {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}},  // GUID_CONSOLE_DISPLAY_STATE
    {0xba3e0f4d, 0xb817, 0x4094, {0xa2, 0xd1, 0xd5, 0x63, 0x79, 0xe6, 0xa0, 0xf3}},  // GUID_LIDSWITCH_STATE_CHANGE
};

using RegisterFn = HPOWERNOTIFY(WINAPI*)(HANDLE, LPCGUID, DWORD);
using UnregisterFn = BOOL(WINAPI*)(HPOWERNOTIFY);

}  // namespace

void FollowPowerSettings(PowerNotices* notices, HWND window, bool follow) {
    // Looked up, not imported: a system without them runs, and simply sends nothing.
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    for (int32_t i = 0; i < POWER_SETTING_COUNT; i++) {
        HPOWERNOTIFY* handle = &notices->handles[i];
        if (follow && !*handle) {
            auto registerFor = LibraryFunction<RegisterFn>(user32, "RegisterPowerSettingNotification");
            *handle = registerFor ? registerFor(window, &SETTINGS[i], DEVICE_NOTIFY_WINDOW_HANDLE) : nullptr;
        } else if (!follow && *handle) {
            auto unregister = LibraryFunction<UnregisterFn>(user32, "UnregisterPowerSettingNotification");
            if (unregister) {
                unregister(*handle);
            }
            *handle = nullptr;
        }
    }
}

bool ReadPowerSetting(const POWERBROADCAST_SETTING* data, PowerSetting* setting, uint32_t* value) {
    if (!data || data->DataLength < sizeof(DWORD)) {
        return false;
    }
    for (int32_t i = 0; i < POWER_SETTING_COUNT; i++) {
        if (memcmp(&data->PowerSetting, &SETTINGS[i], sizeof(GUID)) == 0) {
            DWORD v = 0;
            memcpy(&v, data->Data, sizeof(v));
            *setting = static_cast<PowerSetting>(i);
            *value = v;
            return true;
        }
    }
    return false;
}
