#include "shell/RunConsole.h"

namespace {

// GetStdHandle answers 0 or INVALID_HANDLE_VALUE when there is no handle.
uintptr_t Usable(uintptr_t handle) {
    return handle == ~uintptr_t{0} ? 0 : handle;
}

}  // namespace

BorrowedConsole BorrowConsole(const ConsoleCalls* calls) {
    BorrowedConsole b = {};
    for (int32_t i = 0; i < STANDARD_HANDLE_COUNT; i++) {
        b.saved[i] = calls->get(calls->context, i);
    }
    b.attached = calls->attachParent(calls->context);
    return b;
}

ChildHandles ChildHandlesOf(const ConsoleCalls* calls, const BorrowedConsole* borrowed) {
    ChildHandles h = {};
    for (int32_t i = 0; i < STANDARD_HANDLE_COUNT; i++) {
        h.handles[i] = Usable(calls->get(calls->context, i));
    }
    h.noWindow = !borrowed->attached;
    return h;
}

void ReturnConsole(const ConsoleCalls* calls, const BorrowedConsole* borrowed) {
    if (!borrowed->attached) {
        return;
    }
    calls->freeConsole(calls->context);
    for (int32_t i = 0; i < STANDARD_HANDLE_COUNT; i++) {
        calls->set(calls->context, i, borrowed->saved[i]);
    }
}
