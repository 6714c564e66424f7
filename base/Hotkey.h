#pragma once
#include <cstdint>

// A global hotkey as the settings file holds it: "ctrl+alt+w", "win+shift+f9", or "none". In
// a setting, 0 stands for the default, Ctrl+Alt+W, so settings that start empty have it; any
// other combination packs its modifiers (the MOD_ flags RegisterHotKey takes) above its
// virtual-key code.

constexpr uint32_t HOTKEY_DEFAULT = 0;
constexpr uint32_t HOTKEY_NONE = 0xFFFFFFFFu;
constexpr uint32_t HOTKEY_ALT = 0x1;
constexpr uint32_t HOTKEY_CONTROL = 0x2;
constexpr uint32_t HOTKEY_SHIFT = 0x4;
constexpr uint32_t HOTKEY_WIN = 0x8;
constexpr int32_t HOTKEY_TEXT_CAPACITY = 32;

struct HotkeyKeys {
    uint32_t modifiers;  // HOTKEY_ flags
    uint32_t key;        // the virtual-key code: 'A' to 'Z', '0' to '9', 0x70 (F1) to 0x87 (F24); 0 for none
};

HotkeyKeys HotkeyKeysOf(uint32_t setting);
// The text, in any case, with blanks around it: a letter, digit or F1 to F24 after two or more
// of ctrl, alt, shift and win, not shift alone, so neither typing nor the combinations apps
// use (Ctrl+C, Alt+F4) are taken; or "none". False for anything else, and then `setting` is
// unchanged.
bool ParseHotkey(const char* text, uint32_t* setting);
// "ctrl+alt+w" as the file holds it, and "Ctrl+Alt+W" as the user reads it; "none" for none.
int32_t FormatHotkey(char* out, int32_t capacity, uint32_t setting);
int32_t FormatHotkeyName(char16_t* out, int32_t capacity, uint32_t setting);
