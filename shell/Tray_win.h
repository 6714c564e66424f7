#pragma once
#include "shell/Tray.h"

#include <windows.h>

// The real shell behind the tray: Shell_NotifyIconW and painted icons.
TrayShell WindowsTrayShell();
// Shows the menu at the cursor and returns the chosen item's id, 0 when none was chosen. The
// caller acts on it, knowing which watch the menu was opened for.
int32_t ShowTrayMenu(const TrayState* tray, const TrayMenuModel* model);
// A balloon from the icon that is shown; false when there is none or the shell refused.
bool ShowTrayBalloon(const TrayState* tray, const char16_t* text);
