#include "shell/Startup_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything can load a library: only the system folder is searched, so a DLL of a
    // system name left beside the program (in a Downloads folder, say) is never run.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return RunPellacord(instance);
}
