#pragma once
#include "files/LogWriter.h"
#include "files/Paths.h"

#include <windows.h>

// The log file beside the executable. Every failure is silent: without a file the program
// runs on, the writes do nothing, and the file is tried again a minute later.
struct LogFile {
    LogWriter writer;
    HANDLE logHandle;
    wchar_t logPath[PATH_CAPACITY];
};

// Not open, not failed.
LogFile MakeLogFile();

// The running executable's full path (EXE_PATH_CAPACITY units), or the empty text.
void ReadExecutablePath(wchar_t* out);

void OpenLog(LogFile* log, const wchar_t* exePath);
void WriteLogLine(LogFile* log, const char* text);
void WriteLogLineWide(LogFile* log, const char* prefix, const wchar_t* text);
void CloseLog(LogFile* log);
