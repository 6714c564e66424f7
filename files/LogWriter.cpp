#include "files/LogWriter.h"

#include "files/Log.h"

LogWriter MakeLogWriter(LogFileOps ops) {
    return LogWriter{ops, false, false, 0, false, 0};
}

namespace {

void Put(LogWriter* log, const char* bytes, uint32_t count) {
    uint32_t written = log->ops.write(log->ops.context, bytes, count);
    log->lineBroken = written < count;
}

// Empties the file and begins it as a new one. A failure leaves the log closed, to be tried
// again later.
bool Restart(LogWriter* log) {
    log->restarts++;
    if (!log->ops.restart(log->ops.context)) {
        log->isOpen = false;
        log->openFailed = true;
        log->lastAttempt = log->ops.milliseconds(log->ops.context);
        return false;
    }
    log->lineBroken = false;
    Put(log, LOG_BOM, 3);
    Put(log, LOG_RESTART_LINE, sizeof(LOG_RESTART_LINE) - 1);
    return true;
}

}  // namespace

void OpenLogWriter(LogWriter* log) {
    if (log->isOpen) {
        return;
    }
    log->lastAttempt = log->ops.milliseconds(log->ops.context);
    if (!log->ops.open(log->ops.context)) {
        log->openFailed = true;
        return;
    }
    log->isOpen = true;
    log->openFailed = false;
    uint64_t size = 0;
    if (!log->ops.size(log->ops.context, &size)) {
        return;  // an unknown size: no mark in the middle of what is there, no limit applied
    }
    if (size > LOG_SIZE_LIMIT) {
        Restart(log);
    } else if (size == 0) {
        Put(log, LOG_BOM, 3);
    }
}

void WriteLogBytes(LogWriter* log, const char* line, uint32_t length) {
    if (!log->isOpen) {
        if (!log->openFailed ||
            log->ops.milliseconds(log->ops.context) - log->lastAttempt < LOG_RETRY_MS) {
            return;
        }
        OpenLogWriter(log);
        if (!log->isOpen) {
            return;
        }
    }
    uint64_t size = 0;
    uint64_t adding = length + (log->lineBroken ? 2u : 0u);
    if (log->ops.size(log->ops.context, &size) && size + adding > LOG_SIZE_LIMIT && !Restart(log)) {
        return;
    }
    if (log->lineBroken) {
        Put(log, "\r\n", 2);
    }
    Put(log, line, length);
}

void CloseLogWriter(LogWriter* log) {
    if (log->isOpen) {
        log->ops.close(log->ops.context);
        log->isOpen = false;
    }
    log->openFailed = false;  // closed on purpose: never opened again
}
