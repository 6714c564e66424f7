#include "shell/Commands.h"

#include "base/CaseFold.h"
#include "base/Format.h"
#include "base/Text.h"

int32_t ExecuteCommand(WatchController* c, const Command* command) {
    switch (command->kind) {
    case CommandKind::Watch:
        return WatchTarget(c, command->targetKind, command->pid, command->text, &command->options) ? EXIT_OK
                                                                                                   : EXIT_NOT_FOUND;
    case CommandKind::Release:
        // From a script, the window stays where it is; the watch ends as from the tray. With an
        // image, every watch of that image ends, the window's and the rules'.
        if (c->watch->status.watchMode == WATCH_ON &&
            (!command->text[0] || EqualIgnoringCase(c->watch->status.watchedApp.imageName, command->text))) {
            StopWatching(c, u"released by a command");
        }
        if (command->text[0]) {
            (void)ReleaseRuleWatches(c, command->text);
        } else {
            (void)EndKeepingAwake(c);
        }
        return EXIT_OK;
    case CommandKind::Hold: StartKeepingAwake(c, &command->hold); return EXIT_OK;
    case CommandKind::Start:
    case CommandKind::Show: ShowMainWindow(c); return EXIT_OK;
    case CommandKind::Exit: c->platform.exitProgram(c->platform.context, false); return EXIT_OK;
    case CommandKind::Run:  // started by the copy that was given it, and handed over as a watch
    case CommandKind::Rule:  // the program's rules and their file: carried out where they are kept
    case CommandKind::Forget:
    case CommandKind::Rules:
        return EXIT_USAGE;
    case CommandKind::Help:
    case CommandKind::Version: break;
    }
    return EXIT_OK;
}

void FormatCommandFailure(char16_t* out, int32_t capacity, const Command* command, int32_t exitCode) {
    if (exitCode == EXIT_USAGE) {
        CopyWide(out, command->error, capacity);
    } else if (exitCode == EXIT_NO_ANSWER) {
        CopyWide(out, u"the running copy of Pellacord did not answer", capacity);
    } else if ((command->kind == CommandKind::Rule || command->kind == CommandKind::Forget) &&
               exitCode != EXIT_NOT_FOUND) {
        CopyWide(out, u"the rules file could not be read or saved, or holds all the rules it can", capacity);
    } else if (exitCode != EXIT_NOT_FOUND) {
        CopyWide(out, u"", capacity);
    } else if (command->kind == CommandKind::Forget) {
        FormatText(out, capacity, u"there is no rule for %s", command->text);
    } else if (command->kind == CommandKind::Watch && command->targetKind == TargetKind::Pid) {
        FormatText(out, capacity, u"no process has the id %u", command->pid);
    } else if (command->kind == CommandKind::Watch && command->targetKind == TargetKind::Title) {
        FormatText(out, capacity, u"no open app's title contains \"%s\"", command->text);
    } else {
        FormatText(out, capacity, u"\"%s\" could not be watched", command->text);
    }
}
