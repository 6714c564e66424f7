#pragma once
#include <windows.h>

constexpr wchar_t MAIN_WINDOW_CLASS[] = L"PellacordWindow";

HWND CreateMainWindow(HINSTANCE instance);
int RunMessageLoop();
