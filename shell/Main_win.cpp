#include "shell/MainWindow_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    if (!CreateMainWindow(instance)) {
        return 1;
    }
    return RunMessageLoop();
}
