#include "files/Log_win.h"

#include "files/Log.h"
#include "shell/Wide_win.h"

#include <cstring>

void ReadExecutablePath(wchar_t* out) {
    out[0] = 0;
    DWORD n = GetModuleFileNameW(nullptr, out, PATH_CAPACITY);
    if (n == 0 || n >= static_cast<DWORD>(PATH_CAPACITY)) {
        out[n == 0 ? 0 : PATH_CAPACITY - 1] = 0;  // a cut path still names its directory
    }
}

static void WriteBytes(HANDLE file, const char* bytes, size_t count) {
    DWORD written;
    // A failed or short write is ignored on purpose: the next line is written as usual.
    (void)WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr);
}

void OpenLog(LogFile* log, const wchar_t* exePath) {
    if (log->logHandle != INVALID_HANDLE_VALUE || log->logOpenFailed) {
        return;
    }
    ExeSiblingPath(AsUtf16(exePath), u"Pellacord.log", AsUtf16(log->logPath));
    if (!log->logPath[0]) {
        log->logOpenFailed = 1;
        return;
    }
    // Append-only access: every write lands at the current end, even if another program
    // appended in between, and others may read or delete the file meanwhile.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = CreateFileW(log->logPath, FILE_APPEND_DATA, share, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        log->logOpenFailed = 1;
        return;
    }
    LARGE_INTEGER size = {};
    LARGE_INTEGER zero = {};
    bool sized = SetFilePointerEx(file, zero, &size, FILE_END);
    if (!sized) {
        size.QuadPart = 0;
    }
    bool restarted = false;
    if (sized && static_cast<uint64_t>(size.QuadPart) > LOG_SIZE_LIMIT) {
        CloseHandle(file);
        file = CreateFileW(log->logPath, GENERIC_WRITE, share, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            log->logOpenFailed = 1;
            return;
        }
        size.QuadPart = 0;
        restarted = true;
    }
    if (size.QuadPart == 0) {
        WriteBytes(file, LOG_BOM, 3);
    }
    if (restarted) {
        WriteBytes(file, LOG_RESTART_LINE, sizeof(LOG_RESTART_LINE) - 1);
    }
    log->logHandle = file;
}

static void WriteLine(LogFile* log, const char* text, const wchar_t* wide) {
    if (log->logHandle == INVALID_HANDLE_VALUE) {
        return;
    }
    SYSTEMTIME st;
    GetLocalTime(&st);
    LocalTime t = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    // The whole line goes out in one write, so lines of another appender never split it.
    char line[LOG_LINE_CAPACITY];
    int32_t n = FormatLogLine(line, LOG_LINE_CAPACITY, &t, text, wide ? AsUtf16(wide) : nullptr);
    if (n > 0) {
        WriteBytes(log->logHandle, line, static_cast<size_t>(n));
        return;
    }
    // Longer than the line buffer: the same bytes in pieces.
    char prefix[LOG_PREFIX_CAPACITY];
    int32_t prefixLength = FormatLogPrefix(prefix, LOG_PREFIX_CAPACITY, &t);
    WriteBytes(log->logHandle, prefix, static_cast<size_t>(prefixLength));
    WriteBytes(log->logHandle, text, strlen(text));
    if (wide) {
        char utf8[LOG_UTF8_CAPACITY];
        int32_t converted = Utf16ToUtf8(AsUtf16(wide), utf8, LOG_UTF8_CAPACITY);
        if (converted > 1) {
            WriteBytes(log->logHandle, utf8, static_cast<size_t>(converted - 1));
        }
    }
    WriteBytes(log->logHandle, "\r\n", 2);
}

void WriteLogLine(LogFile* log, const char* text) {
    WriteLine(log, text, nullptr);
}

void WriteLogLineWide(LogFile* log, const char* prefix, const wchar_t* text) {
    WriteLine(log, prefix, text);
}

void CloseLog(LogFile* log) {
    if (log->logHandle != INVALID_HANDLE_VALUE) {
        CloseHandle(log->logHandle);
        log->logHandle = INVALID_HANDLE_VALUE;
    }
}
