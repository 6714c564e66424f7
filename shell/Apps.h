#pragma once
#include "ui/AppList.h"

#include <cstdint>

// Finding the open applications: one row per process that owns a visible, titled, unowned
// top-level window that is not a tool window, in the desktop's z-order. A Store app counts as
// its own process, not as the frame host that owns its window.

constexpr int32_t MAX_IMAGE_NAMES = 2048;

struct ImageNameEntry {
    uint32_t pid;
    char16_t imageName[APP_IMAGE_CAPACITY];
};

// What the filter asks of one window. The Win32 layer answers from the window manager;
// tests answer from a list.
struct WindowQueries {
    void* context;
    bool (*isVisible)(void* context, uintptr_t window);
    uintptr_t (*rootOwner)(void* context, uintptr_t window);
    bool (*isToolWindow)(void* context, uintptr_t window);
    int32_t (*titleLength)(void* context, uintptr_t window);
    bool (*isCloaked)(void* context, uintptr_t window);
    uint32_t (*processId)(void* context, uintptr_t window);
    void (*readTitle)(void* context, uintptr_t window, char16_t* out, int32_t capacity);
    // A Store app's frame (class "ApplicationFrameWindow"), which ApplicationFrameHost.exe owns.
    bool (*isAppFrame)(void* context, uintptr_t window);
    // The process of the frame's child of class "Windows.UI.Core.CoreWindow" that another
    // process than the frame's owns: the app itself. 0 when there is none (the app is suspended).
    uint32_t (*framedApp)(void* context, uintptr_t frame, uint32_t framePid);
};

// The process an open window stands for: its own, or for a Store app's frame the app's, which
// is no descendant of the frame's host. 0 when the window stands for no running app.
uint32_t AppProcessOf(const WindowQueries* windows, uintptr_t window);

// The app in front, which the hotkey watches: the process the foreground window, or the window
// that owns it, stands for, as the list counts it (a Store app's own). 0 when there is none to
// watch: no window, the desktop or the taskbar (by the foreground window's class), or Pellacord.
uint32_t ForegroundAppProcess(const WindowQueries* windows, uintptr_t window, const char16_t* className,
                              uint32_t ownPid);
// The shell's own hosts of Start, Search and the action center, whose windows are of the class
// Store apps use: in front, they are no app to watch.
bool IsShellHostImage(const char16_t* imageName);

struct AppEnumContext {
    AppEntry* entries;
    int32_t capacity;
    int32_t count;
    uint32_t ownPid;
    const ImageNameEntry* imageNames;
    int32_t imageNameCount;
    WindowQueries windows;
};

// One window of the enumeration: true to go on, false once the list is full.
bool CollectAppWindow(AppEnumContext* context, uintptr_t window);
const char16_t* FindImageName(const AppEnumContext* context, uint32_t pid);
