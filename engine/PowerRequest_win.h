#pragma once
#include "engine/PowerRequest.h"

#include <windows.h>

#include <cstdint>

// SetThreadExecutionState, for MakePowerRequest.
uint32_t SetExecutionStateWin(uint32_t flags);

// PowerCreateRequest and its friends from kernel32, looked up at run time: systems without
// them, and Wine, which answers ERROR_CALL_NOT_IMPLEMENTED, give a request without a reason.
struct PowerReasonCalls {
    HANDLE(WINAPI* create)(REASON_CONTEXT*);
    BOOL(WINAPI* set)(HANDLE, POWER_REQUEST_TYPE);
    BOOL(WINAPI* clear)(HANDLE, POWER_REQUEST_TYPE);
};

PowerReasonApi WindowsPowerReasonApi(PowerReasonCalls* calls);
