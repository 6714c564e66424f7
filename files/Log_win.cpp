#include "files/Log_win.h"

#include "files/Log.h"
#include "base/Owner_win.h"
#include "base/Wide_win.h"

namespace {

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

LogFile* File(void* context) {
    return static_cast<LogFile*>(context);
}

// Append-only access: every write lands at the current end, even if another program
// appended in between, and others may read or delete the file meanwhile.
bool OpenForAppending(void* context) {
    LogFile* log = File(context);
    if (!log->logPath[0]) {
        return false;
    }
    log->logHandle = CreateFileW(log->logPath, FILE_APPEND_DATA, SHARE_ALL, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    return log->logHandle != INVALID_HANDLE_VALUE;
}

bool Size(void* context, uint64_t* bytes) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(File(context)->logHandle, &size)) {
        return false;
    }
    *bytes = static_cast<uint64_t>(size.QuadPart);
    return true;
}

void Close(void* context) {
    LogFile* log = File(context);
    if (log->logHandle != INVALID_HANDLE_VALUE) {
        CloseHandle(log->logHandle);
        log->logHandle = INVALID_HANDLE_VALUE;
    }
}

// Emptying takes write access; the file is then opened again for appending only, so what
// others append after the restart is never written over.
bool Restart(void* context) {
    LogFile* log = File(context);
    Close(context);
    HANDLE emptied = CreateFileW(log->logPath, GENERIC_WRITE, SHARE_ALL, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (emptied == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(emptied);
    return OpenForAppending(context);
}

uint32_t Write(void* context, const char* bytes, uint32_t count) {
    DWORD written = 0;
    if (!WriteFile(File(context)->logHandle, bytes, count, &written, nullptr)) {
        return 0;
    }
    return written;
}

uint64_t Milliseconds(void*) {
    return GetTickCount64();
}

}  // namespace

LogFile MakeLogFile() {
    LogFile log = {};
    log.logHandle = INVALID_HANDLE_VALUE;
    return log;
}

void ReadExecutablePath(wchar_t* out) {
    out[0] = 0;
    DWORD n = GetModuleFileNameW(nullptr, out, EXE_PATH_CAPACITY);
    if (n == 0 || n >= static_cast<DWORD>(EXE_PATH_CAPACITY)) {
        out[0] = 0;  // no path, or one cut short: no files beside it rather than the wrong ones
        return;
    }
    // Started through a symbolic link (winget's portable installs put one in a folder shared
    // by every such program), the module's path is the link's. The files belong beside the
    // executable itself: the file the path leads to, through every link on the way.
    UniqueHandle self(CreateFileW(out, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    wchar_t final[EXE_PATH_CAPACITY];
    DWORD m = self ? GetFinalPathNameByHandleW(self.get(), final, EXE_PATH_CAPACITY, FILE_NAME_NORMALIZED) : 0;
    if (m > 0 && m < static_cast<DWORD>(EXE_PATH_CAPACITY)) {
        (void)PlainPathOf(AsUtf16(final), AsUtf16(out), EXE_PATH_CAPACITY);  // else the module's path stays
    }
}

void OpenLog(LogFile* log, const wchar_t* exePath) {
    log->writer = MakeLogWriter(LogFileOps{
        .context = log,
        .open = OpenForAppending,
        .size = Size,
        .restart = Restart,
        .write = Write,
        .close = Close,
        .milliseconds = Milliseconds,
    });
    ExeSiblingPath(AsUtf16(exePath), u"Pellacord.log", AsUtf16(log->logPath));
    OpenLogWriter(&log->writer);
}

static void WriteLine(LogFile* log, const char* text, const wchar_t* wide) {
    if (!log->writer.isOpen && !log->writer.openFailed) {
        return;  // never opened, or closed for good
    }
    SYSTEMTIME st;
    GetLocalTime(&st);
    LocalTime t = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    char line[LOG_LINE_CAPACITY];
    int32_t n = FormatLogLine(line, LOG_LINE_CAPACITY, &t, text, wide ? AsUtf16(wide) : nullptr);
    WriteLogBytes(&log->writer, line, static_cast<uint32_t>(n));
}

void WriteLogLine(LogFile* log, const char* text) {
    WriteLine(log, text, nullptr);
}

void WriteLogLineWide(LogFile* log, const char* prefix, const wchar_t* text) {
    WriteLine(log, prefix, text);
}

void CloseLog(LogFile* log) {
    CloseLogWriter(&log->writer);
}
