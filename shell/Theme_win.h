#pragma once
#include "shell/Theme.h"

#include <windows.h>

int32_t SystemUsesDarkTheme();
void LoadPalette(Palette* palette);
// Asks the window manager for a dark or light title bar; dwmapi is loaded for each call, so
// the program runs where it is missing.
void ApplyDarkTitleBar(HWND window, int32_t dark);
