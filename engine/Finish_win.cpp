#include "engine/Finish_win.h"

#include "base/Owner_win.h"
#include "base/SystemLibrary_win.h"

#include <windows.h>

namespace {

using SetSuspendStateFn = BOOLEAN(WINAPI*)(BOOLEAN hibernate, BOOLEAN force, BOOLEAN wakeupEventsDisabled);

uint32_t EnableShutdownPrivilege() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) {
        return GetLastError();
    }
    UniqueHandle token(raw);
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
        return GetLastError();
    }
    // Succeeds without enabling anything when the token lacks the privilege: the error says so.
    SetLastError(0);
    if (!AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr)) {
        return GetLastError();
    }
    return GetLastError();
}

}  // namespace

uint32_t PerformFinishAction(FinishAction action) {
    uint32_t error = EnableShutdownPrivilege();
    if (error != 0) {
        return error;
    }
    if (action == FinishAction::Shutdown) {
        const DWORD reason = SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_MAINTENANCE | SHTDN_REASON_FLAG_PLANNED;
        return ExitWindowsEx(EWX_SHUTDOWN | EWX_POWEROFF, reason) ? 0 : GetLastError();
    }
    if (action != FinishAction::Sleep && action != FinishAction::Hibernate) {
        return ERROR_INVALID_PARAMETER;
    }
    UniqueModule powrprof(LoadSystemLibrary(L"powrprof.dll"));
    auto suspend = ModuleFunction<SetSuspendStateFn>(powrprof, "SetSuspendState");
    if (!suspend) {
        return GetLastError() != 0 ? GetLastError() : static_cast<uint32_t>(ERROR_PROC_NOT_FOUND);
    }
    SetLastError(0);
    if (suspend(action == FinishAction::Hibernate, FALSE, FALSE)) {
        return 0;
    }
    return GetLastError() != 0 ? GetLastError() : static_cast<uint32_t>(ERROR_GEN_FAILURE);
}
