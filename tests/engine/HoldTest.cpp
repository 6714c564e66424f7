#include "engine/Hold.h"

#include "tests/support/Utf16.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr uint64_t START = 5000000;          // the interval clock at the start, in ms
constexpr int64_t WALL = 1800000000000;      // the wall clock at the start
constexpr uint32_t H = 3600000, M = 60000;

HoldClock At(uint64_t after, uint32_t localDayMs, int64_t wallStep = 0) {
    return HoldClock{START + after, WALL + static_cast<int64_t>(after) + wallStep, localDayMs};
}

std::string Log(const Hold& h) {
    char text[HOLD_TEXT_CAPACITY];
    FormatHoldLog(text, HOLD_TEXT_CAPACITY, &h);
    return text;
}

std::string Reason(const Hold& h) {
    char16_t text[HOLD_TEXT_CAPACITY];
    FormatHoldReason(text, HOLD_TEXT_CAPACITY, &h);
    return Printable(text);
}

// Printable shows the middle dot as "\\u00B7".
std::string Tip(const Hold& h, uint64_t after) {
    char16_t text[HOLD_TEXT_CAPACITY + 32];
    FormatHoldTooltip(text, HOLD_TEXT_CAPACITY + 32, &h, START + after);
    return Printable(text);
}

// Each length a hold is offered for ends when its time is up on the interval clock, and not a
// millisecond before; its texts name it.
TEST(Hold, EachDurationEndsOnTime) {
    const struct {
        uint32_t length;
        const char* log;
        const char* reason;
    } CASES[] = {
        {30 * M, "keeping awake for 30m", "Pellacord: keeping awake for 30 min"},
        {1 * H, "keeping awake for 1h", "Pellacord: keeping awake for 1 h"},
        {2 * H, "keeping awake for 2h", "Pellacord: keeping awake for 2 h"},
        {4 * H, "keeping awake for 4h", "Pellacord: keeping awake for 4 h"},
        {90 * M, "keeping awake for 1h30m", "Pellacord: keeping awake for 1 h 30 min"},
        {1 * M, "keeping awake for 1m", "Pellacord: keeping awake for 1 min"},
        {24 * H, "keeping awake for 24h", "Pellacord: keeping awake for 24 h"},
    };
    for (const auto& c : CASES) {
        SCOPED_TRACE(c.log);
        Hold h;
        const HoldRequest r = {HoldKind::For, c.length, 0, false, FinishAction::Sleep};
        const HoldClock now = At(0, 12 * H);
        StartHold(&h, &r, &now);
        EXPECT_TRUE(HoldActive(&h));
        EXPECT_FALSE(HoldDue(&h, START + c.length - 1));
        EXPECT_TRUE(HoldDue(&h, START + c.length));
        EXPECT_EQ(HoldSecondsLeft(&h, START), c.length / 1000);
        EXPECT_EQ(HoldSecondsLeft(&h, START + c.length - 1), 1u);  // rounded up
        EXPECT_EQ(h.then, FinishAction::Sleep);
        EXPECT_EQ(Log(h), c.log);
        EXPECT_EQ(Reason(h), c.reason);
    }
}

// Until a time of day: the next such time, across midnight, and never now (that is tomorrow).
TEST(Hold, UntilTheNextTimeOfDay) {
    const struct {
        uint32_t nowDayMs;
        uint32_t minute;
        uint32_t delay;
    } CASES[] = {
        {22 * H, 7 * 60 + 30, 9 * H + 30 * M},           // across midnight
        {6 * H, 7 * 60 + 30, 1 * H + 30 * M},            // later today
        {7 * H + 30 * M, 7 * 60 + 30, 24 * H},           // now: tomorrow
        {7 * H + 30 * M + 1, 7 * 60 + 30, 24 * H - 1},   // just past: almost a day
        {23 * H + 59 * M + 59999, 0, 1},                 // a millisecond before midnight
        {0, 23 * 60 + 59, 23 * H + 59 * M},
    };
    for (const auto& c : CASES) {
        SCOPED_TRACE(c.nowDayMs);
        EXPECT_EQ(UntilDelayMs(c.nowDayMs, c.minute), c.delay);
        Hold h;
        const HoldRequest r = {HoldKind::Until, 0, c.minute, true, FinishAction::None};
        const HoldClock now = At(0, c.nowDayMs);
        StartHold(&h, &r, &now);
        EXPECT_FALSE(HoldDue(&h, START + c.delay - 1));
        EXPECT_TRUE(HoldDue(&h, START + c.delay));
        EXPECT_TRUE(h.screen);
    }
    Hold h;
    const HoldRequest r = {HoldKind::Until, 0, 7 * 60 + 5, false, FinishAction::None};
    const HoldClock now = At(0, 22 * H);
    StartHold(&h, &r, &now);
    EXPECT_EQ(Log(h), "keeping awake until 07:05");
    EXPECT_EQ(Reason(h), "Pellacord: keeping awake until 07:05");
    EXPECT_EQ(Tip(h, 0), "Pellacord \\u00B7 keeping awake until 07:05 \\u00B7 9 h 5 min left");
}

// The wall clock set an hour either way during a hold: a timed hold's end stays where the
// interval clock put it, even across a resume; a hold until a time is measured against the
// wall clock again at a resume.
TEST(Hold, ClockStepsDoNotMoveTheEnd) {
    for (int64_t step : {int64_t{3600000}, int64_t{-3600000}}) {
        for (HoldKind kind : {HoldKind::For, HoldKind::Until}) {
            Hold h;
            const HoldRequest r = {kind, 2 * H, 2 * 60, false, FinishAction::None};  // until 02:00, from midnight
            const HoldClock now = At(0, 0);
            StartHold(&h, &r, &now);
            const uint64_t end = h.endMs;
            // A resume re-reads the wall clock for a time of day, and only for that.
            const HoldClock resumed = At(30 * M, 30 * M, step);
            HoldResumed(&h, &resumed);
            if (kind == HoldKind::For) {
                EXPECT_EQ(h.endMs, end);
            } else {
                EXPECT_EQ(h.endMs, START + 30 * M + static_cast<uint64_t>(90 * int64_t{M} - step));
            }
        }
    }
}

// Suspend and resume: the interval clock runs on through a sleep, so a timed hold whose time
// passed while the machine slept ends at the first tick; a hold until a time whose time came
// during the sleep ends at once, and one whose time is still ahead keeps it.
TEST(Hold, SuspendAndResume) {
    Hold h;
    HoldRequest r = {HoldKind::For, 1 * H, 0, false, FinishAction::None};
    HoldClock now = At(0, 0);
    StartHold(&h, &r, &now);
    HoldClock resumed = At(3 * H, 3 * H);
    HoldResumed(&h, &resumed);
    EXPECT_TRUE(HoldDue(&h, resumed.intervalMs));

    r = HoldRequest{HoldKind::Until, 0, 7 * 60, false, FinishAction::None};
    now = At(0, 6 * H);
    StartHold(&h, &r, &now);
    // A machine whose interval clock stood still across the sleep still ends at 07:00 by the wall.
    resumed = HoldClock{START + 1000, WALL + 2 * H, 8 * H};
    HoldResumed(&h, &resumed);
    EXPECT_TRUE(HoldDue(&h, resumed.intervalMs));

    now = At(0, 6 * H);
    StartHold(&h, &r, &now);
    resumed = HoldClock{START + 1000, WALL + 30 * M, 6 * H + 30 * M};
    HoldResumed(&h, &resumed);
    EXPECT_FALSE(HoldDue(&h, START + 1000 + 30 * M - 1));
    EXPECT_TRUE(HoldDue(&h, START + 1000 + 30 * M));
}

// Until released: no end, no finished action, and the texts say so; ending it is the release.
TEST(Hold, UntilReleased) {
    Hold h;
    const HoldRequest r = {HoldKind::Open, 0, 0, false, FinishAction::Shutdown};
    const HoldClock now = At(0, 0);
    StartHold(&h, &r, &now);
    EXPECT_TRUE(HoldActive(&h));
    EXPECT_FALSE(HoldDue(&h, START + 100 * uint64_t{H}));
    EXPECT_EQ(h.then, FinishAction::None);
    EXPECT_EQ(HoldSecondsLeft(&h, START), 0u);
    EXPECT_EQ(Log(h), "keeping awake until released");
    EXPECT_EQ(Reason(h), "Pellacord: keeping awake until released");
    EXPECT_EQ(Tip(h, 5 * H), "Pellacord \\u00B7 keeping awake until released");
    EndHold(&h);
    EXPECT_FALSE(HoldActive(&h));
    EXPECT_FALSE(HoldDue(&h, START + 100 * uint64_t{H}));
}

TEST(Hold, TooltipCountsDown) {
    Hold h;
    const HoldRequest r = {HoldKind::For, 2 * H, 0, false, FinishAction::None};
    const HoldClock now = At(0, 0);
    StartHold(&h, &r, &now);
    EXPECT_EQ(Tip(h, 0), "Pellacord \\u00B7 keeping awake \\u00B7 2 h left");
    EXPECT_EQ(Tip(h, 1000), "Pellacord \\u00B7 keeping awake \\u00B7 2 h left");  // a part minute counts
    EXPECT_EQ(Tip(h, 61 * M), "Pellacord \\u00B7 keeping awake \\u00B7 59 min left");
    EXPECT_EQ(Tip(h, 2 * H - 42000), "Pellacord \\u00B7 keeping awake \\u00B7 42 s left");
}

}  // namespace
