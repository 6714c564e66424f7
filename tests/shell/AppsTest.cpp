#include "shell/Apps.h"
#include "base/Text.h"

#include "tests/support/Utf16.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct FakeWindow {
    uintptr_t id;
    uint32_t pid;
    std::u16string title;
    bool visible = true;
    uintptr_t owner = 0;  // 0: unowned
    bool tool = false;
    bool cloaked = false;
    uint32_t framedApp = 0;  // a Store app's frame: the pid of its app's core window, or 0 when suspended
    bool frame = false;
};

// A Store app's frame, which the host owns, around the core window of process `app` (0: the
// app is suspended and has none).
FakeWindow StoreFrame(uintptr_t id, uint32_t host, const char16_t* title, uint32_t app) {
    FakeWindow w{id, host, title};
    w.frame = true;
    w.framedApp = app;
    return w;
}

struct FakeDesktop {
    std::vector<FakeWindow> windows;  // in z-order, topmost first
    const FakeWindow& Get(uintptr_t id) const {
        for (const FakeWindow& w : windows) {
            if (w.id == id) {
                return w;
            }
        }
        static const FakeWindow none{};
        return none;
    }
    static const FakeDesktop& D(void* c) { return *static_cast<FakeDesktop*>(c); }
    WindowQueries Queries() {
        return WindowQueries{
            .context = this,
            .isVisible = [](void* c, uintptr_t w) { return D(c).Get(w).visible; },
            .rootOwner = [](void* c, uintptr_t w) {
                uintptr_t root = w;
                while (D(c).Get(root).owner) {
                    root = D(c).Get(root).owner;
                }
                return root;
            },
            .isToolWindow = [](void* c, uintptr_t w) { return D(c).Get(w).tool; },
            .titleLength = [](void* c, uintptr_t w) { return static_cast<int32_t>(D(c).Get(w).title.size()); },
            .isCloaked = [](void* c, uintptr_t w) { return D(c).Get(w).cloaked; },
            .processId = [](void* c, uintptr_t w) { return D(c).Get(w).pid; },
            .readTitle = [](void* c, uintptr_t w, char16_t* out, int32_t capacity) {
                CopyWide(out, D(c).Get(w).title.c_str(), capacity);
            },
            .isAppFrame = [](void* c, uintptr_t w) { return D(c).Get(w).frame; },
            .framedApp = [](void* c, uintptr_t w, uint32_t) { return D(c).Get(w).framedApp; },
        };
    }
};

struct Enumeration {
    std::unique_ptr<AppList> list = std::make_unique<AppList>();
    std::vector<ImageNameEntry> names;
    int32_t callbacks = 0;
    bool stopped = false;

    void AddName(uint32_t pid, const std::u16string& name) {
        ImageNameEntry e{};
        e.pid = pid;
        CopyWide(e.imageName, name.c_str(), APP_IMAGE_CAPACITY);
        names.push_back(e);
    }
    int32_t Run(FakeDesktop* desktop, int32_t capacity = MAX_APPS) {
        AppEnumContext c = {};
        c.entries = list->entries;
        c.capacity = capacity;
        c.ownPid = 1;
        c.imageNames = names.data();
        c.imageNameCount = static_cast<int32_t>(names.size());
        c.windows = desktop->Queries();
        for (const FakeWindow& w : desktop->windows) {
            callbacks++;
            if (!CollectAppWindow(&c, w.id)) {
                stopped = true;
                break;
            }
        }
        list->count = c.count;
        return c.count;
    }
};

TEST(Apps, WhichWindowsAreApplications) {
    FakeDesktop desktop;
    desktop.windows = {
        {100, 1, u"Pellacord"},                                // our own window
        {101, 20, u"Save As", true, 102},                      // owned dialog, above its owner
        {102, 20, u"Editor"},
        {103, 30, u"Palette", true, 0, true},                  // tool window
        {104, 40, u""},                                        // untitled
        {105, 50, u"Other desktop", true, 0, false, true},     // cloaked
        {106, 60, u"Hidden", false},
        {107, 70, u"Upper"},
        {108, 70, u"Lower"},                                   // same process, lower in z-order
        {109, 0, u"No process"},
        {110, 80, u"Unknown image"},
    };
    Enumeration e;
    e.AddName(20, u"editor.exe");
    e.AddName(70, u"two.exe");
    e.AddName(70, u"shadowed.exe");  // the first match wins
    ASSERT_EQ(e.Run(&desktop), 3);
    struct Row { uint32_t pid; uintptr_t hwnd; std::u16string title, image; };
    const Row rows[] = {{20, 102, u"Editor", u"editor.exe"}, {70, 107, u"Upper", u"two.exe"},
                        {80, 110, u"Unknown image", u""}};
    for (int i = 0; i < 3; i++) {
        const AppEntry& a = e.list->entries[i];
        EXPECT_EQ(a.pid, rows[i].pid);
        EXPECT_EQ(a.hwnd, rows[i].hwnd);
        EXPECT_EQ(std::u16string(a.title), rows[i].title) << Printable(a.title);
        EXPECT_EQ(std::u16string(a.imageName), rows[i].image);
    }
}

// Every Store app's window is a frame that ApplicationFrameHost.exe owns. Each stands for the app
// whose core window it holds, with that app's image name and a row of its own; a frame whose app
// is suspended has no core window and is skipped.
TEST(Apps, StoreAppsAreTheirOwnProcesses) {
    constexpr uint32_t HOST = 900;
    FakeDesktop desktop;
    desktop.windows = {StoreFrame(300, HOST, u"Photos", 910), StoreFrame(301, HOST, u"Media Player", 920),
                       StoreFrame(302, HOST, u"Calculator", 0), {304, 930, u"Notepad"}};
    Enumeration e;
    e.AddName(HOST, u"ApplicationFrameHost.exe");
    e.AddName(910, u"Photos.exe");
    e.AddName(920, u"Microsoft.Media.Player.exe");
    e.AddName(930, u"notepad.exe");
    ASSERT_EQ(e.Run(&desktop), 3);
    struct Row { uint32_t pid; std::u16string title, image; };
    const Row rows[] = {{910, u"Photos", u"Photos.exe"},
                        {920, u"Media Player", u"Microsoft.Media.Player.exe"},
                        {930, u"Notepad", u"notepad.exe"}};
    for (int i = 0; i < 3; i++) {
        const AppEntry& a = e.list->entries[i];
        EXPECT_EQ(a.pid, rows[i].pid);
        EXPECT_EQ(std::u16string(a.title), rows[i].title) << Printable(a.title);
        EXPECT_EQ(std::u16string(a.imageName), rows[i].image) << Printable(a.imageName);
    }
}

TEST(Apps, LongTitlesAndNamesAreCut) {
    FakeDesktop desktop;
    desktop.windows = {{200, 9, std::u16string(200, u'T')}};
    Enumeration e;
    e.AddName(9, std::u16string(80, u'n'));
    ASSERT_EQ(e.Run(&desktop), 1);
    EXPECT_EQ(std::u16string(e.list->entries[0].title), std::u16string(127, u'T'));
    EXPECT_EQ(std::u16string(e.list->entries[0].imageName), std::u16string(63, u'n'));
}

TEST(Apps, StopsAtTheCapacity) {
    FakeDesktop desktop;
    for (uint32_t i = 0; i < 200; i++) {
        desktop.windows.push_back({1000 + i, 1000 + i, u"App"});
    }
    Enumeration e;
    EXPECT_EQ(e.Run(&desktop), MAX_APPS);
    EXPECT_TRUE(e.stopped);
    EXPECT_EQ(e.callbacks, MAX_APPS + 1);  // the next window after the 128th ends it

    Enumeration few;
    EXPECT_EQ(few.Run(&desktop, 0), 0);
    EXPECT_EQ(few.callbacks, 1);
}

// A script names an app by a part of its title, in any case.
TEST(Apps, TitlesFoundInAnyCase) {
    auto apps = std::make_unique<AppList>();
    const char16_t* titles[] = {u"Render Job", u"\u0391\u03C1\u03C7\u03B5\u03AF\u03BF", u"\u0400\u0401\u040F report",
                                u"\u0416\u0443\u0440\u043D\u0430\u043B", u"\u0141\u00F3d\u017A"};
    for (const char16_t* t : titles) {
        AppEntry* e = &apps->entries[apps->count++];
        CopyWide(e->title, t, APP_TITLE_CAPACITY);
    }
    struct Case {
        const char16_t* text;
        int32_t row;
    };
    const Case cases[] = {
        {u"render JOB", 0},
        {u"\u03B1\u03A1\u03A7", 1},                   // Greek
        {u"\u0450\u0451\u045F", 2},                   // Cyrillic \u0400-\u040F, whose small letters are 0x50 on
        {u"\u0436\u0423\u0420", 3},                   // Cyrillic \u0410-\u042F
        {u"\u0142\u00D3D\u0179", 4},                  // Latin Extended-A, the shifted runs too
        {u"", 0},
        {u"Render Jobs", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindAppByTitle(apps.get(), c.text), c.row) << Printable(c.text);
    }
}

TEST(WatchStatus, StartsIdleWithNothingWatched) {
    WatchStatus s = MakeWatchStatus();
    EXPECT_EQ(s.watchMode, WATCH_OFF);
    EXPECT_EQ(s.currentState, STATE_IDLE);
    EXPECT_EQ(s.sampling, 0);
    EXPECT_EQ(s.watchedApp.pid, 0u);
    EXPECT_EQ(s.watchedApp.title[0], 0);
    EXPECT_EQ(s.notice[0], 0);
}

// The hotkey's app in front: the foreground window's app as the list counts it, through the
// window that owns a dialog and through a Store app's frame; none for Pellacord's own window,
// the desktop, the taskbar, no window at all, or a suspended Store app.
TEST(Apps, TheAppInFront) {
    constexpr uint32_t OWN = 77, HOST = 900;
    FakeDesktop desktop;
    FakeWindow dialog{305, 930, u"Save As"};
    dialog.owner = 304;
    desktop.windows = {StoreFrame(300, HOST, u"Photos", 910), StoreFrame(301, HOST, u"Photos", 0),
                       {304, 930, u"Notepad"}, dialog, {400, OWN, u"Pellacord"}, {500, 40, u""}, {501, 40, u""},
                       {502, 40, u""}};
    const WindowQueries q = desktop.Queries();
    const struct {
        uintptr_t window;
        const char16_t* className;
        uint32_t pid;
    } CASES[] = {
        {304, u"Notepad", 930},
        {305, u"#32770", 930},                  // a dialog: the app that owns it
        {300, u"ApplicationFrameWindow", 910},  // a Store app: the app, not its frame's host
        {301, u"ApplicationFrameWindow", 0},    // suspended: nothing runs to watch
        {400, u"PellacordWindow", 0},
        {500, u"Progman", 0},
        {501, u"WorkerW", 0},
        {502, u"Shell_TrayWnd", 0},
        {0, u"", 0},
    };
    for (const auto& c : CASES) {
        EXPECT_EQ(ForegroundAppProcess(&q, c.window, c.className, OWN), c.pid) << c.window;
    }
}

}  // namespace
