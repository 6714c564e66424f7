#pragma once
#include <cstdint>

// "Start with Windows": the value "Pellacord" in the user's own Run key, whose text is this
// exe's quoted path and " --tray". It is written, overwritten or removed only when the user
// asks, and read to show the menu item checked.

// Windows takes a Run key command of at most 260 characters; a longer one is refused here
// rather than written for a start that may never happen.
constexpr int32_t AUTOSTART_COMMAND_CAPACITY = 261;

// The Win32 errors the portable side tells apart.
constexpr uint32_t AUTOSTART_ERROR_FILE_NOT_FOUND = 2;
constexpr uint32_t AUTOSTART_ERROR_INVALID_DATA = 13;
constexpr uint32_t AUTOSTART_ERROR_BAD_PATHNAME = 161;
constexpr uint32_t AUTOSTART_ERROR_FILENAME_EXCED_RANGE = 206;
constexpr uint32_t AUTOSTART_ERROR_MORE_DATA = 234;

// The value, each call returning 0 or a Win32 error.
struct AutostartRegistry {
    void* context;
    // 0 with `exists` false when neither the value nor the key is there; 0 with the text, always
    // terminated, its environment variables expanded; AUTOSTART_ERROR_MORE_DATA for a text
    // longer than a Run command can be or than `capacity` - 1 units,
    // AUTOSTART_ERROR_INVALID_DATA for a value that is not a string, or another error.
    uint32_t (*read)(void* context, bool* exists, char16_t* text, int32_t capacity);
    // Creates the key when it is missing; replaces a value of any type.
    uint32_t (*write)(void* context, const char16_t* text);
    // AUTOSTART_ERROR_FILE_NOT_FOUND when the value or the key is not there.
    uint32_t (*remove)(void* context);
};

// `"<exePath>" --tray`. False, and `out` empty, for an empty path, a path holding a quote, or a
// text that does not fit `capacity` units: a command cut short would start something else.
bool FormatAutostartCommand(char16_t* out, int32_t capacity, const char16_t* exePath);

// Whether "Start with Windows" shows checked: the value names this exe as its program, in any
// case, quoted or not. A value naming another copy (or this one before it was moved) leaves it
// unchecked, so that checking it points the value here; so does a value that cannot be read.
bool AutostartState(const AutostartRegistry* registry, const char16_t* exePath);

// Checked writes the command for this exe, over whatever the value held; unchecked removes the
// value, and a value already gone is success. 0, or the error: AUTOSTART_ERROR_BAD_PATHNAME or
// AUTOSTART_ERROR_FILENAME_EXCED_RANGE when no command can be made of `exePath`.
uint32_t SetAutostart(const AutostartRegistry* registry, const char16_t* exePath, bool on);
