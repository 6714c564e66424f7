#pragma once
#include <cstdint>

// The keys the window and the list act on, by their virtual-key codes.

enum KeyCode : uint32_t {
    KEY_TAB = 0x09,
    KEY_RETURN = 0x0D,
    KEY_SPACE = 0x20,
    KEY_PAGE_UP = 0x21,
    KEY_PAGE_DOWN = 0x22,
    KEY_END = 0x23,
    KEY_HOME = 0x24,
    KEY_LEFT = 0x25,
    KEY_UP = 0x26,
    KEY_RIGHT = 0x27,
    KEY_DOWN = 0x28,
};
