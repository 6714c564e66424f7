// One tick of the engine's logic at its limits: a 2048-process snapshot holding a 256-process
// tree listed in the worst order, and 500 TCP rows per family.
//
//   cmake --preset bench && cmake --build --preset bench && build/bench/tests/bench/engine_bench
#include "engine/Connections.h"
#include "engine/Evaluator.h"
#include "engine/GpuUsage.h"
#include "engine/Sampler.h"

#include "tests/engine/FakeProcesses.h"
#include "tests/engine/ReferenceMark.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint64_t SECOND = 10000000;
constexpr uint32_t ROOT = 50000;

// Children before parents: a chain of 63 generations listed youngest first, so the pass rule
// needs all 64 passes, then 192 more children of chain members, then 1792 strangers.
void BuildSystem(FakeProcesses* f) {
    f->now = 1000 * SECOND;
    for (uint32_t g = 63; g >= 1; g--) {
        f->Add(ROOT + g, ROOT + g - 1, 100 * SECOND + g);
    }
    for (uint32_t i = 0; i < 192; i++) {
        f->Add(60000 + i, ROOT + 1 + i % 63, 200 * SECOND);
    }
    f->Add(ROOT, 4, 100 * SECOND);
    for (uint32_t i = 0; f->list.size() < MAX_SNAPSHOT_PROCESSES; i++) {
        f->Add(70000 + i, 70000 + (i + 1) % 1800, 50 * SECOND);
    }
}

std::vector<uint8_t> g_table4, g_table6;

uint32_t ServeTable(void* table, uint32_t* size, int32_t, uint32_t family, uint32_t, uint32_t) {
    const std::vector<uint8_t>& t = family == FAMILY_IPV4 ? g_table4 : g_table6;
    if (*size < t.size()) {
        *size = static_cast<uint32_t>(t.size());
        return RESULT_INSUFFICIENT_BUFFER;
    }
    memcpy(table, t.data(), t.size());
    *size = static_cast<uint32_t>(t.size());
    return RESULT_NO_ERROR;
}

void BuildTcpTables() {
    const uint32_t rows = 500;
    g_table4.assign(4 + rows * sizeof(TcpRow4), 0);
    g_table6.assign(4 + rows * sizeof(TcpRow6), 0);
    memcpy(g_table4.data(), &rows, 4);
    memcpy(g_table6.data(), &rows, 4);
    for (uint32_t i = 0; i < rows; i++) {
        TcpRow4 r4 = {i % 2 ? 5u : 2u, 0, 0, 0x0100000Au + i, 443, i % 3 ? 70000 + i : 60000 + i % 192};
        memcpy(&g_table4[4 + i * sizeof(TcpRow4)], &r4, sizeof(r4));
        TcpRow6 r6 = {};
        r6.state = i % 2 ? 5u : 11u;
        r6.remoteAddr[0] = 0x20;
        r6.owningPid = i % 3 ? 70000 + i : 60000 + i % 192;
        memcpy(&g_table6[4 + i * sizeof(TcpRow6)], &r6, sizeof(r6));
    }
}

// GPU statistics for 2 adapters of 8 engines each, where 16 members of the tree (60000 to
// 60015) run on an engine each; every other read is empty, as for a process that never used
// the GPU. A handle is the pid.
constexpr uint32_t GPU_USERS = 16;
uint64_t g_gpuRunning[GPU_USERS];

GpuPlatform BenchGpu() {
    return GpuPlatform{
        .context = nullptr,
        .windowsBuild = [](void*) { return 19045u; },
        .listAdapters = [](void*, GpuAdapter* out, int32_t capacity) {
            int32_t n = capacity < 2 ? capacity : 2;
            for (int32_t i = 0; i < n; i++) {
                out[i] = GpuAdapter{static_cast<uint32_t>(1 + i), 0, 8, false};
            }
            return n;
        },
        .openProcess = [](void*, uint32_t pid) { return reinterpret_cast<void*>(static_cast<uintptr_t>(pid)); },
        .closeProcess = [](void*, void*) {},
        .readEngine = [](void*, void* process, const GpuAdapter* adapter, uint32_t node, uint64_t* time) {
            const uint32_t k = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(process)) - 60000;
            if (k < GPU_USERS && adapter->luidLow == 1 + (k & 1) && node == k / 2) {
                *time = g_gpuRunning[k];
                return GpuRead::Value;
            }
            return GpuRead::Empty;
        },
        .readAdapter = [](void*, void* process, const GpuAdapter* adapter, uint64_t* times) {
            const uint32_t k = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(process)) - 60000;
            for (uint32_t n = 0; n < adapter->nodeCount; n++) {
                times[n] = 0;
            }
            if (k < GPU_USERS && adapter->luidLow == 1 + (k & 1)) {
                times[k / 2] = g_gpuRunning[k];
                return GpuRead::Value;
            }
            return GpuRead::Empty;
        },
    };
}

struct Engine {
    FakeProcesses fake;
    std::unique_ptr<ProcessSampler> sampler = std::make_unique<ProcessSampler>();
    std::unique_ptr<WatchedTree> tree = std::make_unique<WatchedTree>();
    std::unique_ptr<ActivityEvaluator> evaluator = std::make_unique<ActivityEvaluator>();
    TcpTableApi tcp{};
    LimitTable limits;
    std::unique_ptr<GpuSource> gpu;
    std::unique_ptr<GpuUsage> gpuUsage = std::make_unique<GpuUsage>();

    explicit Engine(bool withGpu = false) {
        if (withGpu) {
            gpu = std::make_unique<GpuSource>();
            gpu->platform = BenchGpu();
        }
        BuildSystem(&fake);
        BuildTcpTables();
        sampler->platform = fake.Platform();
        tcp.getExtendedTcpTable = ServeTable;
        tcp.allocate = [](uint32_t size) { return malloc(size); };
        tcp.release = free;
        SetDefaultLimits(&limits);
        ResetEvaluator(evaluator.get(), &limits);
        AttachWatchedTree(sampler.get(), tree.get(), ROOT);
    }
    ~Engine() { FreeTcpTableBuffer(&tcp); }

    void Advance() {
        fake.now += SECOND;
        for (FakeProcess& p : fake.list) {
            p.counters.cpuTime += 1000;
            p.counters.ioBytes += 4096;
        }
        for (uint64_t& running : g_gpuRunning) {
            running += SECOND / 4;
        }
    }
    void Tick() {
        ActivitySample sample;
        SampleWatchedTree(sampler.get(), tree.get(), &sample);
        if (gpu) {
            SampleGpu(gpu.get(), gpuUsage.get(), tree.get(), tree->previous.time, &sample);
        }
        int32_t connections = CountTreeConnections(&tcp, TreeMembers(tree.get()));
        benchmark::DoNotOptimize(EvaluateActivity(evaluator.get(), &sample, connections));
    }
};

void BM_EngineTick(benchmark::State& state) {
    Engine engine;
    engine.Tick();
    for (auto _ : state) {
        state.PauseTiming();
        engine.Advance();
        state.ResumeTiming();
        engine.Tick();
    }
    if (engine.tree->memberCount != 256) {
        state.SkipWithError("the tree should hold 256 processes");
    }
}
BENCHMARK(BM_EngineTick)->Unit(benchmark::kMicrosecond);

// The same tick with the GPU measure: the 16 GPU users read on all 16 engines every tick, the
// other 240 members probed in turn.
void BM_EngineTickGpu(benchmark::State& state) {
    Engine engine(true);
    for (int i = 0; i < 20; i++) {  // past the first probes of every member
        engine.Advance();
        engine.Tick();
    }
    int64_t reads = 0;
    for (auto _ : state) {
        state.PauseTiming();
        engine.Advance();
        state.ResumeTiming();
        engine.Tick();
        reads += engine.gpuUsage->calls;
    }
    state.counters["reads"] = benchmark::Counter(static_cast<double>(reads), benchmark::Counter::kAvgIterations);
    if (engine.tree->memberCount != 256 || engine.evaluator->gpu.average != 250) {
        state.SkipWithError("the tree should hold 256 processes, its busiest engine at 25%");
    }
}
BENCHMARK(BM_EngineTickGpu)->Unit(benchmark::kMicrosecond);

// The least work any tick must do: one pass over the same snapshot and TCP rows, reading once
// every field a tick uses (each entry's ids and creation time, each member's counters, each
// row's state and owner) and summing them. The tick is reported as a multiple of this.
void BM_SnapshotFloor(benchmark::State& state) {
    Engine engine;
    engine.Tick();
    std::vector<uint8_t> member(engine.fake.list.size(), 0);
    for (size_t i = 0; i < engine.fake.list.size(); i++) {
        for (int32_t m = 0; m < engine.tree->memberCount; m++) {
            member[i] |= engine.fake.list[i].pid == engine.tree->memberPids[m];
        }
    }
    auto entries = std::make_unique<SnapshotEntry[]>(MAX_SNAPSHOT_PROCESSES);
    std::vector<uint8_t> table(g_table6.size());
    const ProcessPlatform& p = engine.sampler->platform;
    for (auto _ : state) {
        state.PauseTiming();
        engine.Advance();
        state.ResumeTiming();
        uint64_t sum = 0;
        int32_t n = p.snapshot(p.context, entries.get(), MAX_SNAPSHOT_PROCESSES);
        for (int32_t i = 0; i < n; i++) {
            sum += entries[i].pid + entries[i].parentPid + entries[i].creationTime;
            ProcessCounters c;
            if (member[static_cast<size_t>(i)] && p.snapshotCounters(p.context, i, &c)) {
                sum += c.creationTime + c.cpuTime + c.ioBytes + c.otherBytes + c.pageFaults + c.workingSet;
            }
        }
        for (uint32_t family : {FAMILY_IPV4, FAMILY_IPV6}) {
            uint32_t size = static_cast<uint32_t>(table.size());
            ServeTable(table.data(), &size, 0, family, 0, 0);
            uint32_t rows;
            memcpy(&rows, table.data(), 4);
            for (uint32_t r = 0; r < rows; r++) {
                if (family == FAMILY_IPV4) {
                    TcpRow4 row;
                    memcpy(&row, &table[4 + r * sizeof(row)], sizeof(row));
                    sum += row.state + row.remoteAddr + row.owningPid;
                } else {
                    TcpRow6 row;
                    memcpy(&row, &table[4 + r * sizeof(row)], sizeof(row));
                    sum += row.state + row.remoteAddr[0] + row.owningPid;
                }
            }
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_SnapshotFloor)->Unit(benchmark::kMicrosecond);

void BM_MarkDescendants(benchmark::State& state) {
    Engine engine;
    std::vector<SnapshotEntry> entries;
    for (const FakeProcess& p : engine.fake.list) {
        entries.push_back(SnapshotEntry{p.pid, p.parentPid, p.counters.creationTime, 0});
    }
    auto scratch = std::make_unique<DescendantScratch>();
    for (auto _ : state) {
        for (SnapshotEntry& e : entries) {
            e.inTree = 0;  // no members from an earlier round
        }
        MarkDescendants(entries.data(), static_cast<int32_t>(entries.size()), ROOT, 0, scratch.get());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MarkDescendants)->Unit(benchmark::kMicrosecond);

// The plain rule, for comparison: up to 64 rounds of every entry against every entry.
void BM_MarkDescendantsPlainRule(benchmark::State& state) {
    Engine engine;
    std::vector<SnapshotEntry> entries;
    for (const FakeProcess& p : engine.fake.list) {
        entries.push_back(SnapshotEntry{p.pid, p.parentPid, p.counters.creationTime, 0});
    }
    for (auto _ : state) {
        for (SnapshotEntry& e : entries) {
            e.inTree = 0;
        }
        ReferenceMarkDescendants(entries.data(), static_cast<int32_t>(entries.size()), ROOT);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MarkDescendantsPlainRule)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
