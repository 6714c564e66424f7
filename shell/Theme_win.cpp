#include "shell/Theme_win.h"
#include "shell/SystemLibrary_win.h"

int32_t SystemUsesDarkTheme() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return 0;
    }
    DWORD data = 1;
    DWORD size = sizeof(data);
    DWORD type = 0;
    bool queried = RegQueryValueExW(key, L"AppsUseLightTheme", nullptr, &type, reinterpret_cast<BYTE*>(&data),
                                    &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ThemeValueMeansDark(queried, type, data);
}

void LoadPalette(Palette* palette) {
    FillPalette(palette, SystemUsesDarkTheme());
}

void ApplyDarkTitleBar(HWND window, int32_t dark) {
    constexpr DWORD DWMWA_USE_IMMERSIVE_DARK_MODE = 20;
    using SetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    BOOL value = dark ? TRUE : FALSE;
    HMODULE dwm = LoadSystemLibrary(L"dwmapi.dll");
    if (!dwm) {
        return;
    }
    auto set = reinterpret_cast<SetAttributeFn>(reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")));
    if (set) {
        (void)set(window, DWMWA_USE_IMMERSIVE_DARK_MODE, &value, sizeof(value));  // older systems refuse it
    }
    FreeLibrary(dwm);
}
