#pragma once
#include "shell/Tray.h"

#include <windows.h>

// The real shell behind the tray: Shell_NotifyIconW and painted icons.
TrayShell WindowsTrayShell();
void ShowTrayMenu(const TrayState* tray, bool watching);
