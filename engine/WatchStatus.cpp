#include "engine/WatchStatus.h"

WatchStatus MakeWatchStatus() {
    WatchStatus s = {};
    s.watchMode = WATCH_OFF;
    s.currentState = STATE_IDLE;
    return s;
}

const char16_t* DisplayTitle(const char16_t* title, const char16_t* imageName) {
    return title[0] ? title : imageName;
}

const char16_t* TrayName(const char16_t* title, const char16_t* imageName) {
    return imageName[0] ? imageName : title;
}
