#pragma once
#include <cstdint>

// How the log's bytes reach the file: one whole line per write, at the end of the file even
// when another program appends to it too, within the size limit while the program runs, a
// line left half written by a full disk never glued to the next, and a file that could not
// be opened tried again now and then. The file calls go through LogFileOps.

constexpr uint32_t LOG_RETRY_MS = 60000;  // at most one new attempt a minute

struct LogFileOps {
    void* context;
    // Opens the file for appending only, creating it when missing.
    bool (*open)(void* context);
    // The file's size now; false when it cannot be read.
    bool (*size)(void* context, uint64_t* bytes);
    // Empties the file and opens it again for appending only; false leaves it closed.
    bool (*restart)(void* context);
    // Writes the bytes at the end of the file; returns how many were written.
    uint32_t (*write)(void* context, const char* bytes, uint32_t count);
    void (*close)(void* context);
    uint64_t (*milliseconds)(void* context);  // a clock that never goes back
};

struct LogWriter {
    LogFileOps ops;
    bool isOpen;
    bool openFailed;      // the last attempt failed: the next is made LOG_RETRY_MS after it
    uint64_t lastAttempt;
    bool lineBroken;      // the last write was short: the next line starts on a line of its own
    uint32_t restarts;    // how often the file was begun anew since start-up
};

LogWriter MakeLogWriter(LogFileOps ops);

// Opens the log: a new or empty file begins with the byte-order mark; a file over the limit is
// begun anew with the restart line; a file whose size cannot be read is appended to as it is.
void OpenLogWriter(LogWriter* log);
// Writes one whole line (prefix, text, CR LF), opening the file again first when an earlier
// attempt failed long enough ago.
void WriteLogBytes(LogWriter* log, const char* line, uint32_t length);
void CloseLogWriter(LogWriter* log);
