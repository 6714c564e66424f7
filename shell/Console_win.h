#pragma once
#include <cstdint>

// What a command says to its user: into the standard handle a script redirected, else to the
// console the program was started from, else in a message box (a shortcut has no console).
// `problem` selects standard error and the warning icon.
void TellUser(const char16_t* text, bool problem);

// Attaches to the console of the program that started this one, when there is one, so a
// console program started with --run shares it. Returns whether it attached.
bool BorrowParentConsole();
void ReturnParentConsole();
