#pragma once
#include <cstdint>

// The program's own window messages, WM_APP + n, in one list so that no two share a number.

constexpr uint32_t PRIVATE_MESSAGE_FIRST = 0x8000;  // WM_APP

enum PrivateMessage : uint32_t {
    // The tray icon's mouse and keys.
    WM_TRAY_CALLBACK = PRIVATE_MESSAGE_FIRST + 1,
    // A second copy started without arguments asks the first to show itself.
    WM_SHOW_EXISTING = PRIVATE_MESSAGE_FIRST + 2,
    // Ends the program once the message at hand is handled; wParam set: because the watched
    // work is finished.
    WM_EXIT_PROGRAM = PRIVATE_MESSAGE_FIRST + 3,
    // An accessible object's default action, posted so the reader's call returns first: the
    // child id, or minus the row of the list.
    WM_ACCESSIBLE_ACTION = PRIVATE_MESSAGE_FIRST + 4,
    // A command was handed over: the queued commands are carried out.
    WM_RUN_COMMANDS = PRIVATE_MESSAGE_FIRST + 5,
    // The running copy's answer, posted to the thread of the copy that handed a command over:
    // the exit code in wParam.
    WM_COMMAND_ANSWER = PRIVATE_MESSAGE_FIRST + 6,
};
