#include "shell/Launch_win.h"

#include "shell/Commands.h"
#include "shell/Console_win.h"
#include "shell/Version_win.h"
#include "base/Wide_win.h"
#include "base/Format.h"
#include "base/Text.h"

namespace {

constexpr int32_t TELL_CAPACITY = COMMAND_MESSAGE_CAPACITY + 96;

void TellUsageError(const Command* command) {
    char16_t text[TELL_CAPACITY];
    FormatText(text, TELL_CAPACITY, u"Pellacord: %s\r\nRun \"Pellacord.exe --help\" to see the options.\r\n",
               command->error);
    TellUser(text, true);
}

// Where the file `name` is: within `folder`, or the current folder when `folder` is null and
// `name` is a path. SearchPathW is given the folder itself, so no search order of the system's
// (which begins with Pellacord's own folder) comes into it. Folders do not count.
bool FindFile(void* context, const char16_t* folder, const char16_t* name, char16_t* out, int32_t capacity) {
    const auto* e = static_cast<const RunEnvironment*>(context);
    DWORD n = SearchPathW(folder ? AsWide(folder) : e->currentFolder, AsWide(name), nullptr,
                          static_cast<DWORD>(capacity), AsWide(out), nullptr);
    if (n == 0 || n >= static_cast<DWORD>(capacity)) {
        return false;
    }
    DWORD attributes = GetFileAttributesW(AsWide(out));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void ReadVariable(const wchar_t* name, wchar_t* out, DWORD capacity) {
    DWORD n = GetEnvironmentVariableW(name, out, capacity);
    if (n == 0 || n >= capacity) {
        out[0] = 0;
    }
}

RunSearch ReadRunEnvironment(RunEnvironment* e) {
    DWORD n = GetCurrentDirectoryW(RUN_LINE_CAPACITY, e->currentFolder);
    if (n == 0 || n >= RUN_LINE_CAPACITY) {
        e->currentFolder[0] = 0;
    }
    ReadVariable(L"PATH", e->path, RUN_LINE_CAPACITY);
    ReadVariable(L"PATHEXT", e->pathExt, 1024);
    ReadVariable(L"ComSpec", e->comSpec, MAX_PATH);
    if (!e->comSpec[0]) {
        UINT length = GetSystemDirectoryW(e->comSpec, MAX_PATH - 8);
        e->comSpec[length > 0 && length < MAX_PATH - 8 ? length : 0] = 0;
        lstrcatW(e->comSpec, L"\\cmd.exe");
    }
    return RunSearch{e, FindFile, AsUtf16(e->currentFolder), AsUtf16(e->path), AsUtf16(e->pathExt),
                     AsUtf16(e->comSpec)};
}

// An inheritable copy of a standard handle for the child, or null.
HANDLE Inheritable(uintptr_t handle) {
    HANDLE copy = nullptr;
    if (handle && !DuplicateHandle(GetCurrentProcess(), reinterpret_cast<HANDLE>(handle), GetCurrentProcess(), &copy,
                                   0, TRUE, DUPLICATE_SAME_ACCESS)) {
        copy = nullptr;
    }
    return copy;
}

// Console programs share the console the command came from, and the files a script
// redirected into: a build's output goes where the script said. Started suspended, so it is
// watched from its first instruction.
bool StartRun(Launch* launch, uint32_t* error) {
    const ConsoleCalls console = WindowsConsoleCalls();
    BorrowedConsole borrowed = BorrowConsole(&console);
    ChildHandles standard = ChildHandlesOf(&console, &borrowed);
    UniqueHandle handles[STANDARD_HANDLE_COUNT];
    for (int32_t i = 0; i < STANDARD_HANDLE_COUNT; i++) {
        handles[i].Reset(Inheritable(standard.handles[i]));
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = handles[0].get();
    startup.hStdOutput = handles[1].get();
    startup.hStdError = handles[2].get();
    PROCESS_INFORMATION started = {};
    const DWORD flags = CREATE_SUSPENDED | (standard.noWindow ? CREATE_NO_WINDOW : 0);
    BOOL ok = CreateProcessW(AsWide(launch->run.application), AsWide(launch->run.commandLine), nullptr, nullptr, TRUE,
                             flags, nullptr, nullptr, &startup, &started);
    *error = ok ? 0 : GetLastError();
    for (UniqueHandle& h : handles) {
        h.Reset();  // the child has its copies
    }
    ReturnConsole(&console, &borrowed);
    if (!ok) {
        return false;
    }
    // In a job before its first instruction, every process it starts is found, whatever becomes
    // of its parent, and the work of those that end between two ticks is counted. Jobs nest
    // from Windows 8 on; where none can be made, the tree of parents is watched alone. No
    // kill-on-close: Pellacord's own exit never ends the command.
    launch->runJob.Reset(CreateJobObjectW(nullptr, nullptr));
    if (launch->runJob && !AssignProcessToJobObject(launch->runJob.get(), started.hProcess)) {
        launch->runJob.Reset();
    }
    launch->runProcess.Reset(started.hProcess);
    launch->runThread.Reset(started.hThread);
    launch->command.kind = CommandKind::Watch;
    launch->command.targetKind = TargetKind::Pid;
    launch->command.pid = started.dwProcessId;
    launch->command.options.untilTreeEnds = true;
    return true;
}

// A usage error of --run: the program's path holds a blank and must be quoted.
void TellToQuote(const char16_t* quoted) {
    // The line as it goes on a command line, each of its quotes escaped.
    constexpr int32_t CAPACITY = TELL_CAPACITY + 2 * COMMAND_TEXT_CAPACITY;
    char16_t escaped[2 * COMMAND_TEXT_CAPACITY];
    int32_t n = 0;
    for (const char16_t* p = quoted; *p && n < 2 * COMMAND_TEXT_CAPACITY - 2; p++) {
        if (*p == u'"') {
            escaped[n++] = u'\\';
        }
        escaped[n++] = *p;
    }
    escaped[n] = 0;
    char16_t text[CAPACITY];
    FormatText(text, CAPACITY,
               u"Pellacord: the program's path holds a blank, so quote it: --run \"%s\"\r\n"
               u"Run \"Pellacord.exe --help\" to see the options.\r\n",
               escaped);
    TellUser(text, true);
}

// --rules: the rules file's rules, one a line, as they are written there. Read here whether or
// not a copy runs: the running copy saves every change it takes.
int32_t PrintRules(Launch* launch) {
    OpenRulesFile(launch->rulesFile, launch->exePath);
    if (LoadRules(launch->rules, launch->rulesFile) == SettingsRead::Unreadable) {
        TellUser(u"Pellacord: the rules file could not be read\r\n", true);
        return 1;
    }
    for (int32_t i = 0; i < launch->rules->count; i++) {
        char16_t line[RULE_LINE_CAPACITY + 4];
        const int32_t n = FormatRuleLine(line, RULE_LINE_CAPACITY, &launch->rules->rules[i]);
        FormatText(line + n, RULE_LINE_CAPACITY + 4 - n, u"\r\n");
        TellUser(line, false);
    }
    return EXIT_OK;
}

// What a script is told once a rule is saved or forgotten, by this copy or the running one.
void TellRuleDone(const Command* command) {
    char16_t text[APP_IMAGE_CAPACITY + 32];
    FormatText(text, APP_IMAGE_CAPACITY + 32, u"rule %s: %s\r\n",
               command->kind == CommandKind::Rule ? u"saved" : u"forgotten", command->text);
    TellUser(text, false);
}

// --rule or --forget with no copy running: the file is changed, and nothing starts.
int32_t ChangeRulesFile(Launch* launch) {
    const Command* command = &launch->command;
    OpenRulesFile(launch->rulesFile, launch->exePath);
    uint32_t error = 0;
    int32_t code = LoadRules(launch->rules, launch->rulesFile) == SettingsRead::Unreadable
                       ? 1
                       : ApplyRuleCommand(launch->rules, launch->rulesFile, command, &error);
    if (code == EXIT_OK) {
        TellRuleDone(command);
    } else if (code == EXIT_NOT_FOUND) {
        TellFailure(command, code);
    } else {
        char16_t text[96];
        if (error != 0) {
            FormatText(text, 96, u"Pellacord: the rules file could not be saved: error %u\r\n", error);
        } else {
            FormatText(text, 96, u"Pellacord: the rules file could not be read, or holds %d rules already\r\n",
                       RULES_MAX);
        }
        TellUser(text, true);
    }
    return code;
}

}  // namespace

void ReleaseRun(Launch* launch) {
    if (launch->runThread) {
        ResumeThread(launch->runThread.get());
        launch->runThread.Reset();
    }
}

void TellFailure(const Command* command, int32_t exitCode) {
    char16_t reason[COMMAND_MESSAGE_CAPACITY];
    FormatCommandFailure(reason, COMMAND_MESSAGE_CAPACITY, command, exitCode);
    char16_t text[TELL_CAPACITY];
    FormatText(text, TELL_CAPACITY, u"Pellacord: %s\r\n", reason);
    TellUser(text, true);
}

int32_t PrepareLaunch(Launch* launch, const wchar_t* commandLine, UniqueHandle* mutex) {
    Command* command = &launch->command;
    int32_t code = ParseCommandLine(AsUtf16(commandLine), &launch->arguments, command);
    if (code != EXIT_OK) {
        TellUsageError(command);  // and nothing else: no window, no log, no file touched
        return code;
    }
    if (command->kind == CommandKind::Help) {
        TellUser(COMMAND_USAGE, false);
        return EXIT_OK;
    }
    if (command->kind == CommandKind::Version) {
        char16_t version[32] = u"?";
        FormatOwnVersion(version, 32);
        char16_t text[48];
        FormatText(text, 48, u"Pellacord %s\r\n", version);
        TellUser(text, false);
        return EXIT_OK;
    }
    if (command->kind == CommandKind::Rules) {
        return PrintRules(launch);
    }
    CopyWide(launch->line, AsUtf16(commandLine), COMMAND_LINE_CAPACITY);
    if (command->kind == CommandKind::Run) {
        RunSearch search = ReadRunEnvironment(&launch->environment);
        ResolveRunLine(command->text, &search, &launch->run);
        if (launch->run.outcome == RunStart::NeedsQuotes) {
            TellToQuote(launch->run.quoted);
            return EXIT_USAGE;
        }
        uint32_t error = ERROR_FILE_NOT_FOUND;
        if (launch->run.outcome != RunStart::Ready || !StartRun(launch, &error)) {
            char16_t text[TELL_CAPACITY + COMMAND_TEXT_CAPACITY];
            FormatText(text, TELL_CAPACITY + COMMAND_TEXT_CAPACITY, u"Pellacord: could not start \"%s\": error %u\r\n",
                       command->text, error);
            TellUser(text, true);
            return EXIT_NOT_FOUND;
        }
        if (RunAsWatchCommandLine(launch->line, COMMAND_LINE_CAPACITY, launch->arguments.args, launch->arguments.count,
                                  command->pid) < 0) {
            launch->line[0] = 0;  // cannot be: it is shorter than the line it came from
        }
    }

    HWND first = nullptr;
    InstanceRole role = ClaimInstance(mutex, &first);
    if (role == InstanceRole::First) {
        if (command->kind == CommandKind::Release || command->kind == CommandKind::Exit) {
            mutex->Reset();  // nothing runs, so nothing is watched: done
            return EXIT_OK;
        }
        if (command->kind == CommandKind::Rule || command->kind == CommandKind::Forget) {
            code = ChangeRulesFile(launch);
            mutex->Reset();
            return code;
        }
        return -1;
    }
    if (command->kind == CommandKind::Start && command->tray) {
        return EXIT_OK;  // a start in the tray finds Pellacord running already: nothing to do
    }
    if (command->kind == CommandKind::Start) {
        if (role == InstanceRole::Squatted) {
            MessageBoxW(nullptr,
                        L"Another program holds Pellacord's single-instance name, so Pellacord cannot start.\n\n"
                        L"If Pellacord is already running, it is not answering.",
                        L"Pellacord", MB_OK | MB_ICONWARNING);
            return 1;
        }
        // Only the foreground process may hand the foreground on: without this the first
        // copy's window would flash in the taskbar instead of coming forward.
        DWORD firstPid = 0;
        GetWindowThreadProcessId(first, &firstPid);
        AllowSetForegroundWindow(firstPid);
        PostMessageW(first, WM_SHOW_EXISTING, 0, 0);
        SetForegroundWindow(first);
        return EXIT_OK;
    }
    code = role == InstanceRole::Second ? SendCommandLine(first, launch->line) : -1;
    ReleaseRun(launch);
    if (code < 0) {
        code = EXIT_NO_ANSWER;
    }
    if (code != EXIT_OK) {
        TellFailure(command, code);
    } else if (command->kind == CommandKind::Rule || command->kind == CommandKind::Forget) {
        TellRuleDone(command);
    }
    return code;
}
