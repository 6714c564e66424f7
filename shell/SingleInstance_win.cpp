#include "shell/SingleInstance_win.h"

#include "ui/Format.h"

#include <cstring>

namespace {

constexpr DWORD FIRST_COPY_WAIT_MS = 5000;  // a first copy still starting up gets this long

}  // namespace

static_assert(NAME_ERROR_ACCESS_DENIED == ERROR_ACCESS_DENIED && NAME_ERROR_ALREADY_EXISTS == ERROR_ALREADY_EXISTS,
              "Win32 errors");
static_assert(MESSAGE_COPYDATA == WM_COPYDATA && WM_SHOW_EXISTING == WM_APP + 2, "messages");

InstanceRole ClaimInstance(HANDLE* mutex, HWND* firstWindow) {
    *mutex = CreateMutexW(nullptr, TRUE, INSTANCE_MUTEX_NAME);
    NameClaim claim = ClassifyNameClaim(*mutex != nullptr, GetLastError());
    if (claim != NameClaim::Taken) {
        return InstanceRole::First;  // held, or no name at all: this copy runs
    }
    if (*mutex) {
        CloseHandle(*mutex);
    }
    *mutex = nullptr;
    HWND first = FindWindowW(MAIN_WINDOW_CLASS, nullptr);
    for (ULONGLONG start = GetTickCount64(); !first && GetTickCount64() - start < FIRST_COPY_WAIT_MS;) {
        Sleep(100);
        first = FindWindowW(MAIN_WINDOW_CLASS, nullptr);
    }
    *firstWindow = first;
    return first ? InstanceRole::Second : InstanceRole::Squatted;
}

int32_t SendCommandLine(HWND firstWindow, const char16_t* line) {
    COPYDATASTRUCT data = {};
    data.dwData = COMMAND_DATA_TAG;
    data.cbData = static_cast<DWORD>(static_cast<size_t>(WideLength(line) + 1) * sizeof(char16_t));
    data.lpData = const_cast<char16_t*>(line);
    // The first copy may need the foreground, for --show.
    DWORD firstPid = 0;
    GetWindowThreadProcessId(firstWindow, &firstPid);
    AllowSetForegroundWindow(firstPid);
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(firstWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                             COMMAND_ANSWER_TIMEOUT_MS, &answer)) {
        return -1;
    }
    return static_cast<int32_t>(answer);
}

// Any program can send this message: the data is taken only as a tagged, even-sized UTF-16
// text that fits, and is copied before it is read.
bool ReadCommandData(const COPYDATASTRUCT* data, char16_t* line, int32_t capacity) {
    if (!data || data->dwData != COMMAND_DATA_TAG || !data->lpData || data->cbData % sizeof(char16_t) != 0 ||
        data->cbData == 0 || data->cbData / sizeof(char16_t) > static_cast<DWORD>(capacity)) {
        return false;
    }
    int32_t units = static_cast<int32_t>(data->cbData / sizeof(char16_t));
    memcpy(line, data->lpData, data->cbData);
    line[units - 1] = 0;  // ends within what was sent, whatever was sent
    return true;
}

namespace {

bool RunsElevated(void*) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    bool elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) &&
                    elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
}

bool AllowMessage(void* window, uint32_t message) {
    return ChangeWindowMessageFilterEx(static_cast<HWND>(window), message, MSGFLT_ALLOW, nullptr) != FALSE;
}

}  // namespace

void OpenWindowToOtherCopies(HWND window, UINT taskbarCreatedMessage) {
    const MessageFilterCalls calls = {window, RunsElevated, AllowMessage};
    OpenToOtherCopies(&calls, taskbarCreatedMessage);
}
