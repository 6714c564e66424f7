// The hotkey that watches the app in front: registered at start-up as the settings say, and its
// presses. A combination another program holds already is told once, in the log and in a
// balloon, and Pellacord goes on without it.
#include "shell/Program_win.h"

#include "shell/Apps_win.h"
#include "base/Format.h"
#include "base/Hotkey.h"
#include "base/Wide_win.h"

namespace {

constexpr int HOTKEY_ID = 1;

}  // namespace

void RegisterProgramHotkey(Program* p) {
    p->hotkey = p->optional.hotkey;
    const HotkeyKeys keys = HotkeyKeysOf(p->hotkey);
    if (keys.key == 0) {
        return;  // "none"
    }
    // MOD_NOREPEAT: a key held down is one press, not a watch started and stopped over and over.
    if (RegisterHotKey(p->mainWindow, HOTKEY_ID, keys.modifiers | MOD_NOREPEAT, keys.key)) {
        p->hotkeyRegistered = true;
        return;
    }
    const DWORD error = GetLastError();
    char16_t name[HOTKEY_TEXT_CAPACITY];
    FormatHotkeyName(name, HOTKEY_TEXT_CAPACITY, p->hotkey);
    char16_t text[96];
    if (error == ERROR_HOTKEY_ALREADY_REGISTERED) {
        FormatText(text, 96, u"hotkey %s is taken by another program", name);
    } else {
        FormatText(text, 96, u"hotkey %s could not be registered: error %u", name, static_cast<uint32_t>(error));
    }
    WriteLogLineWide(&p->log, "", AsWide(text));
    char16_t balloon[128];
    FormatText(balloon, 128, u"The hotkey %s is taken by another program, so Pellacord goes on without it.", name);
    ShowBalloonWin(p->mainWindow, &p->tray, error == ERROR_HOTKEY_ALREADY_REGISTERED ? balloon : text);
}

void UnregisterProgramHotkey(Program* p) {
    if (p->hotkeyRegistered) {
        UnregisterHotKey(p->mainWindow, HOTKEY_ID);
        p->hotkeyRegistered = false;
    }
}

void OnHotkey(Program* p, WPARAM id) {
    if (id != HOTKEY_ID) {
        return;
    }
    if (p->controller.ticking) {
        // Inside a tick (the shell called back during a tray update): once the tick is over.
        PostMessageW(p->mainWindow, WM_HOTKEY, id, 0);
        return;
    }
    char16_t name[HOTKEY_TEXT_CAPACITY];
    FormatHotkeyName(name, HOTKEY_TEXT_CAPACITY, p->hotkey);
    HotkeyPressed(&p->controller, ForegroundAppWin(), name);
}

void BalloonIconDone(Program* p) {
    KillTimer(p->mainWindow, BALLOON_ICON_TIMER_ID);
    if (!TrayInUse(&p->controller)) {
        RemoveTrayIcon(&p->tray);
    }
}
