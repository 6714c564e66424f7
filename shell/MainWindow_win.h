#pragma once
#include <windows.h>

// The program: single instance, start-up in its fixed order, the main window and its
// message dispatch, and the orderly shut-down.

constexpr wchar_t MAIN_WINDOW_CLASS[] = L"PellacordWindow";
constexpr wchar_t INSTANCE_MUTEX_NAME[] = L"Local\\PellacordSingleInstance";
constexpr UINT WM_SHOW_EXISTING = 0x8002;
constexpr int IDC_APP_LIST = 100;

// Runs the program; returns its exit code.
int RunPellacord(HINSTANCE instance);
