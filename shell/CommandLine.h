#pragma once
#include "engine/Hold.h"
#include "engine/WatchOptions.h"
#include "shell/ArgumentLine.h"

#include <cstdint>

// The command line, for scripts and shortcuts:
//
//   Pellacord.exe [--watch TARGET | --run "COMMAND LINE"] [--cpu PERCENT] [--disk RATE] [--net RATE]
//                 [--mem PER_SECOND] [--wait DURATION] [--screen] [--then ACTION]
//   Pellacord.exe --release [IMAGE.exe] | --show | --exit | --help | --version | --tray
//   Pellacord.exe --rule IMAGE.exe [--cpu ...] [--disk ...] [--net ...] [--mem ...] [--wait ...]
//                 [--gpu ...] [--screen] [--then ACTION]
//   Pellacord.exe --forget IMAGE.exe | --rules
//   Pellacord.exe --for DURATION | --until HH:MM | --hold [--screen] [--then ACTION]
//
// A start without arguments is the program as it always was.

constexpr int32_t COMMAND_LINE_CAPACITY = 32768;  // the longest command line Windows passes
constexpr int32_t COMMAND_ARGUMENTS_MAX = 64;
constexpr int32_t COMMAND_TEXT_CAPACITY = 32768;  // a --run command line, as long as Windows takes, or a target
constexpr int32_t COMMAND_ERROR_CAPACITY = 256;

// Exit codes.
constexpr int32_t EXIT_OK = 0;
constexpr int32_t EXIT_USAGE = 2;
constexpr int32_t EXIT_NOT_FOUND = 3;
constexpr int32_t EXIT_NO_ANSWER = 4;

enum class CommandKind { Start, Watch, Run, Release, Show, Exit, Help, Version, Rule, Forget, Rules, Hold };

struct Command {
    CommandKind kind;
    TargetKind targetKind;                   // with Watch
    uint32_t pid;                            // TargetKind::Pid
    char16_t text[COMMAND_TEXT_CAPACITY];    // the image name, the title, or the --run command line; the
                                             // image of a Rule, a Forget, or a Release of one image
    WatchOptions options;                    // with Watch, Run and Rule
    HoldRequest hold;                        // with Hold, its --screen and --then too
    bool hasThen;
    bool tray;                               // a Start without the window: only the tray icon
    char16_t error[COMMAND_ERROR_CAPACITY];  // what was wrong, for a usage error
};

// The command line of a --run, for the running copy once the command has started: the same
// arguments, with "--run COMMAND" replaced by "--run-pid PID" (a watch of the process that
// ends with its tree, as the --run's own would). -1 when it does not fit.
int32_t RunAsWatchCommandLine(char16_t* out, int32_t capacity, const char16_t* const* args, int32_t count,
                              uint32_t pid);

// Parses the arguments after the program's name. Returns EXIT_OK, or EXIT_USAGE with the
// reason in `error`.
int32_t ParseCommand(const char16_t* const* args, int32_t count, const LimitTable* bounds, Command* out);

// A whole command line split into its arguments, the program's name first.
struct CommandArguments {
    char16_t text[COMMAND_LINE_CAPACITY];
    const char16_t* args[COMMAND_ARGUMENTS_MAX];
    int32_t count;  // 0 for an empty line
};

// Splits a whole command line and parses what follows the program's name, within the bounds
// of the limits' rows: what the first copy does with its own, and the running copy with one
// handed over. Returns EXIT_OK, or EXIT_USAGE with the reason in `error`.
int32_t ParseCommandLine(const char16_t* line, CommandArguments* arguments, Command* out);

// The values as the options take them, any of them with a fraction, rounded to the nearest
// whole unit: "20%", "12.5%" or "20" of one core (in permille); "1MB/s", "0.0625MB/s",
// "512KB/s", "100B/s", or a number in `bareUnit` bytes (bytes a second); "3000/s" or "3000"
// (faults a second); "45s", "10m", "1m30s", "1.5m" or "10", minutes (milliseconds). False for
// anything else.
bool ParsePercent(const char16_t* text, uint32_t* permille);
bool ParseByteRate(const char16_t* text, uint32_t bareUnit, uint32_t* bytesPerSecond);
bool ParseCountRate(const char16_t* text, uint32_t* perSecond);
bool ParseDuration(const char16_t* text, uint32_t* milliseconds);
// A hold's length, in hours and minutes, rounded to the minute: "30m", "2h", "1h30m", "1.5h",
// or "90", minutes. A local time of day, "07:30" or "7:30", in minutes from midnight.
bool ParseHoldLength(const char16_t* text, uint32_t* milliseconds);
bool ParseClockTime(const char16_t* text, uint32_t* minute);

// A rule's options as --rule takes them, only those given, each after a space: " --cpu 12.5%
// --wait 1m30s --then sleep". ParseCommand reads them back to the same options. The length.
int32_t FormatWatchOptions(char16_t* out, int32_t capacity, const WatchOptions* options, bool hasThen);

// The usage text, for --help and after a usage error.
extern const char16_t COMMAND_USAGE[];
