#pragma once
#include "shell/Controller.h"
#include "base/Text.h"

#include "engine/PowerLimits.h"
#include "files/Log.h"
#include "tests/engine/FakeProcesses.h"
#include "base/Utf8.h"
#include "base/CaseFold.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The controller with everything outside it faked and recorded, for the controller tests.

namespace {

constexpr uint64_t SECOND = 10000000;
constexpr uint32_t APP_PID = 500;

std::string Utf8(const char16_t* s) {
    char out[512];
    int32_t n = Utf16ToUtf8(s, out, sizeof(out));
    return n > 0 ? std::string(out, static_cast<size_t>(n - 1)) : std::string();
}

// Everything outside the controller, recorded.
struct Outside {
    std::vector<std::string> log;
    std::vector<std::string> events;
    std::vector<AppEntry> apps;
    bool visible = true;
    int timerStarts = 0, timerStops = 0;
    bool timerRunning = false;
    int saves = 0;
    int savedDisplay = -1;
    LimitTable savedTable{};
    uint32_t timerError = 0;
    PowerFacts power{0, true, POWER_SOURCE_MAINS, BATTERY_PERCENT_UNKNOWN, {}, {}, 0};
    bool followingPower = false;
    OptionalSettings savedOptional{};
    int menusClosed = 0;
    std::function<void()> onFront;      // what the window does when it comes to the front
    std::function<void()> duringNotify; // what runs while the shell handles a tray call

    // tray shell
    bool refuseAdd = false;
    bool refuseModify = false;
    bool shellHasIcon = false;  // what the shell shows, whatever the tray record believes
    int iconsMade = 0, iconsDestroyed = 0;
    std::vector<std::string> trayCalls;

    // power
    std::vector<uint32_t> powerCalls;
    uint32_t powerResult = 1;

    // scripts and finished actions
    int limitsChanged = 0;
    bool countdownRunning = false;
    uint32_t countdownError = 0;
    std::vector<FinishAction> performed;
    uint32_t performError = 0;
    int exits = 0;
    std::vector<std::pair<std::u16string, uint32_t>> images;  // running processes by image name, oldest first
    std::vector<std::string> balloons;
    bool shutdownCheck = false;
    bool exitedForWork = false;
    uint32_t saveError = 0;
    std::function<void(LimitTable*, bool*)> handEdit;  // the next save finds the file edited so
};

Outside* g_out;

uint32_t FakePower(uint32_t flags) {
    g_out->powerCalls.push_back(flags);
    g_out->events.push_back("power");
    return g_out->powerResult;
}

ControllerPlatform Platform(Outside* o) {
    return ControllerPlatform{
        .context = o,
        .startTimer = [](void* c) -> uint32_t {
            auto* x = static_cast<Outside*>(c);
            x->timerStarts++;
            x->events.push_back("timer");
            x->timerRunning = x->timerError == 0;
            return x->timerError;
        },
        .stopTimer = [](void* c) { auto* x = static_cast<Outside*>(c); x->timerStops++; x->timerRunning = false; },
        .showWindow = [](void* c, bool show) {
            auto* x = static_cast<Outside*>(c);
            x->visible = show;
            x->events.push_back(show ? "show" : "hide");
        },
        .bringToFront = [](void* c) {
            auto* x = static_cast<Outside*>(c);
            x->events.push_back("front");
            if (x->onFront) {
                x->onFront();
            }
        },
        .windowVisible = [](void* c) { return static_cast<Outside*>(c)->visible; },
        .invalidateWindow = [](void* c) { static_cast<Outside*>(c)->events.push_back("paint"); },
        .invalidateList = [](void* c) { static_cast<Outside*>(c)->events.push_back("paint list"); },
        .enumerateApps = [](void* c, AppEntry* entries, int32_t capacity) {
            auto* x = static_cast<Outside*>(c);
            int32_t n = 0;
            for (const AppEntry& e : x->apps) {
                if (n < capacity) {
                    entries[n++] = e;
                }
            }
            x->events.push_back("enumerate");
            return n;
        },
        .setListCount = [](void* c, int32_t count) { static_cast<Outside*>(c)->events.push_back("count " + std::to_string(count)); },
        .enableList = [](void* c, bool enable) { static_cast<Outside*>(c)->events.push_back(enable ? "enable" : "disable"); },
        .writeLog = [](void* c, const char* text) { static_cast<Outside*>(c)->log.push_back(text); },
        .writeLogWide = [](void* c, const char* prefix, const char16_t* text) {
            static_cast<Outside*>(c)->log.push_back(std::string(prefix) + Utf8(text));
        },
        .saveSettings = [](void* c, LimitTable* table, bool* display, OptionalSettings* optional,
                           bool* tookHandEdits) -> uint32_t {
            auto* x = static_cast<Outside*>(c);
            x->saves++;
            *tookHandEdits = false;
            if (x->handEdit) {
                x->handEdit(table, display);  // what the file held, edited by hand
                *tookHandEdits = true;
                x->handEdit = nullptr;
            }
            x->savedDisplay = *display;
            x->savedTable = *table;
            x->savedOptional = *optional;
            return x->saveError;
        },
        .readPower = [](void* c, PowerFacts* facts) { *facts = static_cast<Outside*>(c)->power; },
        .followPower = [](void* c, bool follow) {
            auto* x = static_cast<Outside*>(c);
            x->followingPower = follow;
        },
        .displayOff = [](void* c) { static_cast<Outside*>(c)->events.push_back("display off"); },
        .closeMenus = [](void* c) { static_cast<Outside*>(c)->menusClosed++; },
        .limitsChanged = [](void* c) { static_cast<Outside*>(c)->limitsChanged++; },
        .startCountdown = [](void* c) -> uint32_t {
            auto* x = static_cast<Outside*>(c);
            x->countdownRunning = x->countdownError == 0;
            return x->countdownError;
        },
        .stopCountdown = [](void* c) { static_cast<Outside*>(c)->countdownRunning = false; },
        .performFinish = [](void* c, FinishAction action) {
            auto* x = static_cast<Outside*>(c);
            x->performed.push_back(action);
            return x->performError;
        },
        .exitProgram = [](void* c, bool workFinished) {
            auto* x = static_cast<Outside*>(c);
            x->exits++;
            x->exitedForWork = workFinished;
        },
        .findImage = [](void* c, const char16_t* image) -> uint32_t {
            for (const auto& [name, pid] : static_cast<Outside*>(c)->images) {
                if (ContainsIgnoringCase(name.c_str(), image) && name.size() == std::u16string(image).size()) {
                    return pid;
                }
            }
            return 0;
        },
        .processImage = [](void* c, uint32_t pid, char16_t* image, int32_t capacity) {
            for (const auto& [name, p] : static_cast<Outside*>(c)->images) {
                if (p == pid) {
                    CopyWide(image, name.c_str(), capacity);
                    return true;
                }
            }
            return false;
        },
        .notifyUser = [](void* c, const char16_t* text) { static_cast<Outside*>(c)->balloons.push_back(Utf8(text)); },
        .startShutdownCheck = [](void* c) { static_cast<Outside*>(c)->shutdownCheck = true; },
        .stopShutdownCheck = [](void* c) { static_cast<Outside*>(c)->shutdownCheck = false; },
    };
}

TrayShell FakeTrayShell(Outside* o) {
    return TrayShell{
        .context = o,
        .notify = [](void* c, uint32_t message, const TrayState*, const char16_t* tip) -> int32_t {
            auto* x = static_cast<Outside*>(c);
            const char* names[] = {"add", "modify", "delete"};
            x->trayCalls.push_back(std::string(names[message]) + (tip ? " " + Utf8(tip) : ""));
            if (x->duringNotify) {
                std::function<void()> nested = std::move(x->duringNotify);
                x->duringNotify = nullptr;
                nested();
            }
            // As the shell does: an icon it shows already cannot be added again, and one it does
            // not show cannot be modified.
            if (message == TRAY_ADD) {
                if (x->refuseAdd || x->shellHasIcon) {
                    return 0;
                }
                x->shellHasIcon = true;
            } else if (message == TRAY_MODIFY) {
                return !x->refuseModify && x->shellHasIcon;
            } else if (message == TRAY_DELETE) {
                bool had = x->shellHasIcon;
                x->shellHasIcon = false;
                return had;
            }
            return 1;
        },
        .lastError = [](void*) -> uint32_t { return 1460; },
        .makeIcon = [](void* c, TrayIconKind kind) -> void* {
            auto* x = static_cast<Outside*>(c);
            x->iconsMade++;
            return reinterpret_cast<void*>(static_cast<uintptr_t>(0x100 + static_cast<int32_t>(kind)));
        },
        .destroyIcon = [](void* c, void*) { static_cast<Outside*>(c)->iconsDestroyed++; },
    };
}

AppEntry Entry(uint32_t pid, const char16_t* title, const char16_t* image) {
    AppEntry e{};
    e.pid = pid;
    CopyWide(e.title, title, APP_TITLE_CAPACITY);
    CopyWide(e.imageName, image, APP_IMAGE_CAPACITY);
    return e;
}

struct ControllerFixture : ::testing::Test {
    Outside out;
    FakeProcesses processes;
    std::unique_ptr<Watch> watch = std::make_unique<Watch>();
    WatchStatus& status = watch->status;
    WatchedTree* const tree = &watch->tree;
    ActivityEvaluator* const evaluator = &watch->evaluator;
    PowerRequest& power = watch->power;
    std::unique_ptr<ProcessSampler> sampler = std::make_unique<ProcessSampler>();
    LimitTable limits;
    bool keepDisplayOn = false;
    OptionalSettings optional{};
    std::unique_ptr<AppList> apps = std::make_unique<AppList>();
    AppListView view{};
    TcpTableApi tcp{};
    TrayState tray{};
    WatchController c{};

    void SetUp() override {
        g_out = &out;
        SetDefaultLimits(&limits);
        limits.rows[WAIT_ROW].value = 30000;
        InitWatch(watch.get(), &limits, &keepDisplayOn, FakePower);
        sampler->platform = processes.Platform();
        processes.now = 1000 * SECOND;
        processes.Add(APP_PID, 4, 10 * SECOND);
        processes.Add(501, APP_PID, 20 * SECOND);
        processes.Add(4, 0, 1 * SECOND);  // the system, which every process list holds
        out.apps = {Entry(77, u"Other", u"other.exe"), Entry(APP_PID, u"Build \u00B7 Release", u"make.exe")};
        view.selectedIndex = -1;
        view.hoverIndex = -1;
        InitTray(&tray, 1, WM_TRAY_CALLBACK, FakeTrayShell(&out));
        c = WatchController{.watch = watch.get(), .sampler = sampler.get(), .tcp = &tcp, .gpu = nullptr, .limits = &limits,
                            .keepDisplayOn = &keepDisplayOn, .optional = &optional, .apps = apps.get(),
                            .listView = &view, .tray = &tray, .platform = Platform(&out)};
        RefreshAppList(&c);
    }

    // One second passes; the app used `permille` of a core during it.
    void Second(uint64_t permille) {
        processes.now += SECOND;
        if (FakeProcess* root = processes.Find(APP_PID)) {
            root->counters.cpuTime += permille * SECOND / 1000;
        }
        Tick(&c);
    }
    // The app exits, and the process it started: the tree is empty.
    void AppExits() {
        processes.list.erase(std::remove_if(processes.list.begin(), processes.list.end(),
                                            [](const FakeProcess& p) { return p.pid == APP_PID || p.pid == 501; }),
                             processes.list.end());
    }
    void Select(int32_t row) {
        view.selectedIndex = row;
        PreviewApp(&c, apps->entries[row].pid);
    }
    std::vector<std::string> LogSince(size_t from) const {
        return std::vector<std::string>(out.log.begin() + static_cast<ptrdiff_t>(from), out.log.end());
    }
};

}  // namespace
