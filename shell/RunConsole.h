#pragma once
#include <cstdint>

// The console and standard handles a command started by --run gets. Pellacord is a windowed
// program with no console of its own; a console program it starts without one gets a new,
// visible console window, which binds every handle the script did not redirect, and closing
// it kills the job. So Pellacord borrows the console of the program that started it, when
// there is one, and passes each standard handle on; with no console anywhere the command runs
// without a window.

constexpr int32_t STANDARD_HANDLE_COUNT = 3;  // input, output, error

struct ConsoleCalls {
    void* context;
    bool (*attachParent)(void* context);  // AttachConsole(ATTACH_PARENT_PROCESS)
    void (*freeConsole)(void* context);   // FreeConsole
    // GetStdHandle and SetStdHandle, `which` 0 input, 1 output, 2 error; 0 for no handle.
    uintptr_t (*get)(void* context, int32_t which);
    void (*set)(void* context, int32_t which, uintptr_t handle);
};

struct BorrowedConsole {
    bool attached;
    uintptr_t saved[STANDARD_HANDLE_COUNT];  // Pellacord's own, from before
};

struct ChildHandles {
    uintptr_t handles[STANDARD_HANDLE_COUNT];  // 0 where there is none
    bool noWindow;                            // no console to share: CREATE_NO_WINDOW
};

// Attaching fills in only the standard handles that are missing: those a script redirected
// stay its redirections.
BorrowedConsole BorrowConsole(const ConsoleCalls* calls);
ChildHandles ChildHandlesOf(const ConsoleCalls* calls, const BorrowedConsole* borrowed);
// FreeConsole leaves the closed handles' values in the standard slots, where a later message
// could reach whatever object reuses the value, even the log: the saved ones go back.
void ReturnConsole(const ConsoleCalls* calls, const BorrowedConsole* borrowed);
