#include "engine/PowerRequest_win.h"

#include <windows.h>

uint32_t SetExecutionStateWin(uint32_t flags) {
    return SetThreadExecutionState(flags);
}
