#pragma once
#include "shell/RunConsole.h"

#include <cstdint>

// What a command says to its user: into the standard handle a script redirected, else to the
// console the program was started from, else in a message box (a shortcut has no console).
// `problem` selects standard error and the warning icon.
void TellUser(const char16_t* text, bool problem);

// The console calls behind BorrowConsole and ReturnConsole: the console of the program that
// started this one, and the process's standard handles.
ConsoleCalls WindowsConsoleCalls();
