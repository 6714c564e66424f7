// Commands from scripts: this copy's own, and those other copies hand over, carried out one at
// a time and answered with their exit codes.
#include "shell/Program_win.h"

#include "shell/Commands.h"
#include "base/Wide_win.h"

namespace {

// A command another copy handed over, carried out once those before it are done.
int32_t CarryOutHandedCommand(void* context, const char16_t* line, CommandArguments* arguments, Command* command) {
    Program* p = static_cast<Program*>(context);
    if (ParseCommandLine(line, arguments, command) != EXIT_OK || arguments->count < 1 ||
        command->kind == CommandKind::Run || command->kind == CommandKind::Help ||
        command->kind == CommandKind::Version || command->kind == CommandKind::Rules) {
        WriteLogLineWide(&p->log, "command refused: ", AsWide(SkipProgramName(line)));
        return EXIT_USAGE;
    }
    return RunCommand(p, command, line);
}

void AnswerCommand(void*, uint32_t replyThread, int32_t code) {
    PostThreadMessageW(replyThread, WM_COMMAND_ANSWER, static_cast<WPARAM>(code), 0);
}

}  // namespace

int32_t RunCommand(Program* p, const Command* command, const char16_t* line) {
    WriteLogLineWide(&p->log, "command: ", AsWide(SkipProgramName(line)));
    const bool rule = command->kind == CommandKind::Rule || command->kind == CommandKind::Forget;
    int32_t code = rule ? RuleCommand(p, command) : ExecuteCommand(&p->controller, command);
    if (code != EXIT_OK) {
        char16_t reason[COMMAND_MESSAGE_CAPACITY];
        FormatCommandFailure(reason, COMMAND_MESSAGE_CAPACITY, command, code);
        WriteLogLineWide(&p->log, "  command failed: ", AsWide(reason));
    }
    return code;
}

void RunHandedCommands(Program* p) {
    const CommandRunner runner = {.context = p, .carryOut = CarryOutHandedCommand, .answer = AnswerCommand};
    RunQueuedCommands(&p->commands, &runner);
}

LRESULT QueueHandedCommand(Program* p, const COPYDATASTRUCT* data) {
    if (!data || data->dwData != COMMAND_DATA_TAG) {
        return EXIT_USAGE;
    }
    switch (QueueCommand(&p->commands, data->lpData, data->cbData)) {
    case Queued::Yes: PostMessageW(p->mainWindow, WM_RUN_COMMANDS, 0, 0); return COMMAND_QUEUED;
    case Queued::Full: return EXIT_NO_ANSWER;
    case Queued::Refused: break;
    }
    return EXIT_USAGE;
}
