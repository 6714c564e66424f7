#include "shell/Theme_win.h"
#include "base/Owner_win.h"
#include "base/SystemLibrary_win.h"

int32_t SystemUsesDarkTheme() {
    UniqueKey key = OpenKeyForReading(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize");
    if (!key) {
        return 0;
    }
    DWORD data = 1;
    DWORD size = sizeof(data);
    DWORD type = 0;
    bool queried = RegQueryValueExW(key.get(), L"AppsUseLightTheme", nullptr, &type, reinterpret_cast<BYTE*>(&data),
                                    &size) == ERROR_SUCCESS;
    return ThemeValueMeansDark(queried, type, data);
}

bool SystemUsesHighContrast() {
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

SystemColors ReadSystemColors() {
    return SystemColors{GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_HIGHLIGHT),
                        GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_GRAYTEXT)};
}

void LoadPalette(Palette* palette) {
    if (SystemUsesHighContrast()) {
        const SystemColors colors = ReadSystemColors();
        FillHighContrastPalette(palette, &colors);
    } else {
        FillPalette(palette, SystemUsesDarkTheme());
    }
}

void ApplyDarkTitleBar(HWND window, int32_t dark) {
    constexpr DWORD DWMWA_USE_IMMERSIVE_DARK_MODE = 20;
    using SetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    BOOL value = dark ? TRUE : FALSE;
    UniqueModule dwm(LoadSystemLibrary(L"dwmapi.dll"));
    auto set = ModuleFunction<SetAttributeFn>(dwm, "DwmSetWindowAttribute");
    if (set) {
        (void)set(window, DWMWA_USE_IMMERSIVE_DARK_MODE, &value, sizeof(value));  // older systems refuse it
    }
}
