#include "shell/Apps_win.h"

#include "base/Wide_win.h"
#include "base/Owner_win.h"
#include "base/SystemLibrary_win.h"
#include "base/Text.h"
#include "shell/ProcessLookup_win.h"

#include <windows.h>

namespace {

constexpr DWORD DWMWA_CLOAKED_ATTRIBUTE = 14;
using DwmGetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);

HWND Hwnd(uintptr_t w) {
    return reinterpret_cast<HWND>(w);
}

bool IsVisible(void*, uintptr_t w) {
    return IsWindowVisible(Hwnd(w));
}
uintptr_t RootOwner(void*, uintptr_t w) {
    return reinterpret_cast<uintptr_t>(GetAncestor(Hwnd(w), GA_ROOTOWNER));
}
bool IsToolWindow(void*, uintptr_t w) {
    return (GetWindowLongPtrW(Hwnd(w), GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
}
// InternalGetWindowText reads the title the window manager keeps, never sending WM_GETTEXT:
// a hung window cannot stall the list.
int32_t TitleLength(void*, uintptr_t w) {
    wchar_t title[2];
    return InternalGetWindowText(Hwnd(w), title, 2);
}
// Cloaked windows (on another virtual desktop, or suspended store apps) are invisible to the
// user although the window manager calls them visible.
bool IsCloaked(void* context, uintptr_t w) {
    auto get = reinterpret_cast<DwmGetWindowAttributeFn>(context);
    DWORD cloaked = 0;
    return get && get(Hwnd(w), DWMWA_CLOAKED_ATTRIBUTE, &cloaked, sizeof(cloaked)) == S_OK && cloaked != 0;
}
uint32_t ProcessId(void*, uintptr_t w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(Hwnd(w), &pid);
    return pid;
}
void ReadTitle(void*, uintptr_t w, char16_t* out, int32_t capacity) {
    out[0] = 0;
    InternalGetWindowText(Hwnd(w), AsWide(out), capacity);
}

bool HasClass(HWND w, const wchar_t* name) {
    wchar_t found[64];
    return GetClassNameW(w, found, 64) > 0 && lstrcmpW(found, name) == 0;
}

bool IsAppFrame(void*, uintptr_t w) {
    return HasClass(Hwnd(w), L"ApplicationFrameWindow");
}

// A Store app's frame belongs to ApplicationFrameHost.exe; the app's own process owns a child
// window of class "Windows.UI.Core.CoreWindow" while it runs.
struct FramedApp {
    DWORD framePid;
    DWORD appPid;
};

BOOL CALLBACK FindCoreWindow(HWND child, LPARAM context) {
    auto* f = reinterpret_cast<FramedApp*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(child, &pid);
    if (pid != 0 && pid != f->framePid && HasClass(child, L"Windows.UI.Core.CoreWindow")) {
        f->appPid = pid;
        return FALSE;
    }
    return TRUE;
}

uint32_t FramedAppProcess(void*, uintptr_t frame, uint32_t framePid) {
    FramedApp f = {framePid, 0};
    EnumChildWindows(Hwnd(frame), FindCoreWindow, reinterpret_cast<LPARAM>(&f));
    return f.appPid;
}

// The window manager's answers; `getAttribute` is DwmGetWindowAttribute, or null.
WindowQueries DesktopQueries(void* getAttribute) {
    return WindowQueries{
        .context = getAttribute,
        .isVisible = IsVisible,
        .rootOwner = RootOwner,
        .isToolWindow = IsToolWindow,
        .titleLength = TitleLength,
        .isCloaked = IsCloaked,
        .processId = ProcessId,
        .readTitle = ReadTitle,
        .isAppFrame = IsAppFrame,
        .framedApp = FramedAppProcess,
    };
}

BOOL CALLBACK Collect(HWND window, LPARAM context) {
    return CollectAppWindow(reinterpret_cast<AppEnumContext*>(context), reinterpret_cast<uintptr_t>(window));
}

}  // namespace

int32_t SnapshotImageNames(ImageNameEntry* table, int32_t capacity) {
    int32_t n = 0;
    ForEachProcess([&](uint32_t pid, const wchar_t* image) {
        if (n >= capacity) {
            return false;
        }
        table[n].pid = pid;
        CopyWide(table[n].imageName, AsUtf16(image), APP_IMAGE_CAPACITY);
        n++;
        return true;
    });
    return n;
}

int32_t EnumerateOpenApps(AppEntry* entries, int32_t capacity, ImageNameEntry* imageNames) {
    AppEnumContext c = {};
    c.entries = entries;
    c.capacity = capacity;
    c.ownPid = GetCurrentProcessId();
    c.imageNames = imageNames;
    c.imageNameCount = SnapshotImageNames(imageNames, MAX_IMAGE_NAMES);
    // dwmapi is loaded for the enumeration only, so the program runs where it is missing.
    UniqueModule dwm(LoadSystemLibrary(L"dwmapi.dll"));
    void* getAttribute = ModuleFunction<void*>(dwm, "DwmGetWindowAttribute");
    c.windows = DesktopQueries(getAttribute);
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&c));
    return c.count;
}

uint32_t ForegroundAppWin() {
    HWND front = GetForegroundWindow();
    wchar_t className[64] = {};
    if (front) {
        GetClassNameW(front, className, 64);
    }
    const WindowQueries q = DesktopQueries(nullptr);
    return ForegroundAppProcess(&q, reinterpret_cast<uintptr_t>(front), AsUtf16(className), GetCurrentProcessId());
}
