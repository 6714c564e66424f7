#pragma once
#include "shell/CommandLine.h"
#include "shell/RulesFile_win.h"
#include "shell/RunLine.h"
#include "shell/SingleInstance_win.h"
#include "base/Owner_win.h"

#include <windows.h>

// What a copy of Pellacord does with its own command line before the program runs: it parses
// it, answers --help, --version and usage errors itself, starts a --run command, and hands any
// other command to a copy that runs already.

// What a --run looks up before it starts its command: the current folder, PATH, PATHEXT and
// the command processor.
struct RunEnvironment {
    wchar_t currentFolder[RUN_LINE_CAPACITY];
    wchar_t path[RUN_LINE_CAPACITY];
    wchar_t pathExt[1024];
    wchar_t comSpec[MAX_PATH];
};

struct Launch {
    Command command;                       // for a --run, the watch of the started process
    char16_t line[COMMAND_LINE_CAPACITY];  // what is handed over: the command line, or the --run as a watch
    UniqueHandle runThread;                // a --run's first thread, held until its watch has begun
    UniqueHandle runProcess;               // a --run's process, for its exit code
    UniqueHandle runJob;                   // the job it was started in, or none
    RunEnvironment environment;
    ResolvedRun run;                       // how the --run's command starts
    CommandArguments arguments;            // the line split, kept for the rewriting of a --run
    // The program's rules and their file, which --rule, --forget and --rules change or print
    // themselves when no copy runs; and where the executable is.
    RuleSet* rules;
    RulesFile* rulesFile;
    const wchar_t* exePath;
};

// Returns the exit code when this copy is done, or -1 when it is to run the program, holding
// the single-instance name in *mutex.
int32_t PrepareLaunch(Launch* launch, const wchar_t* commandLine, UniqueHandle* mutex);
// Lets a --run command go, once its watch has begun or could not begin.
void ReleaseRun(Launch* launch);
// Tells the user of a command why it failed.
void TellFailure(const Command* command, int32_t exitCode);
