#include "shell/Launch_win.h"

#include "shell/Commands.h"
#include "shell/Console_win.h"
#include "shell/Version_win.h"
#include "shell/Wide_win.h"
#include "ui/Format.h"

namespace {

constexpr int32_t TELL_CAPACITY = COMMAND_MESSAGE_CAPACITY + 96;

// The split arguments, kept for the rewriting of a --run.
CommandArguments g_arguments;

void TellUsageError(const Command* command) {
    char16_t text[TELL_CAPACITY];
    FormatText(text, TELL_CAPACITY, u"Pellacord: %s\r\nRun \"Pellacord.exe --help\" to see the options.\r\n",
               command->error);
    TellUser(text, true);
}

// Console programs share the console the command came from, and the files a script
// redirected into: a build's output goes where the script said.
bool StartRun(Launch* launch, uint32_t* error) {
    static wchar_t commandLine[COMMAND_TEXT_CAPACITY];
    CopyWide(AsUtf16(commandLine), launch->command.text, COMMAND_TEXT_CAPACITY);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    bool redirected = (out && out != INVALID_HANDLE_VALUE) || (err && err != INVALID_HANDLE_VALUE);
    bool borrowed = false;
    if (redirected) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in;
        startup.hStdOutput = out;
        startup.hStdError = err;
    } else {
        borrowed = BorrowParentConsole();
    }
    PROCESS_INFORMATION started = {};
    BOOL ok = CreateProcessW(nullptr, commandLine, nullptr, nullptr, redirected ? TRUE : FALSE, CREATE_SUSPENDED,
                             nullptr, nullptr, &startup, &started);
    *error = ok ? 0 : GetLastError();
    if (borrowed) {
        ReturnParentConsole();
    }
    if (!ok) {
        return false;
    }
    CloseHandle(started.hProcess);
    launch->runThread = started.hThread;
    launch->command.kind = CommandKind::Watch;
    launch->command.targetKind = TargetKind::Pid;
    launch->command.pid = started.dwProcessId;
    return true;
}

}  // namespace

void ReleaseRun(Launch* launch) {
    if (launch->runThread) {
        ResumeThread(launch->runThread);
        CloseHandle(launch->runThread);
        launch->runThread = nullptr;
    }
}

void TellFailure(const Command* command, int32_t exitCode) {
    char16_t reason[COMMAND_MESSAGE_CAPACITY];
    FormatCommandFailure(reason, COMMAND_MESSAGE_CAPACITY, command, exitCode);
    char16_t text[TELL_CAPACITY];
    FormatText(text, TELL_CAPACITY, u"Pellacord: %s\r\n", reason);
    TellUser(text, true);
}

int32_t PrepareLaunch(Launch* launch, const wchar_t* commandLine, HANDLE* mutex) {
    Command* command = &launch->command;
    int32_t code = ParseCommandLine(AsUtf16(commandLine), &g_arguments, command);
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
    CopyWide(launch->line, AsUtf16(commandLine), COMMAND_LINE_CAPACITY);
    if (command->kind == CommandKind::Run) {
        uint32_t error = 0;
        if (!StartRun(launch, &error)) {
            char16_t text[TELL_CAPACITY + COMMAND_TEXT_CAPACITY];
            FormatText(text, TELL_CAPACITY + COMMAND_TEXT_CAPACITY, u"Pellacord: could not start \"%s\": error %u\r\n",
                       command->text, error);
            TellUser(text, true);
            return EXIT_NOT_FOUND;
        }
        if (RunAsWatchCommandLine(launch->line, COMMAND_LINE_CAPACITY, g_arguments.args, g_arguments.count,
                                  command->pid) < 0) {
            launch->line[0] = 0;  // cannot be: it is shorter than the line it came from
        }
    }

    HWND first = nullptr;
    InstanceRole role = ClaimInstance(mutex, &first);
    if (role == InstanceRole::First) {
        if (command->kind == CommandKind::Release || command->kind == CommandKind::Exit) {
            CloseHandle(*mutex);  // nothing runs, so nothing is watched: done
            *mutex = nullptr;
            return EXIT_OK;
        }
        return -1;
    }
    if (command->kind == CommandKind::Start) {
        if (role == InstanceRole::Squatted) {
            MessageBoxW(nullptr,
                        L"Another program holds Pellacord's single-instance name, so Pellacord cannot start.\n\n"
                        L"If Pellacord is already running, it is not answering.",
                        L"Pellacord", MB_OK | MB_ICONWARNING);
            return 1;
        }
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
    }
    return code;
}
