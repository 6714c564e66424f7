#pragma once
#include <windows.h>

// Loads a library from the system folder only. A DLL of the same name left beside the
// program, in a Downloads folder say, is never run.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The named export of a library as a function pointer; null when the library or the export is
// missing, so a call is made only where the system has it.
template <typename Fn>
Fn LibraryFunction(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}
