#pragma once
#include "shell/SingleInstance_win.h"

#include <windows.h>

// The program: single instance, start-up in its fixed order, the main window and its
// message dispatch, and the orderly shut-down.

constexpr int IDC_APP_LIST = 100;

// Runs the program; returns its exit code.
int RunPellacord(HINSTANCE instance);
