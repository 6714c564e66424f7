#include "engine/GpuUsage_win.h"

#include "base/SystemLibrary_win.h"

#include <windows.h>

#include <cstddef>
#include <cstring>

namespace {

// The kernel-mode thunk structures, as d3dkmthk.h defines them for x64. Only the fields read
// or written are named; the rest keeps the documented sizes, so the kernel never writes past
// what was given.
using KmtHandle = uint32_t;

struct KmtAdapterInfo {
    KmtHandle adapter;
    LUID luid;
    ULONG sourceCount;
    BOOL precisePresentRegionsPreferred;
};
static_assert(sizeof(KmtAdapterInfo) == 20 && offsetof(KmtAdapterInfo, luid) == 4, "D3DKMT_ADAPTERINFO");

struct KmtEnumAdapters2 {
    ULONG count;
    KmtAdapterInfo* adapters;
};
static_assert(sizeof(KmtEnumAdapters2) == 16 && offsetof(KmtEnumAdapters2, adapters) == 8, "D3DKMT_ENUMADAPTERS2");

struct KmtCloseAdapter {
    KmtHandle adapter;
};

struct KmtQueryAdapterInfo {
    KmtHandle adapter;
    uint32_t type;
    void* data;
    UINT dataSize;
};
static_assert(sizeof(KmtQueryAdapterInfo) == 24 && offsetof(KmtQueryAdapterInfo, data) == 8, "D3DKMT_QUERYADAPTERINFO");
constexpr uint32_t KMT_QUERY_ADAPTER_TYPE = 15;      // KMTQAITYPE_ADAPTERTYPE
constexpr uint32_t KMT_ADAPTER_SOFTWARE = 1u << 2;   // D3DKMT_ADAPTERTYPE.SoftwareDevice

constexpr uint32_t KMT_STATISTICS_ADAPTER = 0;       // D3DKMT_QUERYSTATISTICS_ADAPTER
constexpr uint32_t KMT_STATISTICS_PROCESS_NODE = 6;  // D3DKMT_QUERYSTATISTICS_PROCESS_NODE

struct KmtQueryStatistics {
    uint32_t type;
    LUID luid;
    HANDLE process;
    union {
        struct {
            ULONG segmentCount;
            ULONG nodeCount;
        } adapter;            // AdapterInformation
        struct {
            LARGE_INTEGER runningTime;
            ULONG contextSwitches;
        } processNode;        // ProcessNodeInformation
        uint8_t bytes[776];   // D3DKMT_QUERYSTATISTICS_RESULT
    } result;
    union {
        ULONG nodeId;         // QueryProcessNode
        uint64_t align;
    } query;
};
static_assert(sizeof(KmtQueryStatistics) == 0x328, "D3DKMT_QUERYSTATISTICS");
static_assert(offsetof(KmtQueryStatistics, luid) == 4 && offsetof(KmtQueryStatistics, process) == 16 &&
                  offsetof(KmtQueryStatistics, result) == 24 && offsetof(KmtQueryStatistics, query) == 800,
              "D3DKMT_QUERYSTATISTICS fields");

using EnumAdapters2Fn = LONG(APIENTRY*)(KmtEnumAdapters2*);
using CloseAdapterFn = LONG(APIENTRY*)(const KmtCloseAdapter*);
using QueryAdapterInfoFn = LONG(APIENTRY*)(const KmtQueryAdapterInfo*);
using QueryStatisticsFn = LONG(APIENTRY*)(const KmtQueryStatistics*);
using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);

struct KmtCalls {
    EnumAdapters2Fn enumAdapters2;
    CloseAdapterFn closeAdapter;
    QueryAdapterInfoFn queryAdapterInfo;
    QueryStatisticsFn queryStatistics;
};

KmtCalls Calls() {
    HMODULE gdi = GetModuleHandleW(L"gdi32.dll");
    return KmtCalls{
        .enumAdapters2 = LibraryFunction<EnumAdapters2Fn>(gdi, "D3DKMTEnumAdapters2"),
        .closeAdapter = LibraryFunction<CloseAdapterFn>(gdi, "D3DKMTCloseAdapter"),
        .queryAdapterInfo = LibraryFunction<QueryAdapterInfoFn>(gdi, "D3DKMTQueryAdapterInfo"),
        .queryStatistics = LibraryFunction<QueryStatisticsFn>(gdi, "D3DKMTQueryStatistics"),
    };
}

// The real build: GetVersionExW answers what the manifest claims, RtlGetVersion what runs.
uint32_t WindowsBuild(void*) {
    auto get = LibraryFunction<RtlGetVersionFn>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    OSVERSIONINFOW v = {};
    v.dwOSVersionInfoSize = sizeof(v);
    if (!get || get(&v) != 0 || v.dwMajorVersion < 10) {
        return 0;
    }
    return v.dwBuildNumber;
}

// The calls, looked up when the platform is made. A plain global, so no guarded local static
// (and the runtime's locking code) comes into the executable.
KmtCalls g_calls;

int32_t ListAdapters(void* context, GpuAdapter* out, int32_t capacity) {
    const KmtCalls k = *static_cast<const KmtCalls*>(context);
    if (!k.enumAdapters2 || !k.queryStatistics) {
        return -1;
    }
    constexpr ULONG ROOM = 64;  // far beyond any PC's adapters: the call fails when they do not fit
    KmtAdapterInfo infos[ROOM] = {};
    KmtEnumAdapters2 e = {ROOM, infos};
    if (k.enumAdapters2(&e) < 0) {
        return -1;
    }
    int32_t n = 0;
    for (ULONG i = 0; i < e.count && i < ROOM; i++) {
        uint32_t kind = 0;
        KmtQueryAdapterInfo q = {infos[i].adapter, KMT_QUERY_ADAPTER_TYPE, &kind, sizeof(kind)};
        const bool typed = k.queryAdapterInfo && k.queryAdapterInfo(&q) >= 0;
        KmtQueryStatistics s = {};
        s.type = KMT_STATISTICS_ADAPTER;
        s.luid = infos[i].luid;
        const bool counted = k.queryStatistics(&s) >= 0;
        if (k.closeAdapter) {
            KmtCloseAdapter c = {infos[i].adapter};
            k.closeAdapter(&c);
        }
        if (n < capacity && counted) {
            out[n++] = GpuAdapter{infos[i].luid.LowPart, infos[i].luid.HighPart, s.result.adapter.nodeCount,
                                  typed && (kind & KMT_ADAPTER_SOFTWARE) != 0};
        }
    }
    return n;
}

void* OpenForStatistics(void*, uint32_t pid) {
    return OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
}

void CloseForStatistics(void*, void* process) {
    CloseHandle(process);
}

GpuRead ReadEngine(void* context, void* process, const GpuAdapter* adapter, uint32_t node, uint64_t* runningTime) {
    const QueryStatisticsFn query = static_cast<const KmtCalls*>(context)->queryStatistics;
    if (!query) {
        return GpuRead::Failed;
    }
    KmtQueryStatistics s = {};
    s.type = KMT_STATISTICS_PROCESS_NODE;
    s.luid.LowPart = adapter->luidLow;
    s.luid.HighPart = adapter->luidHigh;
    s.process = process;
    s.query.nodeId = node;
    if (query(&s) < 0) {
        // A process the query cannot read (it is exiting, or protected) is no data of it; only
        // an adapter that no longer answers for its LUID has failed.
        KmtQueryStatistics a = {};
        a.type = KMT_STATISTICS_ADAPTER;
        a.luid = s.luid;
        return query(&a) < 0 ? GpuRead::Failed : GpuRead::Empty;
    }
    // Wine answers success and fills nothing: every field zero is no data, never an idle engine.
    if (s.result.processNode.runningTime.QuadPart <= 0 && s.result.processNode.contextSwitches == 0) {
        return GpuRead::Empty;
    }
    *runningTime = static_cast<uint64_t>(s.result.processNode.runningTime.QuadPart);
    return GpuRead::Value;
}

GpuRead ReadAdapter(void* context, void* process, const GpuAdapter* adapter, uint64_t* runningTimes) {
    bool data = false;
    for (uint32_t n = 0; n < adapter->nodeCount; n++) {
        runningTimes[n] = 0;
        const GpuRead r = ReadEngine(context, process, adapter, n, &runningTimes[n]);
        if (r == GpuRead::Failed) {
            return r;
        }
        if (r == GpuRead::Value) {
            data = true;
        } else {
            runningTimes[n] = 0;
        }
    }
    return data ? GpuRead::Value : GpuRead::Empty;
}

}  // namespace

GpuPlatform WindowsGpuPlatform() {
    g_calls = Calls();
    return GpuPlatform{
        .context = &g_calls,
        .windowsBuild = WindowsBuild,
        .listAdapters = ListAdapters,
        .openProcess = OpenForStatistics,
        .closeProcess = CloseForStatistics,
        .readEngine = ReadEngine,
        .readAdapter = ReadAdapter,
    };
}

void LoadGpuSource(GpuSource* source) {
    *source = GpuSource{};
    source->platform = WindowsGpuPlatform();
}
