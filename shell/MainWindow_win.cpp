// The main window: its creation, and its window procedure, which hands each message to the
// program's records.
#include "shell/Program_win.h"

#include "shell/Dpi_win.h"
#include "shell/Theme_win.h"
#include "shell/Tray_win.h"
#include "ui/AppListView_win.h"
#include "ui/MainPaint_win.h"

#include <windowsx.h>

static_assert(PRIVATE_MESSAGE_FIRST == WM_APP, "the program's own messages");
static_assert(MAIN_WINDOW_STYLE == (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), "window style");

namespace {

void Invalidate(Program* p) {
    InvalidateRect(p->mainWindow, nullptr, FALSE);
}

void PostponeRefresh(Program* p);

// A press gives the focus to what it pressed, as on any control.
void OnPointerDown(Program* p, int32_t x, int32_t y) {
    PostponeRefresh(p);
    ApplyPointer(p, PointerDown(&p->pointerContext, x, y));
    if (p->pointer.draggedSlider >= 0) {
        FocusFromPointer(p, static_cast<FocusStop>(static_cast<int32_t>(FocusStop::Cpu) + p->pointer.draggedSlider));
        NotifyAccessible(p->mainWindow, EVENT_OBJECT_VALUECHANGE, ACC_FIRST_SLIDER + p->pointer.draggedSlider);
    } else if (p->pointer.pressedTarget != TARGET_NONE) {
        FocusFromPointer(p, StopOfTarget(p->pointer.pressedTarget));
    }
}

void OnPointerMove(Program* p, int32_t x, int32_t y) {
    PointerEffects e = UpdateHover(&p->pointerContext, x, y);
    ApplyPointer(p, e);
    if (e.invalidate && p->pointer.draggedSlider >= 0) {
        NotifyAccessible(p->mainWindow, EVENT_OBJECT_VALUECHANGE, ACC_FIRST_SLIDER + p->pointer.draggedSlider);
    }
}

// The control whose focus cue is drawn: none until the keyboard is used, and none while
// another window has the focus.
int32_t FocusCueStop(Program* p) {
    KeyboardContext k = KeyboardOf(p);
    const FocusStop stop = p->keyboard.focus;
    if (!p->keyboard.cuesShown || GetFocus() != p->mainWindow || stop == FocusStop::List ||
        !FocusStopAvailable(&k, stop)) {
        return -1;
    }
    return static_cast<int32_t>(stop);
}

void Paint(Program* p, HWND window) {
    MainPaintInputs in = {
        MainTextInputs{&p->watch.status, &p->watch.evaluator, &p->limits, PowerRequestAccepted(&p->watch.power),
                       p->apps.count, p->rules.ruleCount, RuleWatchesRunning(&p->controller)},
        &p->palette,
        &p->layout,
        &p->pointer,
        &p->kit,
        p->listView.selectedIndex,
        p->keepDisplayOn,
        FocusCueStop(p),
    };
    PaintMainWindow(window, &in);
    NotifyShownChanges(p);
}

// Activation refreshes the list of open apps, since the user was just working in one of them.
// When a click activated the window, the refresh waits until a double-click could be over:
// the click, and a double-click, act on the row that was drawn under the pointer.
void OnActivate(Program* p, UINT state) {
    OnActivateFocus(p, state != WA_INACTIVE);
    if (state == WA_INACTIVE || p->watch.status.watchMode != WATCH_OFF) {
        return;
    }
    if (state == WA_CLICKACTIVE) {
        p->refreshAfterClicks = true;
        SetTimer(p->mainWindow, REFRESH_TIMER_ID, GetDoubleClickTime(), nullptr);
        return;
    }
    RefreshAppList(&p->controller);
}

// Every click while the refresh waits gives a double-click its full time again.
void PostponeRefresh(Program* p) {
    if (p->refreshAfterClicks) {
        SetTimer(p->mainWindow, REFRESH_TIMER_ID, GetDoubleClickTime(), nullptr);
    }
}

void OnListNotification(Program* p, int code) {
    if (code == APPLIST_SETFOCUS || code == APPLIST_KILLFOCUS) {
        OnListFocus(p, code == APPLIST_SETFOCUS);
        return;
    }
    PostponeRefresh(p);
    if (code == APPLIST_ACTIVATE) {
        StartWatching(&p->controller);
        return;
    }
    int32_t row = p->listView.selectedIndex;
    PreviewApp(&p->controller, row >= 0 ? p->apps.entries[row].pid : 0);
    Invalidate(p);
}

// The watches a menu was opened for, each by its serial: a command never acts on a later one.
struct MenuSerials {
    uint32_t window;
    uint32_t rules[RULE_WATCHES_MAX];
};

MenuSerials SerialsNow(const Program* p) {
    MenuSerials m = {p->watch.status.watchSerial, {}};
    for (int32_t k = 0; k < RULE_WATCHES_MAX; k++) {
        m.rules[k] = p->rules.slots[k].watch.status.watchSerial;
    }
    return m;
}

// A rule watch's item, or one of the rules' own.
void OnRuleCommand(Program* p, int id, const MenuSerials* serials) {
    const RuleMenuChoice choice = RuleChoiceOfCommand(id);
    switch (choice.kind) {
    case RuleMenuKind::Release: ReleaseRuleWatch(&p->controller, choice.index, serials->rules[choice.index]); break;
    case RuleMenuKind::Cancel: CancelRuleFinish(&p->controller, choice.index, serials->rules[choice.index]); break;
    case RuleMenuKind::Finish:
        ChooseRuleFinish(&p->controller, choice.index, choice.action, serials->rules[choice.index]);
        break;
    case RuleMenuKind::Forget: ForgetRuleFromMenu(p, choice.index); break;
    case RuleMenuKind::None: break;
    }
}

// "Keep awake" from the tray: the hold, with the screen as the menu's check says.
void KeepAwakeFromMenu(Program* p, HoldKind kind, uint32_t lengthMs) {
    const HoldRequest request = {kind, lengthMs, 0, p->hold.screenChoice, FinishAction::None};
    StartKeepingAwake(&p->controller, &request);
}

// A menu command acts on the watch its menu was opened for.
void OnMenuCommand(Program* p, int id, const MenuSerials* serials) {
    const uint32_t watchSerial = serials->window;
    FinishAction action = FinishAction::None;
    switch (id) {
    case IDM_SHOW: ShowMainWindow(&p->controller); break;
    case IDM_RELEASE: ReleaseFromTray(&p->controller, watchSerial); break;
    case IDM_EXIT: DestroyWindow(p->mainWindow); break;
    case IDM_CANCEL_FINISH: CancelFinishAction(&p->controller); break;
    case IDM_BATTERY_GUARD:
        SetBatteryFloor(&p->controller, p->optional.batteryFloor != 0 ? 0 : BATTERY_GUARD_MENU_FLOOR);
        break;
    case IDM_RELEASE_ALL:
        if (p->watch.status.watchMode == WATCH_ON && p->watch.status.watchSerial == watchSerial) {
            StopWatching(&p->controller, u"released from the tray");
        }
        ReleaseRuleWatches(&p->controller, nullptr);
        (void)EndKeepingAwake(&p->controller);
        break;
    case IDM_KEEP_RULE: KeepRuleFromMenu(p, watchSerial); break;
    case IDM_START_WITH_WINDOWS: ToggleStartWithWindows(p); break;
    case IDM_HOLD_SCREEN: ToggleHoldScreen(&p->controller); break;
    case IDM_HOLD_OPEN: KeepAwakeFromMenu(p, HoldKind::Open, 0); break;
    case IDM_HOLD_FOR:
    case IDM_HOLD_FOR + 1:
    case IDM_HOLD_FOR + 2:
    case IDM_HOLD_FOR + 3: KeepAwakeFromMenu(p, HoldKind::For, HOLD_MENU_MS[id - IDM_HOLD_FOR]); break;
    default:
        if (FinishActionOfCommand(id, &action)) {
            ChooseFinishAction(&p->controller, action, watchSerial);
        } else {
            OnRuleCommand(p, id, serials);
        }
        break;
    }
}

void OnCommand(Program* p, int id, int code) {
    if (id == IDC_APP_LIST) {
        OnListNotification(p, code);
    } else {
        const MenuSerials serials = SerialsNow(p);
        OnMenuCommand(p, id, &serials);
    }
}

void OnTrayCallback(Program* p, WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(lParam)) {
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: ShowMainWindow(&p->controller); break;
    case WM_RBUTTONUP:
        if (p->controller.ticking) {
            // Inside a tick (the shell called back during a tray update): open the menu once
            // the tick is over, so no tick runs inside another.
            PostMessageW(p->mainWindow, WM_TRAY_CALLBACK, wParam, lParam);
        } else {
            const MenuSerials serials = SerialsNow(p);
            TrayMenuModel model = {p->watch.status.watchMode == WATCH_ON, p->watch.status.waitingFor[0] != 0,
                                   p->watch.finish.counting, p->watch.finish.action, p->optional.batteryFloor != 0};
            FillRulesMenu(&p->controller, &model);
            FillStartWithWindows(p, &model);
            FillHoldMenu(&p->controller, &model);
            OnMenuCommand(p, ShowTrayMenu(&p->tray, &model), &serials);
        }
        break;
    default: break;
    }
}

void OnPowerBroadcast(Program* p, WPARAM event, LPARAM data) {
    PowerSetting setting = PowerSetting::Source;
    uint32_t value = 0;
    if (event == PBT_APMSUSPEND) {
        SystemSuspending(&p->controller);
    } else if (event == PBT_APMRESUMEAUTOMATIC) {
        SystemResumed(&p->controller);
    } else if (event == PBT_POWERSETTINGCHANGE &&
               ReadPowerSetting(reinterpret_cast<const POWERBROADCAST_SETTING*>(data), &setting, &value)) {
        PowerSettingChanged(&p->controller, setting, value);
    }
}

void OnSettingChange(Program* p) {
    LoadPalette(&p->palette);
    ApplyDarkTitleBar(p->mainWindow, p->palette.isDark);
    InvalidateRect(p->mainWindow, nullptr, TRUE);
    InvalidateRect(p->listWindow, nullptr, TRUE);
}

void OnTaskbarCreated(Program* p) {
    if (TrayInUse(&p->controller)) {
        ForgetShownTray(&p->tray);
        AddTrayIcon(&p->tray);
        UpdateTray(&p->controller);
    }
}

void OnTimer(Program* p, WPARAM id) {
    if (id == TICK_TIMER_ID) {
        Tick(&p->controller);
    } else if (id == COUNTDOWN_TIMER_ID) {
        CountdownTick(&p->controller);
    } else if (id == SHUTDOWN_CHECK_TIMER_ID) {
        ShutdownDidNotHappen(&p->controller);
    } else if (id == BALLOON_ICON_TIMER_ID) {
        BalloonIconDone(p);
    } else if (id == REFRESH_TIMER_ID) {
        KillTimer(p->mainWindow, REFRESH_TIMER_ID);
        p->refreshAfterClicks = false;
        if (p->watch.status.watchMode == WATCH_OFF) {
            RefreshAppList(&p->controller);
        }
    }
}

void OnDestroy(Program* p) {
    DisconnectAccessible(p->mainAccessible);
    DisconnectAccessible(p->listAccessible);
    p->mainAccessible = nullptr;  // gone with the readers' last hold
    p->listAccessible = nullptr;
    p->listView.accessible = nullptr;
    CancelFinishAction(&p->controller);  // a countdown ends with the program
    KillTimer(p->mainWindow, TICK_TIMER_ID);
    KillTimer(p->mainWindow, REFRESH_TIMER_ID);
    KillTimer(p->mainWindow, COUNTDOWN_TIMER_ID);
    KillTimer(p->mainWindow, SHUTDOWN_CHECK_TIMER_ID);
    KillTimer(p->mainWindow, BALLOON_ICON_TIMER_ID);
    UnregisterProgramHotkey(p);
    FollowPowerSettings(&p->controllerContext.powerNotices, p->mainWindow, false);
    ReleasePowerRequest(&p->watch.power);
    ClosePowerReason(&p->watch.power);
    for (RuleWatch& r : p->rules.slots) {
        ReleasePowerRequest(&r.watch.power);
        ClosePowerReason(&r.watch.power);
    }
    ReleasePowerRequest(&p->hold.power);
    ClosePowerReason(&p->hold.power);
    WriteLogLine(&p->log, "Pellacord exited; lock released");
    CloseLog(&p->log);
    UnloadTcpTableApi(&p->tcp);
    ShutdownTray(&p->tray);
    ReleaseFonts(&p->kit);
    FreeProcessPlatform(&p->processQuery);
    PostQuitMessage(0);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The program comes with the window's creation, as the list's view does with the list's.
    if (message == WM_NCCREATE) {
        Program* created = static_cast<Program*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->mainWindow = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    Program* p = reinterpret_cast<Program*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!p) {
        return DefWindowProcW(window, message, wParam, lParam);  // before WM_NCCREATE
    }
    if (p->taskbarCreatedMessage != 0 && message == p->taskbarCreatedMessage) {
        OnTaskbarCreated(p);
        return 0;
    }
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    PointerContext* pointer = &p->pointerContext;
    switch (message) {
    case WM_CREATE:
        p->taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
        OpenWindowToOtherCopies(window, p->taskbarCreatedMessage);
        return 0;
    case WM_DESTROY: OnDestroy(p); return 0;
    case WM_ACTIVATE: OnActivate(p, LOWORD(wParam)); return 0;
    case WM_PAINT: Paint(p, window); return 0;
    case WM_CLOSE:
        if (p->watch.status.watchMode == WATCH_ON || HoldInPlay(&p->controller) || p->controller.trayResident) {
            ShowWindow(window, SW_HIDE);  // watching goes on in the tray
            if (p->watch.status.watchMode != WATCH_ON) {
                PreviewApp(&p->controller, 0);  // the window's numbers, with no window to show them
            }
        } else {
            DestroyWindow(window);
        }
        return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE: OnSettingChange(p); return 0;
    case WM_SETFOCUS: OnFocusGained(p, window); return 0;
    case WM_KILLFOCUS: OnFocusLost(p); return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (OnMainKey(p, message, wParam, lParam)) {
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_UPDATEUISTATE:
        OnUiState(p, wParam);
        return DefWindowProcW(window, message, wParam, lParam);  // on to the list
    case WM_GETOBJECT: {
        LRESULT answer = 0;
        if (AnswerGetObject(p->mainAccessible, wParam, lParam, &answer)) {
            return answer;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_DPICHANGED: ApplyDpi(p, LOWORD(wParam), reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_ACCESSIBLE_ACTION: OnAccessibleAction(p, static_cast<int32_t>(wParam)); return 0;
    case WM_COMMAND: OnCommand(p, LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_TIMER: OnTimer(p, wParam); return 0;
    case WM_MOUSEMOVE: OnPointerMove(p, x, y); return 0;
    case WM_LBUTTONDOWN:
        OnPointerDown(p, x, y);
        return 0;
    case WM_LBUTTONUP: ApplyPointer(p, PointerUp(pointer, x, y)); return 0;
    case WM_MOUSELEAVE: ApplyPointer(p, PointerLeave(pointer)); return 0;
    case WM_CAPTURECHANGED: ApplyPointer(p, PointerCaptureLost(pointer)); return 0;
    case WM_CANCELMODE:
        ApplyPointer(p, PointerCaptureLost(pointer));
        return DefWindowProcW(window, message, wParam, lParam);  // lets the capture go
    case WM_TRAY_CALLBACK: OnTrayCallback(p, wParam, lParam); return 0;
    case WM_HOTKEY: OnHotkey(p, wParam); return 0;
    case WM_POWERBROADCAST: OnPowerBroadcast(p, wParam, lParam); return TRUE;
    case WM_SHOW_EXISTING: ShowMainWindow(&p->controller); return 0;
    case WM_COPYDATA: return QueueHandedCommand(p, reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_RUN_COMMANDS: RunHandedCommands(p); return 0;
    case WM_EXIT_PROGRAM:
        p->exitForWork = wParam != 0;
        EndMenu();
        DestroyWindow(window);
        return 0;
    case WM_ENDSESSION:
        // Windows ends every program once this returns: the lock goes and the log closes first.
        if (wParam) {
            WriteLogLine(&p->log, "Windows is ending the session");
            DestroyWindow(window);
        } else {
            ShutdownDidNotHappen(&p->controller);  // a program said no to the shutdown asked for
        }
        return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

void CreateAppList(Program* p) {
    p->listView.palette = &p->palette;
    p->listView.drawItem = DrawAppRow;
    p->rowContext = AppRowContext{&p->apps, &p->listView, &p->kit};
    p->listView.drawItemContext = &p->rowContext;
    p->listView.rowHeight = Scale(LIST_ROW_HEIGHT, p->kit.dpi);
    p->listView.dpi = p->kit.dpi;
    p->listWindow = CreateAppListView(p->mainWindow, IDC_APP_LIST, &p->listView);
    Rect r = ListWindowRect(&p->layout);
    MoveWindow(p->listWindow, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
}

}  // namespace

bool CreateMainWindow(Program* p) {
    RegisterAppListClass(p->instance);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = p->instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = MAIN_WINDOW_CLASS;
    if (!RegisterClassExW(&wc)) {
        return false;
    }
    RECT frame = FrameForClient(RECT{0, 0, Scale(CLIENT_WIDTH, p->kit.dpi), p->layout.clientHeight}, MAIN_WINDOW_STYLE,
                                p->kit.dpi);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    RECT work = WorkAreaOf(nullptr);
    int x = work.left + ((work.right - work.left) - width) / 2;
    int y = work.top + ((work.bottom - work.top) - height) / 2;
    x = x < work.left ? work.left : x;
    y = y < work.top ? work.top : y;
    if (!CreateWindowExW(0, MAIN_WINDOW_CLASS, L"Pellacord", MAIN_WINDOW_STYLE, x, y, width, height, nullptr, nullptr,
                         p->instance, p)) {
        p->mainWindow = nullptr;
        return false;
    }
    p->controllerContext.mainWindow = p->mainWindow;
    ApplyDarkTitleBar(p->mainWindow, p->palette.isDark);
    SetWindowIcons(p, p->kit.dpi);
    InitTray(&p->tray, reinterpret_cast<uintptr_t>(p->mainWindow), WM_TRAY_CALLBACK, WindowsTrayShell());
    CreateAppList(p);
    p->controllerContext.listWindow = p->listWindow;
    InitAccessibility(p);
    return true;
}
