#include "engine/Hold.h"

#include "base/Format.h"

uint32_t UntilDelayMs(uint32_t localDayMs, uint32_t minute) {
    const uint32_t now = localDayMs % DAY_MS;
    const uint32_t target = (minute % (24 * 60)) * 60000u;
    return target > now ? target - now : target + DAY_MS - now;
}

void StartHold(Hold* hold, const HoldRequest* request, const HoldClock* now) {
    *hold = Hold{};
    hold->kind = request->kind;
    hold->screen = request->screen;
    hold->then = request->kind == HoldKind::Open ? FinishAction::None : request->then;
    if (request->kind == HoldKind::For) {
        hold->lengthMs = request->lengthMs;
        hold->endMs = now->intervalMs + request->lengthMs;
    } else if (request->kind == HoldKind::Until) {
        hold->untilMinute = request->untilMinute % (24 * 60);
        SetUntilDelay(hold, now, UntilDelayMs(now->localDayMs, request->untilMinute));
    }
}

void SetUntilDelay(Hold* hold, const HoldClock* now, uint32_t delayMs) {
    hold->endMs = now->intervalMs + delayMs;
    hold->untilWallMs = now->wallMs + delayMs;
}

void EndHold(Hold* hold) {
    *hold = Hold{};
}

bool HoldDue(const Hold* hold, uint64_t intervalMs) {
    return (hold->kind == HoldKind::For || hold->kind == HoldKind::Until) && intervalMs >= hold->endMs;
}

uint32_t HoldSecondsLeft(const Hold* hold, uint64_t intervalMs) {
    if ((hold->kind != HoldKind::For && hold->kind != HoldKind::Until) || intervalMs >= hold->endMs) {
        return 0;
    }
    return static_cast<uint32_t>((hold->endMs - intervalMs + 999) / 1000);
}

void HoldResumed(Hold* hold, const HoldClock* now) {
    if (hold->kind != HoldKind::Until) {
        return;
    }
    const int64_t left = hold->untilWallMs - now->wallMs;
    // A clock set back by more than a day is not a reason to hold longer than one.
    const int64_t bounded = left < 0 ? 0 : left > DAY_MS ? DAY_MS : left;
    hold->endMs = now->intervalMs + static_cast<uint64_t>(bounded);
}

namespace {

// "2h", "30m", "1h30m".
int32_t FormatCompact(char* out, int32_t capacity, uint32_t minutes) {
    const uint32_t h = minutes / 60, m = minutes % 60;
    if (h == 0) {
        return FormatText8(out, capacity, "%um", m);
    }
    return m == 0 ? FormatText8(out, capacity, "%uh", h) : FormatText8(out, capacity, "%uh%um", h, m);
}

// "2 h", "30 min", "1 h 30 min".
int32_t FormatSpaced(char16_t* out, int32_t capacity, uint32_t minutes) {
    const uint32_t h = minutes / 60, m = minutes % 60;
    if (h == 0) {
        return FormatText(out, capacity, u"%u min", m);
    }
    return m == 0 ? FormatText(out, capacity, u"%u h", h) : FormatText(out, capacity, u"%u h %u min", h, m);
}

}  // namespace

void FormatHoldLog(char* out, int32_t capacity, const Hold* hold) {
    if (hold->kind == HoldKind::For) {
        char length[24];
        FormatCompact(length, sizeof(length), hold->lengthMs / 60000);
        FormatText8(out, capacity, "keeping awake for %s", length);
    } else if (hold->kind == HoldKind::Until) {
        FormatText8(out, capacity, "keeping awake until %02u:%02u", hold->untilMinute / 60, hold->untilMinute % 60);
    } else {
        FormatText8(out, capacity, "keeping awake until released");
    }
}

void FormatHoldReason(char16_t* out, int32_t capacity, const Hold* hold) {
    if (hold->kind == HoldKind::For) {
        char16_t length[24];
        FormatSpaced(length, 24, hold->lengthMs / 60000);
        FormatText(out, capacity, u"Pellacord: keeping awake for %s", length);
    } else if (hold->kind == HoldKind::Until) {
        FormatText(out, capacity, u"Pellacord: keeping awake until %02u:%02u", hold->untilMinute / 60,
                   hold->untilMinute % 60);
    } else {
        FormatText(out, capacity, u"Pellacord: keeping awake until released");
    }
}

void FormatHoldTooltip(char16_t* out, int32_t capacity, const Hold* hold, uint64_t intervalMs) {
    if (hold->kind == HoldKind::Open) {
        FormatText(out, capacity, u"Pellacord \u00B7 keeping awake until released");
        return;
    }
    const uint32_t seconds = HoldSecondsLeft(hold, intervalMs);
    char16_t left[24];
    if (seconds < 60) {
        FormatText(left, 24, u"%u s", seconds);
    } else {
        FormatSpaced(left, 24, (seconds + 59) / 60);
    }
    if (hold->kind == HoldKind::Until) {
        FormatText(out, capacity, u"Pellacord \u00B7 keeping awake until %02u:%02u \u00B7 %s left",
                   hold->untilMinute / 60, hold->untilMinute % 60, left);
    } else {
        FormatText(out, capacity, u"Pellacord \u00B7 keeping awake \u00B7 %s left", left);
    }
}
