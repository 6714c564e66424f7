#include "engine/Connections.h"

#include <cstring>

bool IsLocalIPv4(uint32_t remoteAddr) {
    uint8_t bytes[4];
    memcpy(bytes, &remoteAddr, 4);  // the first address byte is the first in memory
    return remoteAddr == 0 || bytes[0] == 127;
}

// Only :: and ::1 are local; an IPv4-mapped loopback address counts as outside.
bool IsLocalIPv6(const uint8_t* address) {
    for (int i = 0; i < 15; i++) {
        if (address[i] != 0) {
            return false;
        }
    }
    return address[15] == 0 || address[15] == 1;
}

void FreeTcpTableBuffer(TcpTableApi* api) {
    if (api->buffer) {
        api->release(api->buffer);
    }
    api->buffer = nullptr;
    api->bufferSize = 0;
}

const uint8_t* QueryTcpTable(TcpTableApi* api, uint32_t family, uint32_t* size) {
    for (int32_t attempt = 0; attempt < TCP_TABLE_ATTEMPTS; attempt++) {
        uint32_t wanted = api->bufferSize;
        uint32_t result = api->getExtendedTcpTable(api->buffer, &wanted, 0, family, TCP_TABLE_CLASS_OWNER_PID_ALL, 0);
        if (result == RESULT_NO_ERROR) {
            *size = wanted;
            return api->buffer;
        }
        if (result != RESULT_INSUFFICIENT_BUFFER) {
            return nullptr;
        }
        FreeTcpTableBuffer(api);
        if (wanted > UINT32_MAX - TCP_TABLE_SLACK) {
            return nullptr;
        }
        uint8_t* block = static_cast<uint8_t*>(api->allocate(wanted + TCP_TABLE_SLACK));
        if (!block) {
            return nullptr;
        }
        api->buffer = block;
        api->bufferSize = wanted + TCP_TABLE_SLACK;
    }
    return nullptr;
}

// Rows the table claims beyond the bytes it was given are not read.
static uint32_t RowCount(const uint8_t* table, uint32_t size, uint32_t bufferSize, uint32_t rowSize) {
    if (size > bufferSize) {
        size = bufferSize;
    }
    if (size < 4) {
        return 0;
    }
    uint32_t claimed;
    memcpy(&claimed, table, 4);
    uint32_t fits = (size - 4) / rowSize;
    return claimed < fits ? claimed : fits;
}

int32_t CountTreeConnections(TcpTableApi* api, const PidSet* members) {
    int32_t n = 0;
    CountTreesConnections(api, &members, 1, &n);
    return n;
}

void CountTreesConnections(TcpTableApi* api, const PidSet* const* trees, int32_t treeCount, int32_t* counts) {
    bool any = false;
    for (int32_t t = 0; t < treeCount; t++) {
        counts[t] = 0;
        any = any || trees[t]->count > 0;
    }
    if (!api->getExtendedTcpTable || !any) {
        return;
    }
    uint32_t size = 0;
    const uint8_t* table = QueryTcpTable(api, FAMILY_IPV4, &size);
    if (table) {
        uint32_t rows = RowCount(table, size, api->bufferSize, sizeof(TcpRow4));
        for (uint32_t i = 0; i < rows; i++) {
            TcpRow4 row;
            memcpy(&row, table + 4 + i * sizeof(TcpRow4), sizeof(row));
            if (row.state == TCP_STATE_ESTABLISHED && !IsLocalIPv4(row.remoteAddr)) {
                for (int32_t t = 0; t < treeCount; t++) {
                    counts[t] += PidSetContains(trees[t], row.owningPid) ? 1 : 0;
                }
            }
        }
    }
    table = QueryTcpTable(api, FAMILY_IPV6, &size);
    if (table) {
        uint32_t rows = RowCount(table, size, api->bufferSize, sizeof(TcpRow6));
        for (uint32_t i = 0; i < rows; i++) {
            TcpRow6 row;
            memcpy(&row, table + 4 + i * sizeof(TcpRow6), sizeof(row));
            if (row.state == TCP_STATE_ESTABLISHED && !IsLocalIPv6(row.remoteAddr)) {
                for (int32_t t = 0; t < treeCount; t++) {
                    counts[t] += PidSetContains(trees[t], row.owningPid) ? 1 : 0;
                }
            }
        }
    }
}
