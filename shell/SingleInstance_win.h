#pragma once
#include "shell/CommandLine.h"
#include "shell/SingleInstance.h"
#include "base/Owner_win.h"

#include <windows.h>

#include <cstdint>

// One copy runs. The first holds a named mutex for its life; a second copy finds the first's
// window and hands its command over: a start without arguments as WM_SHOW_EXISTING, anything
// else as its command line in WM_COPYDATA, answered with the exit code.

constexpr wchar_t INSTANCE_MUTEX_NAME[] = L"Local\\PellacordSingleInstance";
constexpr wchar_t MAIN_WINDOW_CLASS[] = L"PellacordWindow";
constexpr ULONG_PTR COMMAND_DATA_TAG = 0x444D4350;  // "PCMD"
constexpr DWORD COMMAND_ANSWER_TIMEOUT_MS = 15000;

enum class InstanceRole {
    First,     // this copy holds the name
    Second,    // another copy runs; its window is known
    Squatted,  // the name is taken, but no window came: another program holds it, or the first hangs
};

// `mutex` receives the name's handle for the first copy, to be closed at its end.
InstanceRole ClaimInstance(UniqueHandle* mutex, HWND* firstWindow);

// Lets the copies at a lower integrity level reach this one's window, when it runs elevated.
void OpenWindowToOtherCopies(HWND window, UINT taskbarCreatedMessage);

// Sends a command line to the first copy and waits for its answer, which comes once the
// commands handed over before it are done. Returns the exit code, or -1 when none came in time.
int32_t SendCommandLine(HWND firstWindow, const char16_t* line);
