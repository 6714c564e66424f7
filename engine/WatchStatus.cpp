#include "engine/WatchStatus.h"

WatchStatus MakeWatchStatus() {
    WatchStatus s = {};
    s.watchMode = WATCH_OFF;
    s.currentState = STATE_IDLE;
    return s;
}
