#include "engine/Connections.h"

#include "base/SystemLibrary_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>

// The portable table constants are iphlpapi's.
static_assert(FAMILY_IPV4 == AF_INET && FAMILY_IPV6 == AF_INET6, "address families");
static_assert(TCP_TABLE_CLASS_OWNER_PID_ALL == TCP_TABLE_OWNER_PID_ALL, "TCP_TABLE_CLASS");
static_assert(TCP_STATE_ESTABLISHED == MIB_TCP_STATE_ESTAB, "MIB_TCP_STATE");
static_assert(RESULT_NO_ERROR == NO_ERROR && RESULT_INSUFFICIENT_BUFFER == ERROR_INSUFFICIENT_BUFFER, "results");
static_assert(sizeof(TcpRow4) == sizeof(MIB_TCPROW_OWNER_PID) && sizeof(TcpRow6) == sizeof(MIB_TCP6ROW_OWNER_PID),
              "row layouts");

static void* HeapBlock(uint32_t size) {
    return HeapAlloc(GetProcessHeap(), 0, size);
}

static void FreeHeapBlock(void* block) {
    HeapFree(GetProcessHeap(), 0, block);
}

// iphlpapi is loaded here rather than imported, so the program starts where it is missing;
// the count is then always 0.
void LoadTcpTableApi(TcpTableApi* api) {
    *api = TcpTableApi{};
    api->allocate = HeapBlock;
    api->release = FreeHeapBlock;
    HMODULE module = LoadSystemLibrary(L"iphlpapi.dll");
    api->module = module;
    api->getExtendedTcpTable = LibraryFunction<GetExtendedTcpTableFn>(module, "GetExtendedTcpTable");
}

void UnloadTcpTableApi(TcpTableApi* api) {
    FreeTcpTableBuffer(api);
    if (api->module) {
        FreeLibrary(static_cast<HMODULE>(api->module));
    }
    api->module = nullptr;
    api->getExtendedTcpTable = nullptr;
}
