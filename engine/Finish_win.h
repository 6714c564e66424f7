#pragma once
#include "engine/Finish.h"

#include <cstdint>

// Puts the PC to sleep, hibernates it or shuts it down. Returns 0 when Windows took the
// request, or the error. The shutdown privilege is enabled first: every one of them needs it.
uint32_t PerformFinishAction(FinishAction action);
