#pragma once
#include "shell/Autostart.h"

// The value "Pellacord" in HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run,
// through advapi32. The record holds no state of its own.
AutostartRegistry WindowsAutostartRegistry();
