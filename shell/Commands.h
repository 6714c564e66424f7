#pragma once
#include "shell/Controller.h"
#include "shell/CommandLine.h"

#include <cstdint>

// A command from a script, carried out by the copy of Pellacord that runs: the first copy
// for its own command line, or the running copy for one handed over by a second.

constexpr int32_t COMMAND_MESSAGE_CAPACITY = 192;

// Returns the exit code for the copy that was given the command.
int32_t ExecuteCommand(WatchController* c, const Command* command);

// What went wrong, for the console and the log: "no open app's title contains "Render"".
void FormatCommandFailure(char16_t* out, int32_t capacity, const Command* command, int32_t exitCode);
