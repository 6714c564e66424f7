// The query floor: what any once-a-second watcher of a process tree must ask the system, and
// nothing more. Each second it takes one process list (NtQuerySystemInformation), both TCP
// tables with owner pids, sets the execution state and appends one line to a log. Pellacord's
// cost is measured against it.
//
//   floor LOG_PATH
#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

using QueryFn = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
using TcpTableFn = DWORD(WINAPI*)(PVOID, PDWORD, BOOL, ULONG, ULONG, ULONG);

struct Floor {
    QueryFn query;
    TcpTableFn tcpTable;
    uint8_t* processes;
    ULONG processesSize;
    uint8_t* tcp;
    DWORD tcpSize;
    HANDLE log;
    uint32_t ticks;
};

void QueryProcesses(Floor* f) {
    for (int attempt = 0; attempt < 4; attempt++) {
        ULONG needed = 0;
        LONG status = f->processes ? f->query(5, f->processes, f->processesSize, &needed) : -1;
        if (status >= 0) {
            return;
        }
        if (f->processes) {
            HeapFree(GetProcessHeap(), 0, f->processes);
        }
        f->processesSize = (needed > f->processesSize ? needed : 65536) + 65536;
        f->processes = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, f->processesSize));
    }
}

void QueryTcp(Floor* f, ULONG family) {
    for (int attempt = 0; attempt < 4 && f->tcpTable; attempt++) {
        DWORD size = f->tcpSize;
        DWORD result = f->tcpTable(f->tcp, &size, FALSE, family, 5, 0);
        if (result != ERROR_INSUFFICIENT_BUFFER) {
            return;
        }
        if (f->tcp) {
            HeapFree(GetProcessHeap(), 0, f->tcp);
        }
        f->tcpSize = size + 8192;
        f->tcp = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, f->tcpSize));
    }
}

void Tick(Floor* f) {
    QueryProcesses(f);
    QueryTcp(f, 2);
    QueryTcp(f, 23);
    SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    SYSTEMTIME t;
    GetLocalTime(&t);
    char line[128];
    int n = snprintf(line, sizeof(line), "%04u-%02u-%02u %02u:%02u:%02u  tick %u\r\n", t.wYear, t.wMonth, t.wDay,
                     t.wHour, t.wMinute, t.wSecond, f->ticks++);
    DWORD written;
    WriteFile(f->log, line, static_cast<DWORD>(n), &written, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return 2;
    }
    Floor f = {};
    f.query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    HMODULE iphlpapi = LoadLibraryExW(L"iphlpapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    f.tcpTable = iphlpapi ? reinterpret_cast<TcpTableFn>(
                                reinterpret_cast<void*>(GetProcAddress(iphlpapi, "GetExtendedTcpTable")))
                          : nullptr;
    f.log = CreateFileW(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    SetTimer(nullptr, 0, 1000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER) {
            Tick(&f);
        }
    }
    return 0;
}
