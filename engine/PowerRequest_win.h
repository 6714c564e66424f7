#pragma once
#include <cstdint>

// SetThreadExecutionState, for MakePowerRequest.
uint32_t SetExecutionStateWin(uint32_t flags);
