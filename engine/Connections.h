#pragma once
#include "engine/PidSet.h"

#include <cstdint>

// Counts the established TCP connections to other machines that the watched processes own,
// from the system's IPv4 and IPv6 tables with owner pids.

constexpr uint32_t TCP_TABLE_SLACK = 8192;  // room to grow, so a busy system rarely reallocates
constexpr int32_t TCP_TABLE_ATTEMPTS = 4;
constexpr uint32_t FAMILY_IPV4 = 2;
constexpr uint32_t FAMILY_IPV6 = 23;
constexpr uint32_t TCP_TABLE_CLASS_OWNER_PID_ALL = 5;
constexpr uint32_t TCP_STATE_ESTABLISHED = 5;
constexpr uint32_t RESULT_NO_ERROR = 0;
constexpr uint32_t RESULT_INSUFFICIENT_BUFFER = 122;

// The rows as the system lays them out.
struct TcpRow4 {
    uint32_t state;
    uint32_t localAddr;
    uint32_t localPort;
    uint32_t remoteAddr;  // network byte order
    uint32_t remotePort;
    uint32_t owningPid;
};

struct TcpRow6 {
    uint8_t localAddr[16];
    uint32_t localScopeId;
    uint32_t localPort;
    uint8_t remoteAddr[16];
    uint32_t remoteScopeId;
    uint32_t remotePort;
    uint32_t state;
    uint32_t owningPid;
};

static_assert(sizeof(TcpRow4) == 24 && sizeof(TcpRow6) == 56, "row layout");

// GetExtendedTcpTable's shape: (table, size in/out, sorted, family, table class, reserved).
using GetExtendedTcpTableFn = uint32_t (*)(void* table, uint32_t* size, int32_t order, uint32_t family,
                                           uint32_t tableClass, uint32_t reserved);

struct TcpTableApi {
    void* module;
    GetExtendedTcpTableFn getExtendedTcpTable;
    uint8_t* buffer;      // one block for both families, grown only when a table no longer fits
    uint32_t bufferSize;
    // The process heap; tests put their own allocator here.
    void* (*allocate)(uint32_t size);
    void (*release)(void* block);
};

void LoadTcpTableApi(TcpTableApi* api);     // Windows layer
void UnloadTcpTableApi(TcpTableApi* api);   // Windows layer

// The established connections to other machines owned by the tree's members (its index of
// pids, which the sampler keeps).
int32_t CountTreeConnections(TcpTableApi* api, const PidSet* members);
// The same for several trees from one read of each table: counts[t] for trees[t]. A process
// in two trees counts for both.
void CountTreesConnections(TcpTableApi* api, const PidSet* const* trees, int32_t treeCount, int32_t* counts);
const uint8_t* QueryTcpTable(TcpTableApi* api, uint32_t family, uint32_t* size);
bool IsLocalIPv4(uint32_t remoteAddr);
bool IsLocalIPv6(const uint8_t* address);
void FreeTcpTableBuffer(TcpTableApi* api);
