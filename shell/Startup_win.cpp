// Start-up in its fixed order (the command line, the log, the settings, the records, the window,
// the command the copy was started with), then the message loop and the exit code.
#include "shell/Startup_win.h"

#include "shell/Program_win.h"
#include "files/Log.h"
#include "shell/Dpi_win.h"
#include "shell/Theme_win.h"
#include "base/Format.h"
#include "base/Heap.h"
#include "base/Wide_win.h"


namespace {

// The monitor the window opens on: the one holding the middle of the primary work area.
HMONITOR StartMonitor(POINT* centre) {
    RECT work = WorkAreaOf(nullptr);
    *centre = POINT{(work.left + work.right) / 2, (work.top + work.bottom) / 2};
    return MonitorFromPoint(*centre, MONITOR_DEFAULTTOPRIMARY);
}

// The records, each after those it reads.
void StartRecords(Program* p) {
    ReadExecutablePath(p->exePath);
    p->log = MakeLogFile();
    OpenLog(&p->log, p->exePath);
    WriteLogLine(&p->log, LOG_SEPARATOR);
    WriteLogLine(&p->log, "Pellacord started");
    LoadTcpTableApi(&p->tcp);
    LoadGpuSource(&p->gpu);
    InitDpi(&p->kit);
    POINT centre;
    HMONITOR monitor = StartMonitor(&centre);
    p->kit.dpi = MonitorDpiAt(centre, p->kit.dpi);  // laid out for the monitor it opens on
    p->layout = LayoutFor(monitor, p->kit.dpi);
    LoadPalette(&p->palette);
    SetDefaultLimits(&p->limits);
    OpenSettingsFile(&p->settings, p->exePath);
    if (LoadSettings(&p->limits, &p->keepDisplayOn, &p->optional, &p->settings) == SettingsRead::Unreadable) {
        WriteLogLine(&p->log, "settings file could not be read; changes will not be saved");
    }

    InitWatch(&p->watch, &p->limits, &p->keepDisplayOn, ExecutionSlotWin(0));
    p->watch.power.reason = WindowsPowerReasonApi(&p->powerReasonCalls);
    for (int32_t k = 0; k < RULE_WATCHES_MAX; k++) {
        p->rules.slotStates[k] = ExecutionSlotWin(k + 1);
        p->rules.slots[k].watch.power = MakePowerRequest(p->rules.slotStates[k]);  // released at exit, used or not
    }
    p->rules.reason = p->watch.power.reason;
    p->hold.power = MakePowerRequest(ExecutionSlotWin(EXECUTION_SLOTS - 1));
    p->hold.power.reason = p->watch.power.reason;
    p->hold.readClock = ReadHoldClockWin;
    p->hold.delayUntil = DelayUntilWin;
    InitProcessPlatform(&p->sampler, &p->processQuery);
    if (p->launch.runJob) {
        WatchJob(&p->processQuery, p->launch.runJob.get(), p->launch.command.pid);
    }
    p->listView.selectedIndex = -1;
    p->controllerContext = WindowsControllerContext{.mainWindow = nullptr,
                                                    .listWindow = nullptr,
                                                    .log = &p->log,
                                                    .settings = &p->settings,
                                                    .imageNames = p->imageNames,
                                                    .pointer = &p->pointer,
                                                    .limits = &p->limits,
                                                    .tray = &p->tray,
                                                    .imageName = AsWide(FileNameOf(AsUtf16(p->exePath))),
                                                    .powerNotices = {}};
    p->controller = WatchController{.watch = &p->watch,
                                    .sampler = &p->sampler,
                                    .tcp = &p->tcp,
                                    .gpu = &p->gpu,
                                    .limits = &p->limits,
                                    .keepDisplayOn = &p->keepDisplayOn,
                                    .optional = &p->optional,
                                    .apps = &p->apps,
                                    .listView = &p->listView,
                                    .tray = &p->tray,
                                    .platform = WindowsControllerPlatform(&p->controllerContext),
                                    .rules = &p->rules,
                                    .hold = &p->hold};
    LogThresholds(&p->controller);
    InitPointerState(&p->pointer, &p->limits, &p->layout);
    p->pointerContext = PointerContext{&p->pointer, &p->layout, &p->limits, &p->watch.status};
    BOOL cues = FALSE;
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cues, 0);
    InitKeyboard(&p->keyboard, cues != FALSE);
}

// A start shows the window; a watch from a script starts in the tray, as one started by the
// button does, and commands other copies hand over meanwhile wait for it. EXIT_OK, or the
// command's failure.
int32_t StartWith(Program* p, const Command* command) {
    if (command->kind == CommandKind::Start && command->tray) {
        // In the tray, for the rules and the holds its menu offers, until "Exit".
        p->controller.trayResident = true;
        UpdateTray(&p->controller);
        return EXIT_OK;
    }
    if (command->kind == CommandKind::Start || command->kind == CommandKind::Show) {
        ShowWindow(p->mainWindow, SW_SHOW);
        UpdateWindow(p->mainWindow);
        return EXIT_OK;
    }
    p->commands.running = true;
    int32_t code = RunCommand(p, command, AsUtf16(GetCommandLineW()));
    p->commands.running = false;
    ReleaseRun(&p->launch);
    if (code != EXIT_OK) {
        TellFailure(command, code);
    }
    return code;
}

// A copy that ran a command and ends because the command's work is finished answers with the
// command's own exit code, as a script that waits for it expects.
int ExitCodeOf(const Program* p) {
    DWORD code = 0;
    if (p->exitForWork && p->launch.runProcess && GetExitCodeProcess(p->launch.runProcess.get(), &code) &&
        code != STILL_ACTIVE) {
        return static_cast<int>(code);
    }
    return 0;
}

}  // namespace

int RunPellacord(HINSTANCE instance) {
    // Large, and held until the loop is over: the windows and the accessible objects point into it.
    struct Held {
        Program* program;
        ~Held() { FreeOnHeap(program); }
    } held = {MakeOnHeap<Program>()};
    Program* p = held.program;
    if (!p) {
        return 1;
    }
    p->instance = instance;
    ReadExecutablePath(p->exePath);
    p->launch.rules = &p->ruleSet;
    p->launch.rulesFile = &p->rulesFile;
    p->launch.exePath = p->exePath;
    int32_t launched = PrepareLaunch(&p->launch, GetCommandLineW(), &p->instanceMutex);
    if (launched >= 0) {
        return launched;
    }
    StartRecords(p);
    if (!CreateMainWindow(p)) {
        char line[64];
        FormatText8(line, sizeof(line), "the window could not be made: error %u",
                    static_cast<uint32_t>(GetLastError()));
        WriteLogLine(&p->log, line);
        ReleaseRun(&p->launch);  // a --run's command goes on, unwatched, rather than waiting for ever
        CloseLog(&p->log);
        FreeProcessPlatform(&p->processQuery);
        UnloadTcpTableApi(&p->tcp);
        return 1;
    }
    RefreshAppList(&p->controller);
    LoadProgramRules(p);
    RegisterProgramHotkey(p);
    int32_t code = StartWith(p, &p->launch.command);
    if (code != EXIT_OK) {
        DestroyWindow(p->mainWindow);
        return code;
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return ExitCodeOf(p);
}
