#pragma once
#include <cstdint>

// The one contact with power management: keep the system (and maybe the display) awake while
// the watched app works. The last flags are remembered so the tick can ask every second
// without calling the platform every second.
//
// Beside the execution state the request is also held as a power request object with a
// reason, which `powercfg /requests` shows; where the platform has no such objects (or
// refuses one), the execution state alone carries on.

constexpr uint32_t ES_FLAG_CONTINUOUS = 0x80000000u;
constexpr uint32_t ES_FLAG_SYSTEM_REQUIRED = 0x00000001u;
constexpr uint32_t ES_FLAG_DISPLAY_REQUIRED = 0x00000002u;

// POWER_REQUEST_TYPE values.
constexpr int32_t POWER_REQUEST_DISPLAY = 0;
constexpr int32_t POWER_REQUEST_SYSTEM = 1;
constexpr int32_t POWER_REQUEST_EXECUTION = 3;
constexpr int32_t POWER_REASON_CAPACITY = 160;

// PowerCreateRequest, PowerSetRequest, PowerClearRequest and closing the object. Any pointer
// may be null.
struct PowerReasonApi {
    void* context;
    void* (*create)(void* context, const char16_t* reason);  // null when refused or missing
    bool (*set)(void* context, void* request, int32_t type);
    bool (*clear)(void* context, void* request, int32_t type);
    void (*close)(void* context, void* request);
};

struct PowerRequest {
    uint32_t lastFlags;
    bool lastAccepted;
    // SetThreadExecutionState; returns 0 when the request is refused.
    uint32_t (*setExecutionState)(uint32_t flags);
    PowerReasonApi reason;
    void* reasonRequest;  // the object of the current watch, or null
    uint32_t reasonFlags; // the REASON_* kinds set on it
    // With modern standby the object also asks for execution while the system is held, so
    // Pellacord's own ticks go on once the screen is off. No execution-state flag matches it.
    bool executionRequired;
};

// The kinds of request set on the reason object.
constexpr uint32_t REASON_SYSTEM = ES_FLAG_SYSTEM_REQUIRED;
constexpr uint32_t REASON_DISPLAY = ES_FLAG_DISPLAY_REQUIRED;
constexpr uint32_t REASON_EXECUTION = 0x4;

// The initial state: no request held, the last call counted as accepted, no reason object.
PowerRequest MakePowerRequest(uint32_t (*setExecutionState)(uint32_t flags));

void SetPowerRequest(PowerRequest* request, bool hold, bool keepDisplayOn);
// Whether the reason object asks for execution too while the system is held.
void RequireExecution(PowerRequest* request, bool required);
void ReleasePowerRequest(PowerRequest* request);
// Sets the last flags again even though nothing changed: after the machine resumed.
void ReassertPowerRequest(PowerRequest* request);
bool PowerRequestAccepted(const PowerRequest* request);
// "held", "REFUSED" or "off", as the tick's log line reports the lock.
const char* LockStateName(const PowerRequest* request, bool wantsLock);

// Several watches each hold their own request, but a thread has one execution state: each
// watch's calls go to a slot, and the thread is asked for what all the slots together want, so
// one watch letting go never drops what another holds.
constexpr int32_t EXECUTION_SLOTS = 10;  // the window's watch, eight more and the hold
struct ExecutionStateMux {
    uint32_t slots[EXECUTION_SLOTS];  // each slot's last flags, 0 before its first call
    uint32_t (*apply)(uint32_t flags);  // SetThreadExecutionState
};
// A slot's new flags: the thread is asked for the union of every slot's, and what it returns
// is the answer.
uint32_t SetSlotExecutionState(ExecutionStateMux* mux, int32_t slot, uint32_t flags);

// The reason object for one watch: "Pellacord: watching <title>". Opening replaces any
// earlier one; closing clears what it holds first.
void FormatPowerReason(char16_t* out, const char16_t* title);
void OpenPowerReason(PowerRequest* request, const char16_t* title);
// The same with the whole reason given: "Pellacord: keeping awake for 2 h".
void OpenPowerReasonText(PowerRequest* request, const char16_t* reason);
void ClosePowerReason(PowerRequest* request);
