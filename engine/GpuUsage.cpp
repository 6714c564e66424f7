#include "engine/GpuUsage.h"

#include <bit>

namespace {

// The build is looked at once; the adapters are listed at the first use and again, at most
// once a gap, after one of them failed.
bool PrepareSource(GpuSource* s, uint64_t now) {
    const GpuPlatform* p = &s->platform;
    if (!s->checked) {
        s->checked = true;
        s->supported = p->windowsBuild && p->listAdapters && p->readEngine && p->readAdapter && p->openProcess &&
                       p->windowsBuild(p->context) >= GPU_FIRST_BUILD;
    }
    if (!s->supported) {
        return false;
    }
    // Listed again once a minute: an adapter that failed may be back under a new LUID, one may
    // have been added (an external GPU), or none was ready at the first listing (a start at
    // logon before the driver). The engines are numbered anew only when the list changed.
    if (!s->listed || now - s->listedAt >= GPU_RELIST_GAP) {
        GpuAdapter found[GPU_MAX_ADAPTERS];
        int32_t n = p->listAdapters(p->context, found, GPU_MAX_ADAPTERS);
        const GpuAdapter* before = s->adapters;
        const int32_t countBefore = s->adapterCount;
        GpuAdapter kept[GPU_MAX_ADAPTERS];
        for (int32_t i = 0; i < countBefore; i++) {
            kept[i] = before[i];
        }
        s->adapterCount = 0;
        s->engineCount = 0;
        for (int32_t i = 0; i < n && i < GPU_MAX_ADAPTERS; i++) {
            if (found[i].software || found[i].nodeCount == 0 || s->engineCount >= GPU_MAX_ENGINES) {
                continue;
            }
            const int32_t a = s->adapterCount++;
            s->adapters[a] = found[i];
            const uint32_t room = static_cast<uint32_t>(GPU_MAX_ENGINES - s->engineCount);
            if (s->adapters[a].nodeCount > room) {
                s->adapters[a].nodeCount = room;
            }
            s->firstEngine[a] = s->engineCount;
            s->failed[a] = false;
            for (uint32_t node = 0; node < s->adapters[a].nodeCount; node++) {
                s->engineAdapter[s->engineCount + static_cast<int32_t>(node)] = static_cast<uint8_t>(a);
                s->engineNode[s->engineCount + static_cast<int32_t>(node)] = static_cast<uint8_t>(node);
            }
            s->engineCount += static_cast<int32_t>(s->adapters[a].nodeCount);
        }
        bool same = s->listed && !s->stale && s->adapterCount == countBefore;
        for (int32_t i = 0; same && i < countBefore; i++) {
            same = kept[i].luidLow == s->adapters[i].luidLow && kept[i].luidHigh == s->adapters[i].luidHigh &&
                   kept[i].nodeCount == s->adapters[i].nodeCount;
        }
        s->listed = true;
        s->stale = false;
        s->listedAt = now;
        if (!same) {
            s->generation++;
        }
    }
    return s->engineCount > 0;
}

void FreeMember(GpuUsage* u, int32_t i) {
    GpuMember* m = &u->members[i];
    if (m->process && u->source->platform.closeProcess) {
        u->source->platform.closeProcess(u->source->platform.context, m->process);
    }
    if (m->slot >= 0) {
        u->slots[m->slot].used = false;
    }
    *m = GpuMember{};
    m->slot = -1;
    u->pids[i] = 0;
}

// The pool follows the tree: members that left are closed first, so a tree that changed
// wholesale still fits, then those that joined are opened.
void SyncMembers(GpuUsage* u, const PreviousTable* tree) {
    u->stamp++;
    int32_t pendingCount = 0;
    for (int32_t k = 0; k < tree->count; k++) {
        const ProcessCounters* c = &tree->entries[k];
        int32_t i = PidSetIndexOf(&u->index, c->pid);
        if (i >= 0 && u->members[i].creationTime == c->creationTime) {
            u->seen[i] = u->stamp;
        } else {
            u->pending[pendingCount++] = k;
        }
    }
    bool changed = pendingCount > 0;
    for (int32_t i = 0; i < u->used; i++) {
        if (u->pids[i] != 0 && u->seen[i] != u->stamp) {
            FreeMember(u, i);
            changed = true;
        }
    }
    const GpuPlatform* p = &u->source->platform;
    int32_t next = 0;
    for (int32_t k = 0; k < pendingCount; k++) {
        while (u->pids[next] != 0) {
            next++;
        }
        const ProcessCounters* c = &tree->entries[u->pending[k]];
        GpuMember* m = &u->members[next];
        *m = GpuMember{};
        m->pid = c->pid;
        m->creationTime = c->creationTime;
        m->process = p->openProcess(p->context, c->pid);
        m->slot = -1;
        m->started = tree->wallTime - c->creationTime <= GPU_PROBE_TICKS * 10000000ull;
        // Members that join together are probed over the next ticks, not all in one.
        m->probeDue = u->tick + u->spread++ % GPU_PROBE_TICKS;
        u->pids[next] = c->pid;
        u->seen[next] = u->stamp;
        if (next >= u->used) {
            u->used = next + 1;
        }
    }
    if (changed) {
        // Live entries move down over the free ones: the index holds members only, so a tree
        // that shrank leaves no run of empty entries for every lookup and rebuild to walk.
        int32_t live = 0;
        for (int32_t i = 0; i < u->used; i++) {
            if (u->pids[i] == 0) {
                continue;
            }
            if (i != live) {
                u->members[live] = u->members[i];
                u->pids[live] = u->pids[i];
                u->members[i] = GpuMember{};
                u->members[i].slot = -1;
                u->pids[i] = 0;
            }
            live++;
        }
        u->used = live;
        BuildPidSet(&u->index, u->pids, u->used);
    }
}

// An adapter that did not answer is read no more until the adapters are listed again.
void MarkFailed(GpuSource* s, int32_t adapter) {
    s->stale |= !s->failed[adapter];
    s->failed[adapter] = true;
}

int32_t TakeSlot(GpuUsage* u) {
    for (int32_t s = 0; s < GPU_ACTIVE_SLOTS; s++) {
        if (!u->slots[s].used) {
            u->slots[s] = GpuSlot{};
            u->slots[s].used = true;
            return s;
        }
    }
    return -1;
}

// Reads every engine of a member into `running` (zero where empty). Returns whether any read
// had data; an adapter that fails is marked for the next listing and skipped until then.
bool ReadEngines(GpuSource* s, GpuUsage* u, void* process, uint64_t* running) {
    bool data = false;
    for (int32_t a = 0; a < s->adapterCount; a++) {
        uint64_t* engines = running + s->firstEngine[a];
        GpuRead r = GpuRead::Failed;
        if (!s->failed[a]) {
            u->calls += static_cast<int32_t>(s->adapters[a].nodeCount);
            r = s->platform.readAdapter(s->platform.context, process, &s->adapters[a], engines);
        }
        if (r == GpuRead::Failed) {
            MarkFailed(s, a);
            for (uint32_t n = 0; n < s->adapters[a].nodeCount; n++) {
                engines[n] = 0;  // what this adapter gave before failing is not kept
            }
        }
        data |= r == GpuRead::Value;
    }
    return data;
}

uint32_t Share(uint64_t grown, uint64_t elapsed) {
    if (elapsed == 0) {
        return 0;
    }
    const uint64_t permille = grown >= elapsed ? 1000 : grown * 1000 / elapsed;
    return static_cast<uint32_t>(permille);
}

// Reads the engines of `mask` only; those of a failed adapter read as nothing.
void ReadMasked(GpuSource* s, GpuUsage* u, GpuMember* m, uint64_t mask, uint64_t* running) {
    const auto read = s->platform.readEngine;
    for (uint64_t bits = mask; bits; bits &= bits - 1) {
        const int32_t e = std::countr_zero(bits);
        const int32_t a = s->engineAdapter[e];
        running[e] = 0;
        if (s->failed[a]) {
            continue;
        }
        u->calls++;
        const GpuRead r = read(s->platform.context, m->process, &s->adapters[a], s->engineNode[e], &running[e]);
        if (r == GpuRead::Failed) {
            MarkFailed(s, a);
        }
        if (r != GpuRead::Value) {
            running[e] = 0;
        }
    }
}

// A member read every tick: its growth on each engine it uses is added to the engines' rates.
// An engine it starts using is found at the next read of every engine, and counts from the
// tick after. One that stopped growing goes back to being probed.
void ReadActive(GpuSource* s, GpuUsage* u, GpuMember* m, uint64_t now) {
    GpuSlot* slot = &u->slots[m->slot];
    const uint64_t every = s->engineCount >= 64 ? ~0ull : (1ull << s->engineCount) - 1;
    const bool full = slot->engines == 0 || slot->sinceFull + 1 >= GPU_PROBE_TICKS;
    const uint64_t read = full ? every : slot->engines;
    uint64_t running[GPU_MAX_ENGINES];
    if (full) {
        m->hasData |= ReadEngines(s, u, m->process, running);
        slot->sinceFull = 0;
    } else {
        ReadMasked(s, u, m, read, running);
        slot->sinceFull++;
    }
    uint64_t total = 0;
    bool grew = false;
    for (uint64_t bits = read; bits; bits &= bits - 1) {
        const int32_t e = std::countr_zero(bits);
        total += running[e];
        if (slot->baseline && running[e] > slot->running[e]) {
            grew = true;
            if (slot->engines & (1ull << e)) {
                uint32_t rate = u->engineRate[e] + Share(running[e] - slot->running[e], now - slot->at);
                u->engineRate[e] = rate > 1000 ? 1000 : rate;
            } else {
                slot->engines |= 1ull << e;
            }
        }
        slot->running[e] = running[e];
    }
    slot->at = now;
    slot->quietTicks = !slot->baseline || grew ? 0 : slot->quietTicks + 1;
    slot->baseline = true;
    if (slot->quietTicks >= GPU_QUIET_TICKS) {
        slot->used = false;
        m->slot = -1;
        m->total = total;
        m->totalKnown = true;
        m->probeDue = u->tick + GPU_PROBE_TICKS;
    }
}

// A probed member: when its time grew since the last probe, or it started lately and has spent
// some already, it is read in full from now on, its reads now the baseline of the next tick's.
// A process that joins the tree with time spent long ago has only its baseline taken: a tree
// of processes that once drew a window is not read in full.
void Probe(GpuSource* s, GpuUsage* u, GpuMember* m, uint64_t now) {
    uint64_t running[GPU_MAX_ENGINES];
    m->hasData |= ReadEngines(s, u, m->process, running);
    uint64_t total = 0;
    for (int32_t e = 0; e < s->engineCount; e++) {
        total += running[e];
    }
    const bool grew = m->totalKnown ? total > m->total : m->started && total > 0;
    m->total = total;
    m->totalKnown = true;
    m->probeDue = u->tick + GPU_PROBE_TICKS;
    if (!grew) {
        return;
    }
    const int32_t taken = TakeSlot(u);
    if (taken < 0) {
        return;  // every slot busy: it is probed again, and read in full once one is free
    }
    m->slot = taken;
    GpuSlot* slot = &u->slots[taken];
    for (int32_t e = 0; e < s->engineCount; e++) {
        slot->running[e] = running[e];
        slot->engines |= running[e] > 0 ? 1ull << e : 0;
    }
    slot->at = now;
    slot->baseline = true;
}

}  // namespace

void ReleaseGpuUsage(GpuUsage* u) {
    if (u->source) {
        for (int32_t i = 0; i < u->used; i++) {
            if (u->pids[i] != 0) {
                FreeMember(u, i);
            }
        }
        BuildPidSet(&u->index, u->pids, 0);
    }
    u->used = 0;
    u->synced = false;
    for (GpuSlot& slot : u->slots) {
        slot.used = false;
    }
}

void SampleGpu(GpuSource* s, GpuUsage* u, const WatchedTree* tree, uint64_t now, ActivitySample* sample) {
    sample->gpu = 0;
    sample->gpuKnown = false;
    u->calls = 0;
    if (!s || !PrepareSource(s, now)) {
        if (u->used > 0) {
            ReleaseGpuUsage(u);
        }
        return;
    }
    if (u->source != s) {
        ReleaseGpuUsage(u);
        u->source = s;
    }
    if (u->generation != s->generation) {
        // Engines numbered anew: every member is probed again from a fresh baseline.
        u->generation = s->generation;
        for (int32_t i = 0; i < u->used; i++) {
            u->members[i].slot = -1;
            u->members[i].totalKnown = false;
            u->members[i].probeDue = u->tick;
        }
        for (GpuSlot& slot : u->slots) {
            slot.used = false;
        }
    }
    if (!(u->synced && tree->previous.unchanged)) {
        SyncMembers(u, &tree->previous);
        u->synced = true;
    }
    for (int32_t e = 0; e < s->engineCount; e++) {
        u->engineRate[e] = 0;
    }
    bool known = false;
    for (int32_t i = 0; i < u->used; i++) {
        GpuMember* m = &u->members[i];
        if (m->pid == 0 || !m->process) {
            continue;
        }
        if (m->slot >= 0) {
            ReadActive(s, u, m, now);
        } else if (u->tick >= m->probeDue) {
            Probe(s, u, m, now);
        }
        known |= m->hasData;
    }
    u->tick++;
    uint32_t busiest = 0;
    for (int32_t e = 0; e < s->engineCount; e++) {
        busiest = u->engineRate[e] > busiest ? u->engineRate[e] : busiest;
    }
    sample->gpu = busiest;
    sample->gpuKnown = known;
}
