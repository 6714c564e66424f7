#pragma once
#include <cstdint>

// Processes by name and by id, for watches named by scripts. Both read one Toolhelp snapshot,
// which lists every process of the session whatever its rights.

// The oldest running process of the image name (any case); 0 when none runs.
uint32_t FindOldestProcess(const char16_t* imageName);
// The image name of a running process; false when no process has that id.
bool ReadProcessImage(uint32_t pid, char16_t* imageName, int32_t capacity);
