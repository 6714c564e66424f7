#pragma once
#include "engine/Evaluator.h"

#include <cstdint>

// What the program is doing now. The watch controller writes it; the tray, the painter, the
// pointer handling and the window procedure read it.

using WatchMode = int32_t;
constexpr WatchMode WATCH_OFF = 0;
constexpr WatchMode WATCH_ON = 1;

constexpr int32_t APP_TITLE_CAPACITY = 128;
constexpr int32_t APP_IMAGE_CAPACITY = 64;
constexpr int32_t NOTICE_CAPACITY = 128;

struct WatchedApp {
    char16_t title[APP_TITLE_CAPACITY];
    char16_t imageName[APP_IMAGE_CAPACITY];
    uint32_t pid;  // 0 once watching stops; the texts stay
};

struct WatchStatus {
    WatchMode watchMode;
    WatchState currentState;  // what the window, the tray and the log show
    int32_t sampling;         // a tree is attached and the tick runs (preview or watching)
    WatchedApp watchedApp;
    char16_t notice[NOTICE_CAPACITY];  // shown under the list instead of the count while set
    uint32_t watchSerial;              // counts the watches started, to tell one from the next
};

// The main window's clickable targets.
using HitTarget = int32_t;
constexpr HitTarget TARGET_NONE = 0;
constexpr HitTarget TARGET_BUTTON = 1;
constexpr HitTarget TARGET_CHECKBOX = 2;
constexpr HitTarget TARGET_REFRESH = 3;

// Not watching, IDLE, not sampling, no app, no notice.
WatchStatus MakeWatchStatus();
