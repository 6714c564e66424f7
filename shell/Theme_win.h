#pragma once
#include "shell/Theme.h"

#include <windows.h>

int32_t SystemUsesDarkTheme();
// The light or dark palette, or the system's colours while a high-contrast theme is on.
void LoadPalette(Palette* palette);
bool SystemUsesHighContrast();
SystemColors ReadSystemColors();
// Asks the window manager for a dark or light title bar; dwmapi is loaded for each call, so
// the program runs where it is missing.
void ApplyDarkTitleBar(HWND window, int32_t dark);
