#include "engine/PowerLimits_win.h"

#include "base/Owner_win.h"
#include "base/SystemLibrary_win.h"

#include <windows.h>
#include <powrprof.h>

#include <cstddef>

namespace {

// AoAc (modern standby) sits in the byte before DiskSpinDown; older headers call it spare.
constexpr size_t AOAC_OFFSET = 20;
static_assert(offsetof(SYSTEM_POWER_CAPABILITIES, DiskSpinDown) == AOAC_OFFSET + 1, "power capabilities layout");

// Group policy "Allow applications to prevent automatic sleep" (GUID_ALLOW_SYSTEM_REQUIRED).
constexpr wchar_t SLEEP_POLICY_KEY[] =
    L"SOFTWARE\\Policies\\Microsoft\\Power\\PowerSettings\\A4B195F5-8225-47D8-8012-9D41369786E2";

bool ReadDword(HKEY key, const wchar_t* name, uint32_t* out) {
    DWORD data = 0;
    DWORD size = sizeof(data);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD) {
        return false;
    }
    *out = data;
    return true;
}

bool UsesModernStandby() {
    using GetCapabilitiesFn = BOOLEAN(WINAPI*)(PSYSTEM_POWER_CAPABILITIES);
    UniqueModule powrprof(LoadSystemLibrary(L"powrprof.dll"));
    auto get = ModuleFunction<GetCapabilitiesFn>(powrprof, "GetPwrCapabilities");
    SYSTEM_POWER_CAPABILITIES capabilities = {};
    return get && get(&capabilities) && reinterpret_cast<const BYTE*>(&capabilities)[AOAC_OFFSET] != 0;
}

}  // namespace

SleepPolicyValues ReadSleepPolicy() {
    SleepPolicyValues v = {};
    UniqueKey key = OpenKeyForReading(HKEY_LOCAL_MACHINE, SLEEP_POLICY_KEY);
    if (key) {
        v.haveAc = ReadDword(key.get(), L"ACSettingIndex", &v.ac);
        v.haveDc = ReadDword(key.get(), L"DCSettingIndex", &v.dc);
    }
    return v;
}

uint32_t ReadPowerLimits() {
    uint32_t limits = 0;
    if (UsesModernStandby()) {
        limits |= POWER_LIMIT_MODERN_STANDBY;
    }
    SYSTEM_POWER_STATUS power = {};
    uint8_t line = GetSystemPowerStatus(&power) ? power.ACLineStatus : POWER_SOURCE_UNKNOWN;
    SleepPolicyValues policy = ReadSleepPolicy();
    if (PolicyForbidsRequests(line, &policy)) {
        limits |= POWER_LIMIT_POLICY;
    }
    return limits;
}
