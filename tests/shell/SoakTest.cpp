// A simulated day of one watch: 86,400 one-second ticks through the watch controller, with a
// system that does everything a real PC does to a long job. The tree grows until it fills the
// whole 2048-process snapshot, its members come and go, parents exit before their children,
// children live less than a tick, pids are reused, the system clock is set both ways, the
// machine sleeps and wakes, and the TCP tables outgrow their buffer. After every tick the
// watch's promises are checked, and after the first minute nothing may be allocated. Its log
// lines go to a file that passes the size limit several times a day.
#include "shell/Controller.h"
#include "engine/PowerLimits.h"
#include "files/Log.h"
#include "files/LogWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

// Every allocation of the test program is counted, the fakes' and the gtest's included.
static std::atomic<uint64_t> g_newCalls{0};

void* operator new(size_t size) {
    g_newCalls.fetch_add(1, std::memory_order_relaxed);
    void* p = malloc(size ? size : 1);
    if (!p) {
        abort();
    }
    return p;
}
void operator delete(void* p) noexcept {
    free(p);
}
void operator delete(void* p, size_t) noexcept {
    free(p);
}

namespace {

constexpr uint64_t SECOND = 10000000;
constexpr int32_t DAY = 86400;
constexpr uint32_t ROOT_PID = 4000;
constexpr uint32_t PID_SPACE = 1 << 16;  // every pid of the simulation lies below this
constexpr int32_t TCP_ROWS_MAX = 1200;

struct Process {
    uint32_t pid;
    uint32_t parent;
    bool member;  // truly in the watched tree: the root or started by a member
    bool brief;   // exits before the second after the one it started in
    ProcessCounters counters;
};

// The PC: its processes in creation order (as the system lists them), its clocks and its TCP
// tables. Fixed storage only, so the day allocates nothing.
struct World {
    Process procs[MAX_SNAPSHOT_PROCESSES];
    int32_t count = 0;
    int32_t slotOf[PID_SPACE];  // pid -> index in procs, -1 when no process has it
    int32_t members = 0;
    uint64_t now = 1000 * SECOND;     // interval clock
    int64_t wallOffset = int64_t{13000000} * 10000000;  // the system clock is ahead of it
    uint64_t rng = 0x9E3779B97F4A7C15ull;
    uint32_t freed[64];              // recently freed pids, for reuse
    int32_t freedCount = 0;
    uint32_t nextPid = 5000;
    uint8_t table4[4 + TCP_ROWS_MAX * sizeof(TcpRow4)];
    uint8_t table6[4 + TCP_ROWS_MAX * sizeof(TcpRow6)];
    uint32_t rows = 10;
    uint64_t tcpAllocations = 0;

    uint64_t Wall() const { return now + static_cast<uint64_t>(wallOffset); }
    uint32_t Random(uint32_t n) {
        rng ^= rng << 13;
        rng ^= rng >> 7;
        rng ^= rng << 17;
        return static_cast<uint32_t>(rng % n);
    }
    int32_t Find(uint32_t pid) const { return pid < PID_SPACE ? slotOf[pid] : -1; }
    uint32_t NewPid() {
        // A quarter of new processes get a pid that a process of this day had before.
        if (freedCount > 0 && Random(4) == 0) {
            int32_t at = static_cast<int32_t>(Random(static_cast<uint32_t>(freedCount)));
            uint32_t pid = freed[at];
            freed[at] = freed[--freedCount];
            return pid;
        }
        nextPid = nextPid + 4 < PID_SPACE ? nextPid + 4 : 5000;
        while (Find(nextPid) >= 0) {
            nextPid += 4;
        }
        return nextPid;
    }
    // Starts a process during the coming second; returns its index, or -1 when the list is full.
    int32_t Start(uint32_t parent, bool member) {
        if (count == MAX_SNAPSHOT_PROCESSES) {
            return -1;
        }
        uint32_t pid = NewPid();
        if (Find(pid) >= 0) {
            return -1;
        }
        Process& p = procs[count];
        p = Process{pid, parent, member, false, {}};
        p.counters.pid = pid;
        p.counters.creationTime = Wall() + SECOND / 2;  // it starts halfway through the second
        p.counters.workingSet = 1 << 20;
        slotOf[pid] = count;
        members += member;
        return count++;
    }
    void Exit(int32_t i) {
        if (freedCount < 64) {
            freed[freedCount++] = procs[i].pid;
        }
        slotOf[procs[i].pid] = -1;
        members -= procs[i].member;
        memmove(&procs[i], &procs[i + 1], sizeof(Process) * static_cast<size_t>(count - i - 1));
        count--;
        for (int32_t k = i; k < count; k++) {
            slotOf[procs[k].pid] = k;
        }
    }
    int32_t RandomMember() {
        for (;;) {
            int32_t i = static_cast<int32_t>(Random(static_cast<uint32_t>(count)));
            if (procs[i].member) {
                return i;
            }
        }
    }
    void BuildTables() {
        memcpy(table4, &rows, 4);
        memcpy(table6, &rows, 4);
        for (uint32_t r = 0; r < rows; r++) {
            uint32_t owner = procs[Random(static_cast<uint32_t>(count))].pid;
            TcpRow4 r4 = {r % 3 ? 5u : 2u, 0, 0, 0x0100000Au + r, 443, owner};
            memcpy(&table4[4 + r * sizeof(TcpRow4)], &r4, sizeof(r4));
            TcpRow6 r6 = {};
            r6.state = r % 2 ? 5u : 11u;
            r6.remoteAddr[0] = 0x20;
            r6.owningPid = owner;
            memcpy(&table6[4 + r * sizeof(TcpRow6)], &r6, sizeof(r6));
        }
    }
};

World* g_world;

int32_t Snapshot(void*, SnapshotEntry* entries, int32_t capacity) {
    int32_t n = g_world->count < capacity ? g_world->count : capacity;
    for (int32_t i = 0; i < n; i++) {
        const Process& p = g_world->procs[i];
        entries[i] = SnapshotEntry{p.pid, p.parent, p.counters.creationTime, 0};
    }
    return n;
}
int32_t SnapshotCounters(void*, int32_t i, ProcessCounters* out) {
    *out = g_world->procs[i].counters;
    return 1;
}
int32_t ReadProcess(void*, uint32_t pid, ProcessCounters* out) {
    int32_t i = g_world->Find(pid);
    if (i < 0) {
        return 0;
    }
    *out = g_world->procs[i].counters;
    return 1;
}
uint64_t IntervalNow(void*) {
    return g_world->now;
}
uint64_t WallNow(void*) {
    return g_world->Wall();
}

uint32_t GetTable(void* table, uint32_t* size, int32_t, uint32_t family, uint32_t, uint32_t) {
    const uint8_t* source = family == FAMILY_IPV4 ? g_world->table4 : g_world->table6;
    uint32_t needed = 4 + g_world->rows * (family == FAMILY_IPV4 ? sizeof(TcpRow4) : sizeof(TcpRow6));
    if (*size < needed) {
        *size = needed;
        return RESULT_INSUFFICIENT_BUFFER;
    }
    memcpy(table, source, needed);
    *size = needed;
    return RESULT_NO_ERROR;
}
void* Allocate(uint32_t size) {
    g_world->tcpAllocations++;
    return malloc(size);
}
void Release(void* block) {
    free(block);
}

uint32_t SetState(uint32_t) {
    return 1;
}

// The log file: its size, and its first bytes since it was last begun.
struct SoakLog {
    LogWriter writer;
    uint64_t size;
    uint64_t largest;
    uint64_t written;
    char head[64];
    uint32_t headLength;
};

LogFileOps SoakLogOps(SoakLog* log) {
    return LogFileOps{
        .context = log,
        .open = [](void*) { return true; },
        .size = [](void* c, uint64_t* size) {
            *size = static_cast<SoakLog*>(c)->size;
            return true;
        },
        .restart = [](void* c) {
            auto* l = static_cast<SoakLog*>(c);
            l->size = 0;
            l->headLength = 0;
            return true;
        },
        .write = [](void* c, const char* bytes, uint32_t count) {
            auto* l = static_cast<SoakLog*>(c);
            for (uint32_t i = 0; i < count && l->headLength < sizeof(l->head); i++) {
                l->head[l->headLength++] = bytes[i];
            }
            l->size += count;
            l->written += count;
            l->largest = l->size > l->largest ? l->size : l->largest;
            return count;
        },
        .close = [](void*) {},
        .milliseconds = [](void*) { return g_world->now / 10000; },
    };
}

void Write(SoakLog* log, const char* text, const char16_t* wide) {
    const LocalTime t = {2026, 12, 10, 12, 0, 0};
    char line[LOG_LINE_CAPACITY];
    int32_t n = FormatLogLine(line, LOG_LINE_CAPACITY, &t, text, wide);
    WriteLogBytes(&log->writer, line, static_cast<uint32_t>(n));
}

ControllerPlatform QuietPlatform(SoakLog* log) {
    return ControllerPlatform{
        .context = log,
        .startTimer = [](void*) -> uint32_t { return 0; },
        .stopTimer = [](void*) {},
        .showWindow = [](void*, bool) {},
        .bringToFront = [](void*) {},
        .windowVisible = [](void*) { return false; },
        .invalidateWindow = [](void*) {},
        .invalidateList = [](void*) {},
        .enumerateApps = [](void*, AppEntry* entries, int32_t) {
            entries[0] = AppEntry{};
            entries[0].pid = ROOT_PID;
            entries[0].title[0] = u'R';
            return int32_t{1};
        },
        .setListCount = [](void*, int32_t) {},
        .enableList = [](void*, bool) {},
        .writeLog = [](void* c, const char* text) { Write(static_cast<SoakLog*>(c), text, nullptr); },
        .writeLogWide = [](void* c, const char* prefix, const char16_t* text) { Write(static_cast<SoakLog*>(c), prefix, text); },
        .saveSettings = [](void*, LimitTable*, bool*, OptionalSettings*, bool*) { return uint32_t{0}; },
        .readPower = [](void*, PowerFacts* facts) { *facts = PowerFacts{}; },
        .followPower = [](void*, bool) {},
        .displayOff = [](void*) {},
        .closeMenus = [](void*) {},
        .limitsChanged = [](void*) {},
        .startCountdown = [](void*) { return uint32_t{0}; },
        .stopCountdown = [](void*) {},
        .performFinish = [](void*, FinishAction) { return uint32_t{0}; },
        .exitProgram = [](void*, bool) {},
        .findImage = [](void*, const char16_t*) { return uint32_t{0}; },
        .processImage = [](void*, uint32_t, char16_t*, int32_t) { return false; },
        .notifyUser = [](void*, const char16_t*) {},
        .startShutdownCheck = [](void*) {},
        .stopShutdownCheck = [](void*) {},
    };
}

TrayShell QuietTray() {
    return TrayShell{
        .context = nullptr,
        .notify = [](void*, uint32_t, const TrayState*, const char16_t*) { return int32_t{1}; },
        .lastError = [](void*) { return uint32_t{0}; },
        .makeIcon = [](void*, TrayIconKind kind) -> void* {
            return reinterpret_cast<void*>(static_cast<uintptr_t>(0x100 + static_cast<int32_t>(kind)));
        },
        .destroyIcon = [](void*, void*) {},
    };
}

// What the tree does in second t of the day: cycles of work, quiet long enough for IDLE, and
// streams of children too short to be seen for more than a tick.
struct Second {
    uint32_t permille;      // processor time the tree's members use
    int32_t flashes;        // children that start and exit within the second, never seen
    int32_t brief;          // children that live into the next tick and exit after it
};

Second Plan(int32_t t) {
    int32_t phase = t % 700;
    if (phase < 250) {
        return Second{1500, 0, 0};
    }
    if (phase < 400) {
        return Second{5, 0, 0};  // quiet past the 30 s wait: IDLE
    }
    if (phase < 500) {
        return Second{0, 6, 1};  // a build of short compiler runs
    }
    return Second{5, 0, 0};
}

struct Day {
    std::unique_ptr<World> world = std::make_unique<World>();
    std::unique_ptr<ProcessSampler> sampler = std::make_unique<ProcessSampler>();
    std::unique_ptr<Watch> watch = std::make_unique<Watch>();
    WatchStatus& status = watch->status;
    WatchedTree* const tree = &watch->tree;
    ActivityEvaluator* const evaluator = &watch->evaluator;
    PowerRequest& power = watch->power;
    std::unique_ptr<AppList> apps = std::make_unique<AppList>();
    LimitTable limits{};
    bool keepDisplayOn = false;
    OptionalSettings optional{};
    AppListView view{};
    TcpTableApi tcp{};
    TrayState tray{};
    SoakLog log{};
    WatchController c{};
    std::unique_ptr<uint8_t[]> seen = std::make_unique<uint8_t[]>(PID_SPACE);
    uint64_t lastPreviousTime = 0;
    uint64_t lastQuiet = 0;

    ~Day() { FreeTcpTableBuffer(&tcp); }

    Day() {
        g_world = world.get();
        World& w = *world;
        for (int32_t& slot : w.slotOf) {
            slot = -1;
        }
        Process& root = w.procs[w.count++];
        root = Process{ROOT_PID, 4, true, false, {}};
        root.counters.pid = ROOT_PID;
        w.slotOf[ROOT_PID] = 0;
        w.members = 1;
        root.counters.creationTime = w.Wall() - 100 * SECOND;
        for (int32_t i = 0; i < 300; i++) {
            w.Start(4, false);  // the rest of the system
        }
        w.BuildTables();
        sampler->platform =
            ProcessPlatform{
                .context = nullptr,
                .snapshot = Snapshot,
                .snapshotCounters = SnapshotCounters,
                .readProcess = ReadProcess,
                .intervalTime = IntervalNow,
                .wallTime = WallNow,
                .snapshotImage = nullptr,
                .jobMembers = nullptr,
                .jobTotals = nullptr,
            };
        tcp.getExtendedTcpTable = GetTable;
        tcp.allocate = Allocate;
        tcp.release = Release;
        SetDefaultLimits(&limits);
        limits.rows[WAIT_ROW].value = 30000;
        InitWatch(watch.get(), &limits, &keepDisplayOn, SetState);
        view.selectedIndex = -1;
        InitTray(&tray, 1, WM_TRAY_CALLBACK, QuietTray());
        log.writer = MakeLogWriter(SoakLogOps(&log));
        OpenLogWriter(&log.writer);
        c = WatchController{.watch = watch.get(), .sampler = sampler.get(), .tcp = &tcp, .gpu = nullptr, .limits = &limits,
                            .keepDisplayOn = &keepDisplayOn, .optional = &optional, .apps = apps.get(),
                            .listView = &view, .tray = &tray, .platform = QuietPlatform(&log)};
        RefreshAppList(&c);
        view.selectedIndex = 0;
        PreviewApp(&c, ROOT_PID);
        StartWatching(&c);
    }

    // The PC lives through second t.
    void Live(int32_t t) {
        World& w = *world;
        const Second plan = Plan(t);
        // Children of the last second that were to live through one tick exit first, so
        // nothing started in this second has a parent that is gone before the tick: such a
        // process could never be told apart from a stranger.
        for (int32_t i = w.count - 1; i > 0; i--) {
            if (w.procs[i].brief) {
                w.Exit(i);
            }
        }
        // The tree grows for the first hour until it fills the list; the rest of the system
        // makes room. Then members come and go at the cap.
        if (t < 3600) {
            for (int32_t k = 0; k < 2; k++) {
                if (w.count == MAX_SNAPSHOT_PROCESSES) {
                    for (int32_t i = 1; i < w.count; i++) {
                        if (!w.procs[i].member) {
                            w.Exit(i);
                            break;
                        }
                    }
                }
                w.Start(w.procs[w.RandomMember()].pid, true);
            }
        } else if (w.count > 1 && (plan.permille >= 1000 || t % 30 == 0)) {
            // Members come and go while the tree works, and now and then while it rests.
            int32_t leaving = static_cast<int32_t>(1 + w.Random(static_cast<uint32_t>(w.count - 1)));
            w.Exit(leaving);  // a parent may go before its children: they stay members
            if (w.Random(50) == 0) {
                w.Start(4, false);  // now and then a stranger, often under an old member's pid
            } else {
                w.Start(w.procs[w.RandomMember()].pid, true);
            }
        }
        for (int32_t k = 0; k < plan.brief; k++) {
            int32_t i = w.Start(w.procs[w.RandomMember()].pid, true);
            if (i >= 0) {
                w.procs[i].brief = true;
                w.procs[i].counters.cpuTime = SECOND / 10;
            }
        }
        for (int32_t k = 0; k < plan.flashes; k++) {
            // Started and gone within the second: only its pid is used up.
            if (w.freedCount < 64) {
                w.freed[w.freedCount++] = w.NewPid();
            }
        }
        // The work, spread over a few members.
        for (int32_t k = 0; k < 4; k++) {
            ProcessCounters& counters = w.procs[w.RandomMember()].counters;
            counters.cpuTime += plan.permille * SECOND / 4000;
            counters.ioBytes += w.Random(4096);
            counters.pageFaults += w.Random(50);
        }
        // The TCP tables outgrow the counter's buffer in the first minute, then move within it.
        w.rows = t < 60 ? 10 + static_cast<uint32_t>(t) * 20 : 100 + w.Random(TCP_ROWS_MAX - 100);
        if (t % 10 == 0) {
            w.BuildTables();
        }
        w.now += SECOND;
    }

    void CheckPromises(int32_t t) {
        ASSERT_EQ(status.watchMode, WATCH_ON) << t;
        if (evaluator->state == STATE_BUSY) {
            ASSERT_EQ(evaluator->quietMs, 0u) << t;
        }
        ASSERT_TRUE(evaluator->quietMs == 0 || evaluator->quietMs >= lastQuiet) << t;
        lastQuiet = evaluator->quietMs;
        const bool held = (power.lastFlags & ES_FLAG_SYSTEM_REQUIRED) != 0;
        ASSERT_EQ(held, WantsLock(status.currentState)) << t;
        ASSERT_GE(tree->previous.time, lastPreviousTime) << t;
        ASSERT_LE(log.size, LOG_SIZE_LIMIT) << t;
        lastPreviousTime = tree->previous.time;
        // The tree is exactly the processes that are truly in it, each once.
        ASSERT_EQ(tree->memberCount, world->members) << t;
        for (int32_t i = 0; i < tree->memberCount; i++) {
            uint32_t pid = tree->memberPids[i];
            ASSERT_EQ(seen[pid], 0) << "pid " << pid << " counted twice at " << t;
            seen[pid] = 1;
            int32_t at = world->Find(pid);
            ASSERT_TRUE(at >= 0 && world->procs[at].member) << "pid " << pid << " is no member at " << t;
        }
        for (int32_t i = 0; i < tree->memberCount; i++) {
            seen[tree->memberPids[i]] = 0;
        }
    }
};

TEST(Soak, ADayOfOneWatch) {
    auto started = std::chrono::steady_clock::now();
    Day day;
    World& w = *day.world;
    uint64_t newCallsAtOneMinute = 0, tcpAllocationsAtOneMinute = 0;
    int32_t busy = 0, grace = 0, idle = 0, spawn = 0, fullTree = 0;
    for (int32_t t = 0; t < DAY; t++) {
        day.Live(t);
        if (t == 20000) {
            w.wallOffset += 3600 * int64_t{SECOND};  // the clock set an hour ahead
        }
        if (t == 40000) {
            w.wallOffset -= 7200 * int64_t{SECOND};  // and two hours back
        }
        if (t == 30000 || t == 60000) {
            SystemSuspending(&day.c);
            w.wallOffset += 8 * 3600 * int64_t{SECOND};  // eight hours asleep: only the system clock moves
            SystemResumed(&day.c);
        }
        Tick(&day.c);
        day.CheckPromises(t);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
        busy += day.status.currentState == STATE_BUSY;
        grace += day.status.currentState == STATE_GRACE;
        idle += day.status.currentState == STATE_IDLE;
        spawn += day.evaluator->overMetric < 0 && day.evaluator->spawn.over;
        fullTree += day.tree->memberCount == MAX_SNAPSHOT_PROCESSES;
        if (t == 59) {
            newCallsAtOneMinute = g_newCalls.load();
            tcpAllocationsAtOneMinute = w.tcpAllocations;
        }
    }
    EXPECT_EQ(g_newCalls.load(), newCallsAtOneMinute) << "allocations after the first minute";
    EXPECT_EQ(w.tcpAllocations, tcpAllocationsAtOneMinute) << "TCP buffer allocations after the first minute";
    EXPECT_GT(tcpAllocationsAtOneMinute, 1u);  // the tables did outgrow the first buffer
    // The log was begun anew as it reached the limit, each time as a restarted file begins.
    EXPECT_GE(day.log.writer.restarts, 2u);
    const std::string begun = std::string("\xEF\xBB\xBF") + LOG_RESTART_LINE;
    EXPECT_EQ(std::string(day.log.head, day.log.headLength).substr(0, begun.size()), begun);
    EXPECT_GT(day.log.largest, LOG_SIZE_LIMIT - 1024);
    // The day went through everything it was meant to.
    EXPECT_GT(busy, 20000);
    EXPECT_GT(grace, 3000);
    EXPECT_GT(idle, 20000);
    EXPECT_GT(spawn, 3000);
    EXPECT_GT(fullTree, 1000);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    printf("soak: %d ticks in %.1f s; BUSY %d (spawn %d), grace %d, IDLE %d; %d ticks with a full tree; "
           "%llu bytes of log, begun anew %u times\n",
           DAY, seconds, busy, spawn, grace, idle, fullTree, static_cast<unsigned long long>(day.log.written),
           day.log.writer.restarts);
}

}  // namespace
