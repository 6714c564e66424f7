#include "shell/Console_win.h"

#include "files/Log.h"
#include "base/Owner_win.h"
#include "base/Wide_win.h"
#include "base/Text.h"
#include "base/Utf8.h"

#include <windows.h>

namespace {

constexpr int32_t UTF8_CAPACITY = 8192;

// A console takes UTF-16 as it is; a file or a pipe gets UTF-8.
bool WriteTo(HANDLE handle, const char16_t* text) {
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        return WriteConsoleW(handle, AsWide(text), static_cast<DWORD>(WideLength(text)), &written, nullptr) != FALSE;
    }
    char bytes[UTF8_CAPACITY];
    int32_t n = Utf16ToUtf8(text, bytes, UTF8_CAPACITY);
    return n > 1 && WriteFile(handle, bytes, static_cast<DWORD>(n - 1), &written, nullptr) != FALSE;
}

constexpr DWORD STANDARD_HANDLE_IDS[STANDARD_HANDLE_COUNT] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE,
                                                            STD_ERROR_HANDLE};

}  // namespace

ConsoleCalls WindowsConsoleCalls() {
    return ConsoleCalls{
        .context = nullptr,
        .attachParent = [](void*) { return AttachConsole(ATTACH_PARENT_PROCESS) != FALSE; },
        .freeConsole = // A program attached to a console ends with it: the window closed, the program killed.
        [](void*) { FreeConsole(); },
        .get = [](void*, int32_t which) { return reinterpret_cast<uintptr_t>(GetStdHandle(STANDARD_HANDLE_IDS[which])); },
        .set = [](void*, int32_t which, uintptr_t handle) {
            SetStdHandle(STANDARD_HANDLE_IDS[which], reinterpret_cast<HANDLE>(handle));
        },
    };
}

void TellUser(const char16_t* text, bool problem) {
    HANDLE standard = GetStdHandle(problem ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (standard && standard != INVALID_HANDLE_VALUE && WriteTo(standard, text)) {
        return;
    }
    const ConsoleCalls calls = WindowsConsoleCalls();
    BorrowedConsole borrowed = BorrowConsole(&calls);
    if (borrowed.attached) {
        UniqueHandle console(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
        // The shell has shown its prompt already: the text starts on a line of its own.
        bool shown = console && WriteTo(console.get(), u"\r\n") && WriteTo(console.get(), text);
        console.Reset();
        ReturnConsole(&calls, &borrowed);
        if (shown) {
            return;
        }
    }
    MessageBoxW(nullptr, AsWide(text), L"Pellacord", MB_OK | (problem ? MB_ICONWARNING : MB_ICONINFORMATION));
}
