#include "shell/ControllerInternal.h"

#include "shell/Apps.h"

#include "base/Format.h"
#include "base/Text.h"

// Watches named by scripts: by process id, by image name (waiting for it to start when none
// runs) or by a window title.

namespace {

// The process's window title as the list shows it, when it has one.
void TitleFromList(WatchController* c, AppEntry* entry) {
    RefreshAppList(c);
    int32_t i = FindAppByPid(c->apps, entry->pid);
    if (i >= 0) {
        CopyWide(entry->title, c->apps->entries[i].title, APP_TITLE_CAPACITY);
    }
}

// False when there can be no ticks to look for the image: nothing is awaited then.
bool BeginWaiting(WatchController* c, const char16_t* imageName, const WatchOptions* options) {
    WatchStatus* s = &c->watch->status;
    if (s->watchMode == WATCH_ON) {
        EndWatch(c, u"", false);
    }
    if (!StartTicks(c)) {
        CopyWide(s->notice, u"Windows refused a timer \u00B7 the app is not watched", NOTICE_CAPACITY);
        return false;
    }
    UseWatchLimits(c, options);
    c->watch->waitingOptions = *options;
    StopSampling(c->watch);  // nothing is sampled until the app runs
    CopyWide(s->waitingFor, imageName, APP_IMAGE_CAPACITY);
    EnterWatch(c, imageName, imageName, 0, STATE_IDLE, options->then);
    AddTrayIcon(c->tray);
    UpdateTray(c);
    char16_t line[APP_IMAGE_CAPACITY + 32];
    FormatText(line, APP_IMAGE_CAPACITY + 32, u"waiting for %s to start", imageName);
    ControllerLogWide(c, "", line);
    c->platform.showWindow(Context(c), false);
    c->platform.invalidateWindow(Context(c));
    return true;
}

}  // namespace

void PollWaiting(WatchController* c) {
    AppEntry entry = {};
    entry.pid = c->platform.findImage(Context(c), c->watch->status.waitingFor);
    if (entry.pid == 0 || !c->platform.processImage(Context(c), entry.pid, entry.imageName, APP_IMAGE_CAPACITY)) {
        return;
    }
    TitleFromList(c, &entry);
    (void)BeginWatch(c, &entry, &c->watch->waitingOptions);  // gone again at once: the wait goes on
}

bool WatchTarget(WatchController* c, TargetKind kind, uint32_t pid, const char16_t* text, const WatchOptions* options) {
    AppEntry entry = {};
    if (kind == TargetKind::Title) {
        RefreshAppList(c);
        int32_t i = FindAppByTitle(c->apps, text);
        if (i < 0) {
            return false;
        }
        entry = c->apps->entries[i];
        // A window whose process is gone already: the running watch is not ended for it.
        if (!c->platform.processImage(Context(c), entry.pid, entry.imageName, APP_IMAGE_CAPACITY)) {
            return false;
        }
    } else {
        if (kind == TargetKind::Image) {
            pid = c->platform.findImage(Context(c), text);
            if (pid == 0) {
                return BeginWaiting(c, text, options);
            }
        }
        if (!c->platform.processImage(Context(c), pid, entry.imageName, APP_IMAGE_CAPACITY)) {
            return false;
        }
        entry.pid = pid;
        TitleFromList(c, &entry);
    }
    if (c->watch->status.watchMode == WATCH_ON) {
        EndWatch(c, u"", false);
    }
    return BeginWatch(c, &entry, options) == WatchStart::Started;
}

void HotkeyPressed(WatchController* c, uint32_t pid, const char16_t* hotkeyName) {
    WatchStatus* s = &c->watch->status;
    char16_t text[APP_TITLE_CAPACITY + 64];
    if (c->hotkeySerial != 0 && s->watchMode == WATCH_ON && s->watchSerial == c->hotkeySerial) {
        FormatText(text, APP_TITLE_CAPACITY + 64, u"Stopped watching %s.", s->watchedApp.title);
        c->hotkeySerial = 0;
        StopWatching(c, u"released by the hotkey");
        c->platform.notifyUser(Context(c), text);
        return;
    }
    if (pid != 0 && s->watchMode == WATCH_ON && !s->waitingFor[0] && s->watchedApp.pid == pid) {
        // Watched already, with the limits and the finished action it was given: it goes on.
        FormatText(text, APP_TITLE_CAPACITY + 64, u"Already watching %s.", s->watchedApp.title);
        c->platform.notifyUser(Context(c), text);
        return;
    }
    // The watch of the app in front, with the limits in force, as a click on its row would; a
    // watch of another app ends first, as for --watch.
    const WatchOptions none = {};
    char16_t image[APP_IMAGE_CAPACITY] = {};
    if (pid == 0 || (c->platform.processImage(Context(c), pid, image, APP_IMAGE_CAPACITY) && IsShellHostImage(image)) ||
        !WatchTarget(c, TargetKind::Pid, pid, nullptr, &none)) {
        c->platform.notifyUser(Context(c), u"No app in front to watch");
        return;
    }
    c->hotkeySerial = s->watchSerial;
    FormatText(text, APP_TITLE_CAPACITY + 64, u"Watching %s. Press %s again to stop.", s->watchedApp.title,
               hotkeyName);
    c->platform.notifyUser(Context(c), text);
}
