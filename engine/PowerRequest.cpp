#include "engine/PowerRequest.h"

#include "base/Format.h"
#include "base/Text.h"

PowerRequest MakePowerRequest(uint32_t (*setExecutionState)(uint32_t flags)) {
    return PowerRequest{ES_FLAG_CONTINUOUS, true, setExecutionState, PowerReasonApi{}, nullptr, 0, false};
}

// Brings the reason object in line with the flags: system required while holding, display
// required too while the screen is kept on, execution required with the system where asked.
static void SyncPowerReason(PowerRequest* r, uint32_t flags) {
    if (!r->reasonRequest) {
        return;
    }
    uint32_t wanted = flags & (REASON_SYSTEM | REASON_DISPLAY);
    if (r->executionRequired && (flags & ES_FLAG_SYSTEM_REQUIRED)) {
        wanted |= REASON_EXECUTION;
    }
    const uint32_t kinds[] = {REASON_SYSTEM, REASON_DISPLAY, REASON_EXECUTION};
    const int32_t types[] = {POWER_REQUEST_SYSTEM, POWER_REQUEST_DISPLAY, POWER_REQUEST_EXECUTION};
    for (int32_t i = 0; i < 3; i++) {
        bool want = (wanted & kinds[i]) != 0;
        bool have = (r->reasonFlags & kinds[i]) != 0;
        if (want && !have && r->reason.set && r->reason.set(r->reason.context, r->reasonRequest, types[i])) {
            r->reasonFlags |= kinds[i];
        } else if (!want && have) {
            // A failed clear is not retried: the object goes when the watch ends.
            if (r->reason.clear) {
                (void)r->reason.clear(r->reason.context, r->reasonRequest, types[i]);
            }
            r->reasonFlags &= ~kinds[i];
        }
    }
}

void SetPowerRequest(PowerRequest* r, bool hold, bool keepDisplayOn) {
    uint32_t flags = ES_FLAG_CONTINUOUS;
    if (hold) {
        flags |= ES_FLAG_SYSTEM_REQUIRED;
        if (keepDisplayOn) {
            flags |= ES_FLAG_DISPLAY_REQUIRED;
        }
    }
    SyncPowerReason(r, flags);
    if (flags == r->lastFlags) {
        return;  // a refused request is not retried until the wish changes
    }
    r->lastAccepted = r->setExecutionState(flags) != 0;
    r->lastFlags = flags;
}

void RequireExecution(PowerRequest* r, bool required) {
    r->executionRequired = required;
    SyncPowerReason(r, r->lastFlags);
}

void ReleasePowerRequest(PowerRequest* r) {
    SyncPowerReason(r, ES_FLAG_CONTINUOUS);
    if (r->lastFlags == ES_FLAG_CONTINUOUS) {
        return;
    }
    (void)r->setExecutionState(ES_FLAG_CONTINUOUS);  // nothing to do if a release is refused
    r->lastFlags = ES_FLAG_CONTINUOUS;
}

void ReassertPowerRequest(PowerRequest* r) {
    r->lastAccepted = r->setExecutionState(r->lastFlags) != 0;
}

bool PowerRequestAccepted(const PowerRequest* r) {
    return r->lastAccepted;
}

const char* LockStateName(const PowerRequest* r, bool wantsLock) {
    if (!wantsLock) {
        return "off";
    }
    return r->lastAccepted ? "held" : "REFUSED";
}

// `powercfg /requests` prints the reason on a line of its own: a title cannot add lines.
void FormatPowerReason(char16_t* out, const char16_t* title) {
    char16_t printable[POWER_REASON_CAPACITY];
    CopyWidePrintable(printable, title, POWER_REASON_CAPACITY);
    FormatText(out, POWER_REASON_CAPACITY, u"Pellacord: watching %s", printable);
}

void OpenPowerReason(PowerRequest* r, const char16_t* title) {
    char16_t text[POWER_REASON_CAPACITY];
    FormatPowerReason(text, title);
    OpenPowerReasonText(r, text);
}

void OpenPowerReasonText(PowerRequest* r, const char16_t* text) {
    ClosePowerReason(r);
    if (!r->reason.create) {
        return;
    }
    r->reasonRequest = r->reason.create(r->reason.context, text);
    r->reasonFlags = 0;
    SyncPowerReason(r, r->lastFlags);
}

void ClosePowerReason(PowerRequest* r) {
    if (!r->reasonRequest) {
        return;
    }
    SyncPowerReason(r, ES_FLAG_CONTINUOUS);
    if (r->reason.close) {
        r->reason.close(r->reason.context, r->reasonRequest);
    }
    r->reasonRequest = nullptr;
    r->reasonFlags = 0;
}

uint32_t SetSlotExecutionState(ExecutionStateMux* mux, int32_t slot, uint32_t flags) {
    if (slot < 0 || slot >= EXECUTION_SLOTS) {
        return 0;
    }
    mux->slots[slot] = flags;
    uint32_t all = 0;
    for (uint32_t f : mux->slots) {
        all |= f;
    }
    return mux->apply(all);
}
