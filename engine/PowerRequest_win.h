#pragma once
#include "engine/PowerRequest.h"

#include <windows.h>

#include <cstdint>

// SetThreadExecutionState, for MakePowerRequest.
uint32_t SetExecutionStateWin(uint32_t flags);
// The same for the watch in slot `slot` of the program's one ExecutionStateMux: what the thread
// is asked for is what every watch's slot wants together.
using SetExecutionStateFn = uint32_t (*)(uint32_t flags);
SetExecutionStateFn ExecutionSlotWin(int32_t slot);

// PowerCreateRequest and its friends from kernel32, looked up at run time: systems without
// them, and Wine, which answers ERROR_CALL_NOT_IMPLEMENTED, give a request without a reason.
struct PowerReasonCalls {
    HANDLE(WINAPI* create)(REASON_CONTEXT*);
    BOOL(WINAPI* set)(HANDLE, POWER_REQUEST_TYPE);
    BOOL(WINAPI* clear)(HANDLE, POWER_REQUEST_TYPE);
};

PowerReasonApi WindowsPowerReasonApi(PowerReasonCalls* calls);
