#pragma once
#include <cstdint>

// The slot of a process id in an open-addressed table of 2^bits slots: Knuth's multiplicative
// hash, which spreads the multiples of 4 that Windows gives out.
constexpr uint32_t PidSlot(uint32_t pid, int32_t bits) {
    return (pid * 2654435761u) >> (32 - bits);
}
