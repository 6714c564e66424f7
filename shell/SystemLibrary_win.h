#pragma once
#include <windows.h>

// Loads a library from the system folder only. A DLL of the same name left beside the
// program, in a Downloads folder say, is never run.
HMODULE LoadSystemLibrary(const wchar_t* name);
