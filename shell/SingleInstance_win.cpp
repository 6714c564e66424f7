#include "shell/SingleInstance_win.h"

#include "shell/CommandQueue.h"
#include "base/Text.h"

#include <cstring>

namespace {

constexpr DWORD FIRST_COPY_WAIT_MS = 5000;  // a first copy still starting up gets this long

}  // namespace

static_assert(NAME_ERROR_ACCESS_DENIED == ERROR_ACCESS_DENIED && NAME_ERROR_ALREADY_EXISTS == ERROR_ALREADY_EXISTS,
              "Win32 errors");
static_assert(MESSAGE_COPYDATA == WM_COPYDATA, "a command handed over");

InstanceRole ClaimInstance(UniqueHandle* mutex, HWND* firstWindow) {
    HANDLE created = CreateMutexW(nullptr, TRUE, INSTANCE_MUTEX_NAME);
    const DWORD error = GetLastError();
    mutex->Reset(created);
    if (ClassifyNameClaim(created != nullptr, error) != NameClaim::Taken) {
        return InstanceRole::First;  // held, or no name at all: this copy runs
    }
    mutex->Reset();
    HWND first = FindWindowW(MAIN_WINDOW_CLASS, nullptr);
    for (ULONGLONG start = GetTickCount64(); !first && GetTickCount64() - start < FIRST_COPY_WAIT_MS;) {
        Sleep(100);
        first = FindWindowW(MAIN_WINDOW_CLASS, nullptr);
    }
    *firstWindow = first;
    return first ? InstanceRole::Second : InstanceRole::Squatted;
}

int32_t SendCommandLine(HWND firstWindow, const char16_t* line) {
    // The thread to answer, then the line.
    uint8_t payload[sizeof(CommandPayloadHeader) + COMMAND_LINE_CAPACITY * sizeof(char16_t)];
    const CommandPayloadHeader header = {GetCurrentThreadId(), 0};
    const size_t units = static_cast<size_t>(WideLength(line)) + 1;
    memcpy(payload, &header, sizeof(header));
    memcpy(payload + sizeof(header), line, units * sizeof(char16_t));
    COPYDATASTRUCT data = {};
    data.dwData = COMMAND_DATA_TAG;
    data.cbData = static_cast<DWORD>(sizeof(header) + units * sizeof(char16_t));
    data.lpData = payload;
    // The thread has a message queue before the answer is posted to it; an elevated copy takes
    // the answer from a running copy that is not.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    ChangeWindowMessageFilter(WM_COMMAND_ANSWER, MSGFLT_ADD);
    // The first copy may need the foreground, for --show.
    DWORD firstPid = 0;
    GetWindowThreadProcessId(firstWindow, &firstPid);
    AllowSetForegroundWindow(firstPid);
    const ULONGLONG start = GetTickCount64();
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(firstWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                             COMMAND_ANSWER_TIMEOUT_MS, &answer)) {
        return -1;
    }
    if (answer != COMMAND_QUEUED) {
        return static_cast<int32_t>(answer);  // refused at once: malformed, or the queue is full
    }
    for (;;) {
        if (PeekMessageW(&msg, nullptr, WM_COMMAND_ANSWER, WM_COMMAND_ANSWER, PM_REMOVE)) {
            return static_cast<int32_t>(msg.wParam);
        }
        ULONGLONG waited = GetTickCount64() - start;
        if (waited >= COMMAND_ANSWER_TIMEOUT_MS) {
            return -1;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(COMMAND_ANSWER_TIMEOUT_MS - waited),
                                  QS_POSTMESSAGE);
    }
}

namespace {

bool RunsElevated(void*) {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) {
        return false;
    }
    UniqueHandle token(opened);
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
           elevation.TokenIsElevated != 0;
}

bool AllowMessage(void* window, uint32_t message) {
    return ChangeWindowMessageFilterEx(static_cast<HWND>(window), message, MSGFLT_ALLOW, nullptr) != FALSE;
}

}  // namespace

void OpenWindowToOtherCopies(HWND window, UINT taskbarCreatedMessage) {
    const MessageFilterCalls calls = {.context = window, .elevated = RunsElevated, .allow = AllowMessage};
    OpenToOtherCopies(&calls, taskbarCreatedMessage);
}
