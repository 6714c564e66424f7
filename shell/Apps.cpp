#include "shell/Apps.h"

#include "base/Text.h"
#include "base/CaseFold.h"

const char16_t* FindImageName(const AppEnumContext* c, uint32_t pid) {
    for (int32_t i = 0; i < c->imageNameCount; i++) {
        if (c->imageNames[i].pid == pid) {
            return c->imageNames[i].imageName;
        }
    }
    return u"";
}

uint32_t AppProcessOf(const WindowQueries* q, uintptr_t w) {
    uint32_t pid = q->processId(q->context, w);
    if (pid != 0 && q->isAppFrame(q->context, w)) {
        return q->framedApp(q->context, w, pid);  // a suspended app's frame is skipped, as cloaked windows are
    }
    return pid;
}

uint32_t ForegroundAppProcess(const WindowQueries* q, uintptr_t window, const char16_t* className, uint32_t ownPid) {
    // The desktop's windows, the taskbars on every monitor, the notification area's overflow,
    // and the task switchers.
    static const char16_t* const SHELL_CLASSES[] = {
        u"Progman",         u"WorkerW",        u"Shell_TrayWnd",         u"Shell_SecondaryTrayWnd",
        u"NotifyIconOverflowWindow", u"TopLevelWindowForOverflowXamlIsland", u"MultitaskingViewFrame",
        u"XamlExplorerHostIslandWindow", u"ForegroundStaging"};
    if (window == 0) {
        return 0;
    }
    for (const char16_t* shell : SHELL_CLASSES) {
        if (WideEqual(className, shell)) {
            return 0;
        }
    }
    const uintptr_t root = q->rootOwner(q->context, window);
    const uint32_t pid = AppProcessOf(q, root != 0 ? root : window);
    return pid == ownPid ? 0 : pid;
}

bool IsShellHostImage(const char16_t* imageName) {
    static const char16_t* const HOSTS[] = {u"StartMenuExperienceHost.exe", u"SearchHost.exe", u"SearchApp.exe",
                                            u"SearchUI.exe", u"ShellExperienceHost.exe"};
    for (const char16_t* host : HOSTS) {
        if (EqualIgnoringCase(imageName, host)) {
            return true;
        }
    }
    return false;
}

bool CollectAppWindow(AppEnumContext* c, uintptr_t w) {
    if (c->count >= c->capacity) {
        return false;
    }
    const WindowQueries& q = c->windows;
    // Owned windows (dialogs, palettes), tool windows, untitled and cloaked windows are not
    // applications.
    if (!q.isVisible(q.context, w) || q.rootOwner(q.context, w) != w || q.isToolWindow(q.context, w) ||
        q.titleLength(q.context, w) == 0 || q.isCloaked(q.context, w)) {
        return true;
    }
    uint32_t pid = AppProcessOf(&q, w);
    if (pid == 0 || pid == c->ownPid) {
        return true;
    }
    for (int32_t i = 0; i < c->count; i++) {
        if (c->entries[i].pid == pid) {
            return true;  // each process once, through its highest window
        }
    }
    AppEntry* e = &c->entries[c->count];
    e->pid = pid;
    e->hwnd = w;
    e->title[0] = 0;
    q.readTitle(q.context, w, e->title, APP_TITLE_CAPACITY);
    CopyWide(e->imageName, FindImageName(c, pid), APP_IMAGE_CAPACITY);
    c->count++;
    return true;
}
