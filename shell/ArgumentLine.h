#pragma once
#include <cstdint>

// A command line and its arguments, by the rules Windows programs split and quote them with.

// Splits a command line into arguments as Windows programs do (CommandLineToArgvW's rules:
// blanks separate, double quotes group, backslashes escape quotes). The first argument, the
// program's own name, ends at the first blank or at its closing quote. Returns the count, or
// -1 when the arguments or their text did not fit (what fitted is stored, always ended).
int32_t SplitCommandLine(const char16_t* line, char16_t* buffer, int32_t bufferCapacity, const char16_t** args,
                         int32_t argsCapacity);

// The arguments of a command line, after the program's name.
const char16_t* SkipProgramName(const char16_t* line);

// Joins arguments into a command line that SplitCommandLine splits back into the same
// arguments. Returns the length, or -1 when it does not fit.
int32_t JoinCommandLine(char16_t* out, int32_t capacity, const char16_t* const* args, int32_t count);
