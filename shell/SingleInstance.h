#pragma once
#include "shell/Messages.h"

#include <cstdint>

// What the single-instance name says about other copies, and the messages a copy at a higher
// integrity level lets through from the copies that hand it their commands.

constexpr uint32_t MESSAGE_COPYDATA = 0x004A;  // WM_COPYDATA: a command handed over
constexpr uint32_t NAME_ERROR_ACCESS_DENIED = 5;
constexpr uint32_t NAME_ERROR_ALREADY_EXISTS = 183;

enum class NameClaim {
    Held,         // this copy holds the name
    Taken,        // another copy holds it, elevated or not
    Unavailable,  // no name could be made: the copy runs without one
};

// CreateMutexW's result: a handle or none, and the last error after it. A copy running as
// administrator creates the name with a security descriptor a normal copy may not open, which
// gives the normal copy no handle and ERROR_ACCESS_DENIED.
NameClaim ClassifyNameClaim(bool gotHandle, uint32_t lastError);

// User Interface Privilege Isolation drops WM_COPYDATA, WM_SHOW_EXISTING and registered messages
// ("TaskbarCreated") sent to an elevated window from a lower integrity level. An elevated copy
// lets exactly these through; a copy that is not elevated changes nothing.
struct MessageFilterCalls {
    void* context;
    bool (*elevated)(void* context);
    bool (*allow)(void* context, uint32_t message);
};
void OpenToOtherCopies(const MessageFilterCalls* calls, uint32_t taskbarCreatedMessage);
