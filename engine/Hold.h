#pragma once
#include "engine/Finish.h"

#include <cstdint>

// A hold keeps the PC awake without an app: for a while, until a clock time, or until the
// user releases it. A timed hold's end is counted on the interval clock, so setting the clock
// neither shortens nor stretches it; a hold until a clock time also keeps that time on the
// wall clock, and is measured against it again after the machine resumes.

constexpr uint32_t HOLD_MIN_MS = 60000;           // 1 minute
constexpr uint32_t HOLD_MAX_MS = 24 * 3600000u;   // 24 hours
constexpr uint32_t DAY_MS = 24 * 3600000u;
constexpr int32_t HOLD_TEXT_CAPACITY = 64;

enum class HoldKind : int32_t { Off = 0, For, Until, Open };

struct Hold {
    HoldKind kind;
    uint64_t endMs;        // the interval clock's reading at which a timed hold ends
    int64_t untilWallMs;   // Until: the wall clock's reading at its end
    uint32_t lengthMs;     // For: how long it was asked for
    uint32_t untilMinute;  // Until: the local time of day, in minutes from midnight
    bool screen;           // the screen is kept on too
    FinishAction then;     // after a timed hold ends
};

// What a hold is asked to be, as a command or the menu names it.
struct HoldRequest {
    HoldKind kind;
    uint32_t lengthMs;     // For
    uint32_t untilMinute;  // Until
    bool screen;
    FinishAction then;
};

// The clocks a hold starts and resumes by: the interval clock, the wall clock and the local
// time of day, all in milliseconds.
struct HoldClock {
    uint64_t intervalMs;
    int64_t wallMs;
    uint32_t localDayMs;  // since local midnight
};

// How long from a local time of day until the next `minute` of the day: more than 0 and at
// most a whole day, so the time it is now means the same time tomorrow.
uint32_t UntilDelayMs(uint32_t localDayMs, uint32_t minute);

void StartHold(Hold* hold, const HoldRequest* request, const HoldClock* now);
// A hold until a time of day ends `delayMs` from `now`, on both clocks: where the time zone's
// rules know better than the local time of day how long that is.
void SetUntilDelay(Hold* hold, const HoldClock* now, uint32_t delayMs);
void EndHold(Hold* hold);
inline bool HoldActive(const Hold* hold) {
    return hold->kind != HoldKind::Off;
}
// A timed hold whose end has come.
bool HoldDue(const Hold* hold, uint64_t intervalMs);
// The whole seconds a timed hold has left, rounded up; 0 for one without an end.
uint32_t HoldSecondsLeft(const Hold* hold, uint64_t intervalMs);
// After a resume: a hold until a clock time ends when the wall clock says so, however long
// the machine slept or however the clock moved meanwhile.
void HoldResumed(Hold* hold, const HoldClock* now);

// The texts: the log's "keeping awake for 1h30m", the power request's reason "Pellacord:
// keeping awake for 1 h 30 min", and the tooltip's "Pellacord · keeping awake · 1 h 29 min
// left". For a hold until a time, "until 07:30"; without an end, "until released".
void FormatHoldLog(char* out, int32_t capacity, const Hold* hold);
void FormatHoldReason(char16_t* out, int32_t capacity, const Hold* hold);
void FormatHoldTooltip(char16_t* out, int32_t capacity, const Hold* hold, uint64_t intervalMs);
