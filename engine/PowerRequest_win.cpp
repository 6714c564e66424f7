#include "engine/PowerRequest_win.h"

#include "base/SystemLibrary_win.h"
#include "base/Wide_win.h"

#include <windows.h>

// The portable flags are Windows' own.
static_assert(ES_FLAG_CONTINUOUS == ES_CONTINUOUS, "EXECUTION_STATE");
static_assert(ES_FLAG_SYSTEM_REQUIRED == ES_SYSTEM_REQUIRED, "EXECUTION_STATE");
static_assert(ES_FLAG_DISPLAY_REQUIRED == ES_DISPLAY_REQUIRED, "EXECUTION_STATE");

uint32_t SetExecutionStateWin(uint32_t flags) {
    return SetThreadExecutionState(flags);
}

namespace {

// Constant-initialised: no start-up code, and no guard.
ExecutionStateMux g_mux = {{}, SetExecutionStateWin};

template <int32_t SLOT>
uint32_t SetSlot(uint32_t flags) {
    return SetSlotExecutionState(&g_mux, SLOT, flags);
}

constexpr SetExecutionStateFn SLOT_CALLS[EXECUTION_SLOTS] = {SetSlot<0>, SetSlot<1>, SetSlot<2>, SetSlot<3>,
                                                             SetSlot<4>, SetSlot<5>, SetSlot<6>, SetSlot<7>,
                                                             SetSlot<8>, SetSlot<9>};

}  // namespace

SetExecutionStateFn ExecutionSlotWin(int32_t slot) {
    return slot >= 0 && slot < EXECUTION_SLOTS ? SLOT_CALLS[slot] : SetExecutionStateWin;
}

namespace {

PowerReasonCalls* Calls(void* context) {
    return static_cast<PowerReasonCalls*>(context);
}

void* Create(void* context, const char16_t* text) {
    if (!Calls(context)->create) {
        return nullptr;
    }
    REASON_CONTEXT reason = {};
    reason.Version = POWER_REQUEST_CONTEXT_VERSION;
    reason.Flags = POWER_REQUEST_CONTEXT_SIMPLE_STRING;
    reason.Reason.SimpleReasonString = const_cast<wchar_t*>(AsWide(text));
    HANDLE request = Calls(context)->create(&reason);
    return request == INVALID_HANDLE_VALUE ? nullptr : request;
}

bool Set(void* context, void* request, int32_t type) {
    return Calls(context)->set && Calls(context)->set(static_cast<HANDLE>(request), static_cast<POWER_REQUEST_TYPE>(type));
}

bool Clear(void* context, void* request, int32_t type) {
    return Calls(context)->clear && Calls(context)->clear(static_cast<HANDLE>(request), static_cast<POWER_REQUEST_TYPE>(type));
}

void Close(void*, void* request) {
    CloseHandle(static_cast<HANDLE>(request));
}

}  // namespace

static_assert(PowerRequestDisplayRequired == POWER_REQUEST_DISPLAY, "POWER_REQUEST_TYPE");
static_assert(PowerRequestSystemRequired == POWER_REQUEST_SYSTEM, "POWER_REQUEST_TYPE");
static_assert(PowerRequestExecutionRequired == POWER_REQUEST_EXECUTION, "POWER_REQUEST_TYPE");

PowerReasonApi WindowsPowerReasonApi(PowerReasonCalls* calls) {
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    calls->create = LibraryFunction<decltype(calls->create)>(kernel32, "PowerCreateRequest");
    calls->set = LibraryFunction<decltype(calls->set)>(kernel32, "PowerSetRequest");
    calls->clear = LibraryFunction<decltype(calls->clear)>(kernel32, "PowerClearRequest");
    return PowerReasonApi{.context = calls, .create = Create, .set = Set, .clear = Clear, .close = Close};
}
