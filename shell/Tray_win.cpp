#include "shell/Tray_win.h"

#include "shell/IconPainter_win.h"
#include "base/Owner_win.h"
#include "base/Wide_win.h"
#include "base/Text.h"

#include <shellapi.h>

#include <cstddef>
#include <cstring>
#include <iterator>

// The portable tray messages are Shell_NotifyIconW's.
static_assert(TRAY_ADD == NIM_ADD && TRAY_MODIFY == NIM_MODIFY && TRAY_DELETE == NIM_DELETE, "NIM_*");

static_assert(offsetof(NOTIFYICONDATAW, guidItem) == TRAY_DATA_SIZE, "the classic record ends at dwInfoFlags");

namespace {

void FillTrayData(NOTIFYICONDATAW* data, const TrayState* tray, const char16_t* tip) {
    memset(data, 0, sizeof(*data));
    data->cbSize = TRAY_DATA_SIZE;
    data->hWnd = reinterpret_cast<HWND>(tray->trayWindow);
    data->uID = TRAY_ICON_ID;
    data->uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data->uCallbackMessage = tray->callbackMessage;
    data->hIcon = static_cast<HICON>(tray->trayImage);
    if (tip) {
        CopyWide(AsUtf16(data->szTip), tip, static_cast<int32_t>(std::size(data->szTip)));
    }
}

int32_t Notify(void*, uint32_t message, const TrayState* tray, const char16_t* tip) {
    NOTIFYICONDATAW data;
    FillTrayData(&data, tray, tip);
    if (message == TRAY_ADD) {
        SetLastError(0);
    }
    return Shell_NotifyIconW(message, &data) ? 1 : 0;
}

uint32_t LastError(void*) {
    return GetLastError();
}

void* MakeTrayIcon(void*, TrayIconKind kind) {
    int32_t size = GetSystemMetrics(SM_CXSMICON);
    TrayIconStyle style = TrayIconStyleOf(kind);
    return MakeAppIcon(style.color, size < 16 ? 16 : size, style.shape);
}

void DestroyTrayIcon(void*, void* icon) {
    DestroyIcon(static_cast<HICON>(icon));
}

}  // namespace

TrayShell WindowsTrayShell() {
    return TrayShell{
        .context = nullptr,
        .notify = Notify,
        .lastError = LastError,
        .makeIcon = MakeTrayIcon,
        .destroyIcon = DestroyTrayIcon,
    };
}

bool ShowTrayBalloon(const TrayState* tray, const char16_t* text) {
    if (!tray->iconShown) {
        return false;
    }
    NOTIFYICONDATAW data;
    FillTrayData(&data, tray, nullptr);
    data.uFlags = NIF_INFO;
    CopyWide(AsUtf16(data.szInfo), text, static_cast<int32_t>(std::size(data.szInfo)));
    CopyWide(AsUtf16(data.szInfoTitle), u"Pellacord", static_cast<int32_t>(std::size(data.szInfoTitle)));
    data.dwInfoFlags = NIIF_INFO;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

int32_t ShowTrayMenu(const TrayState* tray, const TrayMenuModel* model) {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) {
        return 0;
    }
    TrayMenuItem items[TRAY_MENU_MAX];
    int32_t count = BuildTrayMenu(items, model);
    // Menus appended to their parent are owned by it, and destroyed with the top one.
    constexpr int32_t DEPTH_MAX = 4;
    HMENU levels[DEPTH_MAX] = {menu.get()};
    int32_t depth = 0;
    HMENU submenu = nullptr;  // the submenu of choices being filled
    UINT first = 0, last = 0, checked = 0;
    auto endChoices = [&] {
        if (submenu && checked != 0) {
            CheckMenuRadioItem(submenu, first, last, checked, MF_BYCOMMAND);  // the choices are one radio group
        }
        submenu = nullptr;
        first = last = checked = 0;
    };
    for (int32_t i = 0; i < count; i++) {
        const TrayMenuItem& it = items[i];
        HMENU into = levels[depth];
        switch (it.kind) {
        case MenuItemKind::Command:
            endChoices();
            AppendMenuW(into, MF_STRING, static_cast<UINT_PTR>(it.id), AsWide(it.text));
            break;
        case MenuItemKind::Separator:
            endChoices();
            AppendMenuW(into, MF_SEPARATOR, 0, nullptr);
            break;
        case MenuItemKind::Check:
            endChoices();
            AppendMenuW(into, MF_STRING | (it.checked ? MF_CHECKED : MF_UNCHECKED), static_cast<UINT_PTR>(it.id),
                        AsWide(it.text));
            break;
        case MenuItemKind::Submenu: {
            endChoices();
            UniqueMenu made(CreatePopupMenu());
            if (made && AppendMenuW(into, MF_POPUP, reinterpret_cast<UINT_PTR>(made.get()), AsWide(it.text))) {
                submenu = made.Release();
            }
            break;
        }
        case MenuItemKind::Choice: {
            // Choices go in the submenu made for them, or else straight into the menu they
            // are in ("Keep awake"), one radio group either way.
            submenu = submenu ? submenu : into;
            const UINT id = static_cast<UINT>(it.id);
            AppendMenuW(submenu, MF_STRING, id, AsWide(it.text));
            first = first == 0 ? id : first;
            last = id;
            checked = it.checked ? id : checked;
            break;
        }
        case MenuItemKind::Open: {
            endChoices();
            UniqueMenu made(CreatePopupMenu());
            if (depth + 1 < DEPTH_MAX) {
                // A submenu that could not be made leaves its items in the menu around it.
                bool appended = made && AppendMenuW(into, MF_POPUP, reinterpret_cast<UINT_PTR>(made.get()),
                                                    AsWide(it.text));
                levels[++depth] = appended ? made.Release() : into;
            }
            break;
        }
        case MenuItemKind::Close:
            endChoices();
            depth = depth > 0 ? depth - 1 : 0;
            break;
        }
    }
    endChoices();
    HWND window = reinterpret_cast<HWND>(tray->trayWindow);
    POINT cursor = {};
    GetCursorPos(&cursor);
    // The owner must be in front, or the menu does not close when the user clicks elsewhere.
    SetForegroundWindow(window);
    int32_t chosen = static_cast<int32_t>(TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                                                         cursor.x, cursor.y, 0, window, nullptr));
    PostMessageW(window, WM_NULL, 0, 0);
    return chosen;
}
