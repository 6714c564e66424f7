// The standing rules as the program holds them: the rules file read at start-up and saved on
// each change, the commands that add and forget rules, and the tray's items for them and for
// "Start with Windows".
#include "shell/Program_win.h"

#include "shell/Autostart_win.h"
#include "base/Format.h"
#include "base/Text.h"
#include "base/Wide_win.h"

void FillStartWithWindows(Program* p, TrayMenuModel* model) {
    const AutostartRegistry registry = WindowsAutostartRegistry();
    model->startWithWindows = AutostartState(&registry, AsUtf16(p->exePath));
    // Offered once there are rules to start with, and always while it is checked, so that it
    // can be taken back.
    model->offerStartWithWindows = p->rules.ruleCount > 0 || p->controller.trayResident || model->startWithWindows;
}

void ToggleStartWithWindows(Program* p) {
    const AutostartRegistry registry = WindowsAutostartRegistry();
    const bool on = !AutostartState(&registry, AsUtf16(p->exePath));
    const uint32_t error = SetAutostart(&registry, AsUtf16(p->exePath), on);
    char line[80];
    if (error != 0) {
        FormatText8(line, sizeof(line), "start with Windows could not be %s: error %u", on ? "set" : "removed", error);
    } else {
        FormatText8(line, sizeof(line), "start with Windows: %s", on ? "on" : "off");
    }
    WriteLogLine(&p->log, line);
}

namespace {

// The rules as the watches use them, in the set's order.
void ArmRules(Program* p) {
    static ArmedRule armed[RULES_MAX];  // zero-initialised: no guard
    const RuleSet* set = &p->ruleSet;
    for (int32_t i = 0; i < set->count; i++) {
        CopyWide(armed[i].image, set->rules[i].image, APP_IMAGE_CAPACITY);
        armed[i].options = set->rules[i].options;
        if (!set->rules[i].hasThen) {
            armed[i].options.then = FinishAction::None;
        }
    }
    SetRules(&p->controller, armed, set->count);
}

void LogRuleChange(Program* p, const char* prefix, const char16_t* image) {
    WriteLogLineWide(&p->log, prefix, AsWide(image));
}

int32_t ChangeRules(Program* p, const Command* command) {
    // The file as it is now: rules a person added or removed by hand since are kept.
    // A file that cannot be read now is not saved over this time, and read again next time.
    static RuleSet onDisk;  // zero-initialised: no guard
    onDisk = RuleSet{};
    RulesFile now = p->rulesFile;
    now.unreadable = false;
    uint32_t error = 0;
    int32_t code = 1;
    if (LoadRules(&onDisk, &now) == SettingsRead::Unreadable) {
        error = RULES_NOT_SAVED;
    } else {
        p->ruleSet = onDisk;
        p->rulesFile.unreadable = false;
        code = ApplyRuleCommand(&p->ruleSet, &p->rulesFile, command, &error);
    }
    if (code == EXIT_OK) {
        LogRuleChange(p, command->kind == CommandKind::Rule ? "rule saved: " : "rule forgotten: ", command->text);
        ArmRules(p);
    } else if (error != 0) {
        char line[80];
        FormatText8(line, sizeof(line), "the rules file could not be saved: error %u", error);
        WriteLogLine(&p->log, line);
    }
    return code;
}

}  // namespace

void LoadProgramRules(Program* p) {
    static_assert(RULES_MAX <= ARMED_IMAGES_MAX, "every rule is armed");
    OpenRulesFile(&p->rulesFile, p->exePath);
    p->ruleSet = RuleSet{};
    if (LoadRules(&p->ruleSet, &p->rulesFile) == SettingsRead::Unreadable) {
        WriteLogLine(&p->log, "rules file could not be read; rules will not be saved");
    }
    char line[80];
    if (p->ruleSet.skipped > 0) {
        FormatText8(line, sizeof(line), "rules: %d lines are not rules and were skipped", p->ruleSet.skipped);
        WriteLogLine(&p->log, line);
    }
    if (p->ruleSet.count > 0) {
        FormatText8(line, sizeof(line), "rules: %d armed", p->ruleSet.count);
        WriteLogLine(&p->log, line);
        ArmRules(p);
    }
}

int32_t RuleCommand(Program* p, const Command* command) {
    return ChangeRules(p, command);
}

void KeepRuleFromMenu(Program* p, uint32_t serial) {
    const WatchStatus* s = &p->watch.status;
    if (s->watchMode != WATCH_ON || s->watchSerial != serial || !s->watchedApp.imageName[0]) {
        return;
    }
    // The limits in force, each written out, so the rule stays what the user saw whatever the
    // sliders do later; the finished action chosen for this watch.
    static Command command;  // zero-initialised: no guard
    command = Command{};
    command.kind = CommandKind::Rule;
    CopyWide(command.text, s->watchedApp.imageName, COMMAND_TEXT_CAPACITY);
    for (int32_t row = 0; row < LIMIT_ROW_COUNT; row++) {
        command.options.hasLimit[row] = true;
        command.options.limit[row] = p->limits.rows[row].value;
    }
    command.options.hasGpu = p->limits.gpu != GPU_LIMIT_DEFAULT;
    command.options.gpu = p->limits.gpu;
    command.options.screen = p->keepDisplayOn;
    command.options.then = p->watch.finish.action;
    command.hasThen = p->watch.finish.action != FinishAction::None;
    (void)ChangeRules(p, &command);
}

void ForgetRuleFromMenu(Program* p, int32_t index) {
    // The menu lists the rules as they are armed: the image is taken from there.
    if (index < 0 || index >= p->rules.ruleCount) {
        return;
    }
    static Command command;  // zero-initialised: no guard
    command = Command{};
    command.kind = CommandKind::Forget;
    CopyWide(command.text, p->rules.rules[index].image, COMMAND_TEXT_CAPACITY);
    (void)ChangeRules(p, &command);
}
