#pragma once
#include "engine/Finish.h"
#include "engine/Hold.h"
#include "engine/PowerRequest.h"

#include <cstdint>

// The hold beside the watches: its own power request (in its own execution slot, with its own
// reason), the finished action a timed hold ends with, and the clocks it runs by.

struct HoldState {
    Hold hold;
    PowerRequest power;
    FinishState finish;  // counts down on the tick once a timed hold has ended
    bool screenChoice;   // the tray menu's "Keep the screen on too", for the holds it starts
    void* clockContext;
    void (*readClock)(void* context, HoldClock* now);
    // How long until the next local `minute` of the day, as the time zone's rules say across a
    // change of daylight saving time; null where the local time of day is all there is.
    uint32_t (*delayUntil)(void* context, uint32_t minute);
};

// The tray menu's "Keep awake" choices.
constexpr int32_t HOLD_MENU_LENGTHS = 4;
constexpr uint32_t HOLD_MENU_MS[HOLD_MENU_LENGTHS] = {30 * 60000u, 3600000u, 2 * 3600000u, 4 * 3600000u};
