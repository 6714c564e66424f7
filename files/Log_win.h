#pragma once
#include "files/Paths.h"

#include <windows.h>

// The log file beside the executable. Every failure is silent: without a file the program
// runs on and the writes do nothing.
struct LogFile {
    HANDLE logHandle;
    wchar_t logPath[PATH_CAPACITY];
    int32_t logOpenFailed;  // never cleared, so a failed open is not retried
};

// Not open, not failed.
inline LogFile MakeLogFile() { return LogFile{INVALID_HANDLE_VALUE, {}, 0}; }

// The running executable's full path, or the empty text.
void ReadExecutablePath(wchar_t* out);

void OpenLog(LogFile* log, const wchar_t* exePath);
void WriteLogLine(LogFile* log, const char* text);
void WriteLogLineWide(LogFile* log, const char* prefix, const wchar_t* text);
void CloseLog(LogFile* log);
