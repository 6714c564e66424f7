#pragma once
#include "engine/Evaluator.h"

#include <cstdint>

// What a watch is doing now. The watch and the controller write it; the tray, the painter, the
// pointer handling and the window procedure read it.

enum class WatchMode : int32_t { Off = 0, On = 1 };
constexpr WatchMode WATCH_OFF = WatchMode::Off;
constexpr WatchMode WATCH_ON = WatchMode::On;

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
    bool sampling;            // a tree is attached and the tick runs (preview or watching)
    WatchedApp watchedApp;
    char16_t notice[NOTICE_CAPACITY];  // shown under the list instead of the count while set
    uint32_t watchSerial;              // counts the watches started, to tell one from the next
    char16_t waitingFor[APP_IMAGE_CAPACITY];  // watching for this image to start; empty: not waiting
    bool batterySaving;       // the lock is let go to save the battery, at batteryPercent
    uint32_t batteryPercent;
};

// Not watching, IDLE, not sampling, no app, no notice.
WatchStatus MakeWatchStatus();

// The name an app goes by in the window, the log and for a screen reader: its window title,
// or its image name when the title is empty.
const char16_t* DisplayTitle(const char16_t* title, const char16_t* imageName);
// The name the tray gives it, where room is short: its image name, or its title.
const char16_t* TrayName(const char16_t* title, const char16_t* imageName);
