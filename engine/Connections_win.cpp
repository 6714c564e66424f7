#include "engine/Connections.h"
#include "shell/SystemLibrary_win.h"

#include <windows.h>

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
    if (module) {
        api->getExtendedTcpTable = reinterpret_cast<GetExtendedTcpTableFn>(
            reinterpret_cast<void*>(GetProcAddress(module, "GetExtendedTcpTable")));
    }
}

void UnloadTcpTableApi(TcpTableApi* api) {
    FreeTcpTableBuffer(api);
    if (api->module) {
        FreeLibrary(static_cast<HMODULE>(api->module));
    }
    api->module = nullptr;
    api->getExtendedTcpTable = nullptr;
}
