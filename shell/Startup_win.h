#pragma once
#include <windows.h>

// The program: its single instance, start-up in a fixed order, the message loop, and the
// exit code.

// Runs the program; returns its exit code.
int RunPellacord(HINSTANCE instance);
