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

// Spelled out: the headers' GUID_* are declared for linking against a library, not defined.
constexpr GUID SLEEP_SUBGROUP = {0x238c9fa8, 0x0aad, 0x41ed, {0x83, 0xf4, 0x97, 0xbe, 0x24, 0x2c, 0x8f, 0x20}};
constexpr GUID ALLOW_SYSTEM_REQUIRED = {0xa4b195f5, 0x8225, 0x47d8, {0x80, 0x12, 0x9d, 0x41, 0x36, 0x97, 0x86, 0xe2}};
constexpr GUID BUTTON_SUBGROUP = {0x4f971e89, 0xeebd, 0x4455, {0xa8, 0xde, 0x9e, 0x59, 0x04, 0x0e, 0x73, 0x47}};
constexpr GUID LIDCLOSE_ACTION = {0x5ca83367, 0x6e45, 0x459f, {0xa2, 0x7b, 0x47, 0x6b, 0x1d, 0x01, 0xc9, 0x36}};

// Group policy "Allow applications to prevent automatic sleep" (GUID_ALLOW_SYSTEM_REQUIRED).
constexpr wchar_t SLEEP_POLICY_KEY[] =
    L"SOFTWARE\\Policies\\Microsoft\\Power\\PowerSettings\\A4B195F5-8225-47D8-8012-9D41369786E2";
// `powercfg /requestsoverride PROCESS <image> ...`: a value per image, its bits the request kinds.
constexpr wchar_t OVERRIDE_KEY[] = L"SYSTEM\\CurrentControlSet\\Control\\Power\\PowerRequestOverride\\Process";

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

using GetCapabilitiesFn = BOOLEAN(WINAPI*)(PSYSTEM_POWER_CAPABILITIES);
using GetActiveSchemeFn = DWORD(WINAPI*)(HKEY, GUID**);
using ReadValueIndexFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, LPDWORD);

struct PowerCalls {
    GetCapabilitiesFn getCapabilities;
    GetActiveSchemeFn getActiveScheme;
    ReadValueIndexFn readAc;
    ReadValueIndexFn readDc;
};

// A setting of the scheme, for mains and battery; a read that fails leaves its half out.
AcDcValues ReadSchemeValue(const PowerCalls* calls, const GUID* scheme, const GUID* subgroup, const GUID* setting) {
    AcDcValues v = {};
    DWORD value = 0;
    if (calls->readAc && calls->readAc(nullptr, scheme, subgroup, setting, &value) == ERROR_SUCCESS) {
        v.haveAc = true;
        v.ac = value;
    }
    value = 0;
    if (calls->readDc && calls->readDc(nullptr, scheme, subgroup, setting, &value) == ERROR_SUCCESS) {
        v.haveDc = true;
        v.dc = value;
    }
    return v;
}

uint32_t ReadRequestsOverride(const wchar_t* imageName) {
    UniqueKey key = OpenKeyForReading(HKEY_LOCAL_MACHINE, OVERRIDE_KEY);
    uint32_t bits = 0;
    return key && imageName && imageName[0] && ReadDword(key.get(), imageName, &bits) ? bits : 0;
}

}  // namespace

AcDcValues ReadSleepPolicy() {
    AcDcValues v = {};
    UniqueKey key = OpenKeyForReading(HKEY_LOCAL_MACHINE, SLEEP_POLICY_KEY);
    if (key) {
        v.haveAc = ReadDword(key.get(), L"ACSettingIndex", &v.ac);
        v.haveDc = ReadDword(key.get(), L"DCSettingIndex", &v.dc);
    }
    return v;
}

PowerFacts ReadPowerFacts(const wchar_t* imageName) {
    PowerFacts f = {};
    f.source = POWER_SOURCE_UNKNOWN;
    f.batteryPercent = BATTERY_PERCENT_UNKNOWN;
    UniqueModule powrprof(LoadSystemLibrary(L"powrprof.dll"));
    const PowerCalls calls = {
        .getCapabilities = ModuleFunction<GetCapabilitiesFn>(powrprof, "GetPwrCapabilities"),
        .getActiveScheme = ModuleFunction<GetActiveSchemeFn>(powrprof, "PowerGetActiveScheme"),
        .readAc = ModuleFunction<ReadValueIndexFn>(powrprof, "PowerReadACValueIndex"),
        .readDc = ModuleFunction<ReadValueIndexFn>(powrprof, "PowerReadDCValueIndex"),
    };
    SYSTEM_POWER_CAPABILITIES capabilities = {};
    if (calls.getCapabilities && calls.getCapabilities(&capabilities)) {
        f.modernStandby = reinterpret_cast<const BYTE*>(&capabilities)[AOAC_OFFSET] != 0;
        f.hibernateAvailable = capabilities.HiberFilePresent != 0;
    }
    SYSTEM_POWER_STATUS status = {};
    if (GetSystemPowerStatus(&status)) {
        f.source = status.ACLineStatus;
        f.batteryPercent = status.BatteryLifePercent;
    }
    GUID* scheme = nullptr;
    if (calls.getActiveScheme && calls.getActiveScheme(nullptr, &scheme) == ERROR_SUCCESS && scheme) {
        f.sleepPolicy = ReadSchemeValue(&calls, scheme, &SLEEP_SUBGROUP, &ALLOW_SYSTEM_REQUIRED);
        f.lidAction = ReadSchemeValue(&calls, scheme, &BUTTON_SUBGROUP, &LIDCLOSE_ACTION);
    }
    if (scheme) {
        LocalFree(scheme);
    }
    // The group policy, where set, is what Windows goes by.
    const AcDcValues policy = ReadSleepPolicy();
    if (policy.haveAc) {
        f.sleepPolicy.haveAc = true;
        f.sleepPolicy.ac = policy.ac;
    }
    if (policy.haveDc) {
        f.sleepPolicy.haveDc = true;
        f.sleepPolicy.dc = policy.dc;
    }
    f.requestsOverride = ReadRequestsOverride(imageName);
    return f;
}
