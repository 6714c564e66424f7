#pragma once
#include "engine/GpuUsage.h"

#include <cstdint>
#include <map>
#include <set>
#include <tuple>
#include <vector>

// GPU statistics the tests write by hand, behind the GPU platform seam. A process handle is
// its pid; running times are kept per (pid, adapter LUID, node).
struct FakeGpu {
    uint32_t build = 19045;
    std::vector<GpuAdapter> adapters;
    bool cannotList = false;
    std::set<uint32_t> goneLuids;  // reads on these fail
    std::map<std::tuple<uint32_t, uint32_t, uint32_t>, uint64_t> running;
    int lists = 0;
    int reads = 0;
    std::map<uint32_t, int> readsOf;      // by pid
    std::map<uint32_t, int> readsOnLuid;  // by adapter
    int opened = 0;
    int closed = 0;
    std::multiset<uint32_t> open;

    uint64_t& Running(uint32_t pid, uint32_t luid, uint32_t node) { return running[{pid, luid, node}]; }

    GpuPlatform Platform() {
        return GpuPlatform{
            .context = this,
            .windowsBuild = [](void* c) { return static_cast<FakeGpu*>(c)->build; },
            .listAdapters = [](void* c, GpuAdapter* out, int32_t capacity) {
                auto* f = static_cast<FakeGpu*>(c);
                f->lists++;
                if (f->cannotList) {
                    return -1;
                }
                int32_t n = 0;
                for (const GpuAdapter& a : f->adapters) {
                    if (n < capacity) {
                        out[n++] = a;
                    }
                }
                return n;
            },
            .openProcess = [](void* c, uint32_t pid) -> void* {
                auto* f = static_cast<FakeGpu*>(c);
                f->opened++;
                f->open.insert(pid);
                return reinterpret_cast<void*>(static_cast<uintptr_t>(pid));
            },
            .closeProcess = [](void* c, void* process) {
                auto* f = static_cast<FakeGpu*>(c);
                f->closed++;
                auto it = f->open.find(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(process)));
                if (it != f->open.end()) {
                    f->open.erase(it);
                }
            },
            .readEngine = [](void* c, void* process, const GpuAdapter* adapter, uint32_t node, uint64_t* time) {
                auto* f = static_cast<FakeGpu*>(c);
                const auto pid = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(process));
                f->reads++;
                f->readsOf[pid]++;
                f->readsOnLuid[adapter->luidLow]++;
                if (f->goneLuids.count(adapter->luidLow)) {
                    return GpuRead::Failed;
                }
                auto it = f->running.find({pid, adapter->luidLow, node});
                if (it == f->running.end() || it->second == 0) {
                    return GpuRead::Empty;
                }
                *time = it->second;
                return GpuRead::Value;
            },
            // Counted as one read per engine, as Windows answers them.
            .readAdapter = [](void* c, void* process, const GpuAdapter* adapter, uint64_t* times) {
                auto* f = static_cast<FakeGpu*>(c);
                bool data = false;
                for (uint32_t n = 0; n < adapter->nodeCount; n++) {
                    times[n] = 0;
                    GpuRead r = f->Platform().readEngine(c, process, adapter, n, &times[n]);
                    if (r == GpuRead::Failed) {
                        return r;
                    }
                    data |= r == GpuRead::Value;
                }
                return data ? GpuRead::Value : GpuRead::Empty;
            },
        };
    }
};
