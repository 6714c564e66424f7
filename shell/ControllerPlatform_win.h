#pragma once
#include "engine/Controller.h"
#include "files/Log_win.h"
#include "files/Settings_win.h"

#include <windows.h>

// The controller's platform on Windows: the main window's timer and visibility, the list
// window, the log file and the settings file.
struct WindowsControllerContext {
    HWND mainWindow;
    HWND listWindow;
    LogFile* log;
    const SettingsFile* settings;
    ImageNameEntry* imageNames;  // MAX_IMAGE_NAMES scratch entries
};

ControllerPlatform WindowsControllerPlatform(WindowsControllerContext* context);
