#include "shell/Autostart.h"

#include "base/CaseFold.h"
#include "base/Text.h"

namespace {

constexpr char16_t TRAY_ARGUMENT[] = u" --tray";

// Windows file names never hold a quote; one here would end the quoted program early and make
// the rest of the path an argument.
bool UsablePath(const char16_t* exePath) {
    if (!exePath[0]) {
        return false;
    }
    for (const char16_t* p = exePath; *p; p++) {
        if (*p == u'"') {
            return false;
        }
    }
    return true;
}

// The program a command starts, as Windows reads it: the text between its opening quote and
// the next one, or, unquoted, up to the first blank. Both fit `capacity` when the command does.
void ProgramOf(const char16_t* command, char16_t* out, int32_t capacity) {
    while (*command == u' ' || *command == u'\t') {
        command++;
    }
    const bool quoted = *command == u'"';
    if (quoted) {
        command++;
    }
    int32_t n = 0;
    for (; n < capacity - 1 && command[n]; n++) {
        const char16_t c = command[n];
        if (quoted ? c == u'"' : (c == u' ' || c == u'\t')) {
            break;
        }
        out[n] = c;
    }
    out[n] = 0;
}

}  // namespace

bool FormatAutostartCommand(char16_t* out, int32_t capacity, const char16_t* exePath) {
    if (capacity <= 0) {
        return false;
    }
    out[0] = 0;
    if (!UsablePath(exePath)) {
        return false;
    }
    const int32_t pathLength = WideLength(exePath);
    const int32_t argumentLength = WideLength(TRAY_ARGUMENT);
    if (2 + pathLength + argumentLength + 1 > capacity) {
        return false;
    }
    out[0] = u'"';
    CopyWide(out + 1, exePath, pathLength + 1);
    out[1 + pathLength] = u'"';
    CopyWide(out + 2 + pathLength, TRAY_ARGUMENT, argumentLength + 1);
    return true;
}

bool AutostartState(const AutostartRegistry* registry, const char16_t* exePath) {
    char16_t command[AUTOSTART_COMMAND_CAPACITY];
    bool exists = false;
    if (!UsablePath(exePath) || registry->read(registry->context, &exists, command, AUTOSTART_COMMAND_CAPACITY) != 0 ||
        !exists) {
        return false;
    }
    char16_t program[AUTOSTART_COMMAND_CAPACITY];
    ProgramOf(command, program, AUTOSTART_COMMAND_CAPACITY);
    return EqualIgnoringCase(program, exePath);
}

uint32_t SetAutostart(const AutostartRegistry* registry, const char16_t* exePath, bool on) {
    if (!on) {
        const uint32_t error = registry->remove(registry->context);
        return error == AUTOSTART_ERROR_FILE_NOT_FOUND ? 0 : error;
    }
    if (!UsablePath(exePath)) {
        return AUTOSTART_ERROR_BAD_PATHNAME;
    }
    char16_t command[AUTOSTART_COMMAND_CAPACITY];
    if (!FormatAutostartCommand(command, AUTOSTART_COMMAND_CAPACITY, exePath)) {
        return AUTOSTART_ERROR_FILENAME_EXCED_RANGE;
    }
    return registry->write(registry->context, command);
}
