#include "shell/MainWindow_win.h"

#include "shell/Controller.h"
#include "engine/PowerRequest_win.h"
#include "engine/Sampler_win.h"
#include "files/Log.h"
#include "files/Log_win.h"
#include "files/Settings_win.h"
#include "shell/Commands.h"
#include "shell/ControllerPlatform_win.h"
#include "shell/IconPainter.h"
#include "shell/IconPainter_win.h"
#include "shell/Dpi_win.h"
#include "shell/Launch_win.h"
#include "shell/Theme_win.h"
#include "shell/Tray_win.h"
#include "base/Wide_win.h"
#include "ui/AppListView_win.h"
#include "ui/AppRow_win.h"
#include "shell/Program_win.h"
#include "ui/MainPaint_win.h"

#include <windowsx.h>

static_assert(PRIVATE_MESSAGE_FIRST == WM_APP, "the program's own messages");
static_assert(MAIN_WINDOW_STYLE == (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), "window style");

namespace {

Program g;

constexpr UINT_PTR REFRESH_TIMER_ID = 2;  // the list refresh after a click that activated the window

WatchController* Controller() {
    return &g.controller;
}

void Invalidate() {
    InvalidateRect(g.mainWindow, nullptr, FALSE);
}

// The monitor the window opens on: the one holding the middle of the primary work area.
HMONITOR StartMonitor(POINT* centre) {
    RECT work = WorkAreaOf(nullptr);
    *centre = POINT{(work.left + work.right) / 2, (work.top + work.bottom) / 2};
    return MonitorFromPoint(*centre, MONITOR_DEFAULTTOPRIMARY);
}

void ApplyPointer(const PointerEffects& e) {
    if (e.capture) {
        SetCapture(g.mainWindow);
    }
    if (e.releaseCapture) {
        ReleaseCapture();
    }
    if (e.invalidate) {
        Invalidate();
    }
    if (e.trackLeave) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, g.mainWindow, 0};
        TrackMouseEvent(&track);
    }
    EndControlChange(&g, e.saveSettings, e.logThresholds, e.click);
}

void PostponeRefresh();

// A press gives the focus to what it pressed, as on any control.
void OnPointerDown(int32_t x, int32_t y) {
    PostponeRefresh();
    ApplyPointer(PointerDown(&g.pointerContext, x, y));
    if (g.pointer.draggedSlider >= 0) {
        FocusFromPointer(&g, static_cast<FocusStop>(static_cast<int32_t>(FocusStop::Cpu) + g.pointer.draggedSlider));
        NotifyAccessible(g.mainWindow, EVENT_OBJECT_VALUECHANGE, ACC_FIRST_SLIDER + g.pointer.draggedSlider);
    } else if (g.pointer.pressedTarget != TARGET_NONE) {
        FocusFromPointer(&g, StopOfTarget(g.pointer.pressedTarget));
    }
}

void OnPointerMove(int32_t x, int32_t y) {
    PointerEffects e = UpdateHover(&g.pointerContext, x, y);
    ApplyPointer(e);
    if (e.invalidate && g.pointer.draggedSlider >= 0) {
        NotifyAccessible(g.mainWindow, EVENT_OBJECT_VALUECHANGE, ACC_FIRST_SLIDER + g.pointer.draggedSlider);
    }
}

// The control whose focus cue is drawn: none until the keyboard is used, and none while
// another window has the focus.
int32_t FocusCueStop() {
    KeyboardContext k = KeyboardOf(&g);
    const FocusStop stop = g.keyboard.focus;
    if (!g.keyboard.cuesShown || GetFocus() != g.mainWindow || stop == FocusStop::List ||
        !FocusStopAvailable(&k, stop)) {
        return -1;
    }
    return static_cast<int32_t>(stop);
}

void Paint(HWND window) {
    MainPaintInputs in = {
        MainTextInputs{&g.watch.status, &g.watch.evaluator, &g.limits, PowerRequestAccepted(&g.watch.power), g.apps.count},
        &g.palette,
        &g.layout,
        &g.pointer,
        &g.kit,
        g.listView.selectedIndex,
        g.keepDisplayOn,
        FocusCueStop(),
    };
    PaintMainWindow(window, &in);
    NotifyShownChanges(&g);
}

// Activation refreshes the list of open apps, since the user was just working in one of them.
// When a click activated the window, the refresh waits until a double-click could be over:
// the click, and a double-click, act on the row that was drawn under the pointer.
void OnActivate(UINT state) {
    OnActivateFocus(&g, state != WA_INACTIVE);
    if (state == WA_INACTIVE || g.watch.status.watchMode != WATCH_OFF) {
        return;
    }
    if (state == WA_CLICKACTIVE) {
        g.refreshAfterClicks = true;
        SetTimer(g.mainWindow, REFRESH_TIMER_ID, GetDoubleClickTime(), nullptr);
        return;
    }
    RefreshAppList(Controller());
}

// Every click while the refresh waits gives a double-click its full time again.
void PostponeRefresh() {
    if (g.refreshAfterClicks) {
        SetTimer(g.mainWindow, REFRESH_TIMER_ID, GetDoubleClickTime(), nullptr);
    }
}

void OnListNotification(int code) {
    if (code == APPLIST_SETFOCUS || code == APPLIST_KILLFOCUS) {
        OnListFocus(&g, code == APPLIST_SETFOCUS);
        return;
    }
    PostponeRefresh();
    if (code == APPLIST_ACTIVATE) {
        StartWatching(Controller());
        return;
    }
    int32_t row = g.listView.selectedIndex;
    PreviewApp(Controller(), row >= 0 ? g.apps.entries[row].pid : 0);
    Invalidate();
}

// A menu command acts on the watch its menu was opened for.
void OnMenuCommand(int id, uint32_t watchSerial) {
    FinishAction action = FinishAction::None;
    switch (id) {
    case IDM_SHOW: ShowMainWindow(Controller()); break;
    case IDM_RELEASE: ReleaseFromTray(Controller(), watchSerial); break;
    case IDM_EXIT: DestroyWindow(g.mainWindow); break;
    case IDM_CANCEL_FINISH: CancelFinishAction(Controller()); break;
    default:
        if (FinishActionOfCommand(id, &action)) {
            ChooseFinishAction(Controller(), action, watchSerial);
        }
        break;
    }
}

// A command from a script, in this copy: logged, carried out, and a failure logged too.
int32_t RunCommand(const Command* command, const char16_t* line) {
    WriteLogLineWide(&g.log, "command: ", AsWide(SkipProgramName(line)));
    int32_t code = ExecuteCommand(Controller(), command);
    if (code != EXIT_OK) {
        char16_t reason[COMMAND_MESSAGE_CAPACITY];
        FormatCommandFailure(reason, COMMAND_MESSAGE_CAPACITY, command, code);
        WriteLogLineWide(&g.log, "  command failed: ", AsWide(reason));
    }
    return code;
}

// A command another copy handed over, carried out once those before it are done.
int32_t CarryOutHandedCommand(void*, const char16_t* line, CommandArguments* arguments, Command* command) {
    if (ParseCommandLine(line, arguments, command) != EXIT_OK || arguments->count < 1 ||
        command->kind == CommandKind::Run || command->kind == CommandKind::Help ||
        command->kind == CommandKind::Version) {
        WriteLogLineWide(&g.log, "command refused: ", AsWide(SkipProgramName(line)));
        return EXIT_USAGE;
    }
    return RunCommand(command, line);
}

void AnswerCommand(void*, uint32_t replyThread, int32_t code) {
    PostThreadMessageW(replyThread, WM_COMMAND_ANSWER, static_cast<WPARAM>(code), 0);
}

void RunHandedCommands() {
    const CommandRunner runner = {.context = nullptr, .carryOut = CarryOutHandedCommand, .answer = AnswerCommand};
    RunQueuedCommands(&g.commands, &runner);
}

// A second copy hands its command line over. It is queued, and answered when carried out.
LRESULT OnCommandData(const COPYDATASTRUCT* data) {
    if (!data || data->dwData != COMMAND_DATA_TAG) {
        return EXIT_USAGE;
    }
    switch (QueueCommand(&g.commands, data->lpData, data->cbData)) {
    case Queued::Yes: PostMessageW(g.mainWindow, WM_RUN_COMMANDS, 0, 0); return COMMAND_QUEUED;
    case Queued::Full: return EXIT_NO_ANSWER;
    case Queued::Refused: break;
    }
    return EXIT_USAGE;
}

void OnCommand(int id, int code) {
    if (id == IDC_APP_LIST) {
        OnListNotification(code);
    } else {
        OnMenuCommand(id, g.watch.status.watchSerial);
    }
}

void OnTrayCallback(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(lParam)) {
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: ShowMainWindow(Controller()); break;
    case WM_RBUTTONUP:
        if (g.controller.ticking) {
            // Inside a tick (the shell called back during a tray update): open the menu once
            // the tick is over, so no tick runs inside another.
            PostMessageW(g.mainWindow, WM_TRAY_CALLBACK, wParam, lParam);
        } else {
            uint32_t serial = g.watch.status.watchSerial;
            const TrayMenuModel model = {g.watch.status.watchMode == WATCH_ON, g.watch.status.waitingFor[0] != 0,
                                         g.watch.finish.counting, g.watch.finish.action};
            OnMenuCommand(ShowTrayMenu(&g.tray, &model), serial);
        }
        break;
    default: break;
    }
}

void OnPowerBroadcast(WPARAM event) {
    if (event == PBT_APMSUSPEND) {
        SystemSuspending(Controller());
    } else if (event == PBT_APMRESUMEAUTOMATIC) {
        SystemResumed(Controller());
    }
}

void OnSettingChange() {
    LoadPalette(&g.palette);
    ApplyDarkTitleBar(g.mainWindow, g.palette.isDark);
    InvalidateRect(g.mainWindow, nullptr, TRUE);
    InvalidateRect(g.listWindow, nullptr, TRUE);
}

void OnTaskbarCreated() {
    if (g.watch.status.watchMode == WATCH_ON) {
        ForgetShownTray(&g.tray);
        AddTrayIcon(&g.tray);
        UpdateTray(Controller());
    }
}

void OnTimer(WPARAM id) {
    if (id == TICK_TIMER_ID) {
        Tick(Controller());
    } else if (id == COUNTDOWN_TIMER_ID) {
        CountdownTick(Controller());
    } else if (id == SHUTDOWN_CHECK_TIMER_ID) {
        ShutdownDidNotHappen(Controller());
    } else if (id == REFRESH_TIMER_ID) {
        KillTimer(g.mainWindow, REFRESH_TIMER_ID);
        g.refreshAfterClicks = false;
        if (g.watch.status.watchMode == WATCH_OFF) {
            RefreshAppList(Controller());
        }
    }
}

void OnDestroy() {
    DisconnectAccessible(g.mainAccessible);
    DisconnectAccessible(g.listAccessible);
    CancelFinishAction(Controller());  // a countdown ends with the program
    KillTimer(g.mainWindow, TICK_TIMER_ID);
    KillTimer(g.mainWindow, REFRESH_TIMER_ID);
    KillTimer(g.mainWindow, COUNTDOWN_TIMER_ID);
    KillTimer(g.mainWindow, SHUTDOWN_CHECK_TIMER_ID);
    ReleasePowerRequest(&g.watch.power);
    ClosePowerReason(&g.watch.power);
    WriteLogLine(&g.log, "Pellacord exited; lock released");
    CloseLog(&g.log);
    UnloadTcpTableApi(&g.tcp);
    ShutdownTray(&g.tray);
    if (g.smallIcon) {
        DestroyIcon(g.smallIcon);
    }
    if (g.largeIcon) {
        DestroyIcon(g.largeIcon);
    }
    ReleaseFonts(&g.kit);
    FreeProcessPlatform(&g.processQuery);
    PostQuitMessage(0);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g.taskbarCreatedMessage != 0 && message == g.taskbarCreatedMessage) {
        OnTaskbarCreated();
        return 0;
    }
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    PointerContext* pointer = &g.pointerContext;
    switch (message) {
    case WM_CREATE:
        g.taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
        OpenWindowToOtherCopies(window, g.taskbarCreatedMessage);
        return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_ACTIVATE: OnActivate(LOWORD(wParam)); return 0;
    case WM_PAINT: Paint(window); return 0;
    case WM_CLOSE:
        if (g.watch.status.watchMode == WATCH_ON) {
            ShowWindow(window, SW_HIDE);  // watching goes on in the tray
        } else {
            DestroyWindow(window);
        }
        return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE: OnSettingChange(); return 0;
    case WM_SETFOCUS: OnFocusGained(&g, window); return 0;
    case WM_KILLFOCUS: OnFocusLost(&g); return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (OnMainKey(&g, message, wParam, lParam)) {
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_UPDATEUISTATE:
        OnUiState(&g, wParam);
        return DefWindowProcW(window, message, wParam, lParam);  // on to the list
    case WM_GETOBJECT: {
        LRESULT answer = 0;
        if (AnswerGetObject(g.mainAccessible, wParam, lParam, &answer)) {
            return answer;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_DPICHANGED: ApplyDpi(&g, LOWORD(wParam), reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_ACCESSIBLE_ACTION: OnAccessibleAction(&g, static_cast<int32_t>(wParam)); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_MOUSEMOVE: OnPointerMove(x, y); return 0;
    case WM_LBUTTONDOWN:
        OnPointerDown(x, y);
        return 0;
    case WM_LBUTTONUP: ApplyPointer(PointerUp(pointer, x, y)); return 0;
    case WM_MOUSELEAVE: ApplyPointer(PointerLeave(pointer)); return 0;
    case WM_CAPTURECHANGED: ApplyPointer(PointerCaptureLost(pointer)); return 0;
    case WM_CANCELMODE:
        ApplyPointer(PointerCaptureLost(pointer));
        return DefWindowProcW(window, message, wParam, lParam);  // lets the capture go
    case WM_TRAY_CALLBACK: OnTrayCallback(wParam, lParam); return 0;
    case WM_POWERBROADCAST: OnPowerBroadcast(wParam); return TRUE;
    case WM_SHOW_EXISTING: ShowMainWindow(Controller()); return 0;
    case WM_COPYDATA: return OnCommandData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_RUN_COMMANDS: RunHandedCommands(); return 0;
    case WM_EXIT_PROGRAM:
        g.exitForWork = wParam != 0;
        EndMenu();
        DestroyWindow(window);
        return 0;
    case WM_ENDSESSION:
        // Windows ends every program once this returns: the lock goes and the log closes first.
        if (wParam) {
            WriteLogLine(&g.log, "Windows is ending the session");
            DestroyWindow(window);
        } else {
            ShutdownDidNotHappen(Controller());  // a program said no to the shutdown asked for
        }
        return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND CreateMainWindow() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = g.instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = MAIN_WINDOW_CLASS;
    if (!RegisterClassExW(&wc)) {
        return nullptr;
    }
    RECT frame = FrameForClient(RECT{0, 0, Scale(CLIENT_WIDTH, g.kit.dpi), g.layout.clientHeight}, MAIN_WINDOW_STYLE,
                                g.kit.dpi);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    RECT work = WorkAreaOf(nullptr);
    int x = work.left + ((work.right - work.left) - width) / 2;
    int y = work.top + ((work.bottom - work.top) - height) / 2;
    x = x < work.left ? work.left : x;
    y = y < work.top ? work.top : y;
    return CreateWindowExW(0, MAIN_WINDOW_CLASS, L"Pellacord", MAIN_WINDOW_STYLE, x, y, width, height, nullptr,
                           nullptr, g.instance, nullptr);
}

void SetWindowIcons() {
    g.smallIcon = MakeAppIcon(APP_ICON_COLOR, SystemMetricAt(SM_CXSMICON, g.kit.dpi), ICON_SHAPE_EYE);
    g.largeIcon = MakeAppIcon(APP_ICON_COLOR, SystemMetricAt(SM_CXICON, g.kit.dpi), ICON_SHAPE_EYE);
    if (g.smallIcon) {
        SendMessageW(g.mainWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g.smallIcon));
    }
    if (g.largeIcon) {
        SendMessageW(g.mainWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g.largeIcon));
    }
}

void CreateAppList() {
    g.listView.palette = &g.palette;
    g.listView.drawItem = DrawAppRow;
    g.rowContext = AppRowContext{&g.apps, &g.listView, &g.kit};
    g.listView.drawItemContext = &g.rowContext;
    g.listView.rowHeight = Scale(LIST_ROW_HEIGHT, g.kit.dpi);
    g.listView.dpi = g.kit.dpi;
    g.listWindow = CreateAppListView(g.mainWindow, IDC_APP_LIST, &g.listView);
    Rect r = ListWindowRect(&g.layout);
    MoveWindow(g.listWindow, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
}

}  // namespace

int RunPellacord(HINSTANCE instance) {
    g.instance = instance;
    int32_t launched = PrepareLaunch(&g.launch, GetCommandLineW(), &g.instanceMutex);
    if (launched >= 0) {
        return launched;
    }
    ReadExecutablePath(g.exePath);
    g.log = MakeLogFile();
    OpenLog(&g.log, g.exePath);
    WriteLogLine(&g.log, LOG_SEPARATOR);
    WriteLogLine(&g.log, "Pellacord started");
    LoadTcpTableApi(&g.tcp);
    g.kit = MakeDrawKit();
    InitDpi(&g.kit);
    POINT centre;
    HMONITOR monitor = StartMonitor(&centre);
    g.kit.dpi = MonitorDpiAt(centre, g.kit.dpi);  // laid out for the monitor it opens on
    g.layout = LayoutFor(monitor, g.kit.dpi);
    LoadPalette(&g.palette);
    SetDefaultLimits(&g.limits);
    OpenSettingsFile(&g.settings, g.exePath);
    if (LoadSettings(&g.limits, &g.keepDisplayOn, &g.settings) == SettingsRead::Unreadable) {
        WriteLogLine(&g.log, "settings file could not be read; changes will not be saved");
    }

    InitWatch(&g.watch, &g.limits, &g.keepDisplayOn, SetExecutionStateWin);
    g.watch.power.reason = WindowsPowerReasonApi(&g.powerReasonCalls);
    InitProcessPlatform(&g.sampler, &g.processQuery);
    if (g.launch.runJob) {
        WatchJob(&g.processQuery, g.launch.runJob, g.launch.command.pid);
    }
    g.listView.selectedIndex = -1;
    g.controllerContext = WindowsControllerContext{nullptr,  nullptr,    &g.log,   &g.settings,
                                                   g.imageNames, &g.pointer, &g.limits, &g.tray};
    g.controller = WatchController{.watch = &g.watch, .sampler = &g.sampler, .tcp = &g.tcp, .limits = &g.limits,
                                   .keepDisplayOn = &g.keepDisplayOn, .apps = &g.apps, .listView = &g.listView,
                                   .tray = &g.tray, .platform = WindowsControllerPlatform(&g.controllerContext)};
    LogThresholds(Controller());
    InitPointerState(&g.pointer, &g.limits, &g.layout);
    g.pointerContext = PointerContext{&g.pointer, &g.layout, &g.limits, &g.watch.status};
    BOOL cues = FALSE;
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cues, 0);
    InitKeyboard(&g.keyboard, cues != FALSE);
    RegisterAppListClass(instance);

    g.mainWindow = CreateMainWindow();
    if (!g.mainWindow) {
        return 1;
    }
    g.controllerContext.mainWindow = g.mainWindow;
    ApplyDarkTitleBar(g.mainWindow, g.palette.isDark);
    SetWindowIcons();
    InitTray(&g.tray, reinterpret_cast<uintptr_t>(g.mainWindow), WM_TRAY_CALLBACK, WindowsTrayShell());
    CreateAppList();
    g.controllerContext.listWindow = g.listWindow;
    InitAccessibility(&g);
    RefreshAppList(Controller());
    const Command* command = &g.launch.command;
    if (command->kind == CommandKind::Start || command->kind == CommandKind::Show) {
        ShowWindow(g.mainWindow, SW_SHOW);
        UpdateWindow(g.mainWindow);
    } else {
        // A watch from a script starts in the tray, as one started by the button does. Commands
        // other copies hand over meanwhile wait for it.
        g.commands.running = true;
        int32_t code = RunCommand(command, AsUtf16(GetCommandLineW()));
        g.commands.running = false;
        ReleaseRun(&g.launch);
        if (code != EXIT_OK) {
            TellFailure(command, code);
            DestroyWindow(g.mainWindow);
            CloseHandle(g.instanceMutex);
            return code;
        }
    }

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (g.instanceMutex) {
        CloseHandle(g.instanceMutex);
    }
    // A copy that ran a command and ends because the command's work is finished answers with
    // the command's own exit code, as a script that waits for it expects.
    DWORD code = 0;
    if (g.exitForWork && g.launch.runProcess && GetExitCodeProcess(g.launch.runProcess, &code) &&
        code != STILL_ACTIVE) {
        return static_cast<int>(code);
    }
    return 0;
}
