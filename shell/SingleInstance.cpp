#include "shell/SingleInstance.h"

NameClaim ClassifyNameClaim(bool gotHandle, uint32_t lastError) {
    if (gotHandle) {
        return lastError == NAME_ERROR_ALREADY_EXISTS ? NameClaim::Taken : NameClaim::Held;
    }
    return lastError == NAME_ERROR_ACCESS_DENIED ? NameClaim::Taken : NameClaim::Unavailable;
}

void OpenToOtherCopies(const MessageFilterCalls* calls, uint32_t taskbarCreatedMessage) {
    if (!calls->elevated(calls->context)) {
        return;
    }
    (void)calls->allow(calls->context, MESSAGE_COPYDATA);  // refused: the messages stay blocked, as before
    (void)calls->allow(calls->context, WM_SHOW_EXISTING);
    if (taskbarCreatedMessage != 0) {
        (void)calls->allow(calls->context, taskbarCreatedMessage);
    }
}
