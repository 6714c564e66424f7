#pragma once
#include <cstdint>

// Puts a finished copy in place of a file in one step. Scanners, indexers, backup and sync
// tools open a file for a moment just after it is written: such a refusal is tried again a few
// times. Whatever fails, the file the user has is never lost: the copy is removed only while
// the file itself still exists.

constexpr int32_t REPLACE_ATTEMPTS = 5;
constexpr uint32_t REPLACE_PAUSE_MS = 100;

// Win32 errors the commit tells apart.
constexpr uint32_t FILE_ERROR_ACCESS_DENIED = 5;
constexpr uint32_t FILE_ERROR_SHARING_VIOLATION = 32;
constexpr uint32_t FILE_ERROR_LOCK_VIOLATION = 33;
constexpr uint32_t FILE_ERROR_UNABLE_TO_REMOVE_REPLACED = 1175;
// ReplaceFileW without a backup name: "the replaced file no longer exists and the replacement
// file exists under its original name".
constexpr uint32_t FILE_ERROR_UNABLE_TO_MOVE_REPLACEMENT = 1176;

struct FileReplaceOps {
    void* context;
    // ReplaceFileW(path, temporary): 0, or the error.
    uint32_t (*replace)(void* context, const char16_t* path, const char16_t* temporary);
    // MoveFileExW(temporary, path, replacing any file there): 0, or the error.
    uint32_t (*move)(void* context, const char16_t* temporary, const char16_t* path);
    bool (*exists)(void* context, const char16_t* path);
    void (*remove)(void* context, const char16_t* path);
    void (*pause)(void* context, uint32_t milliseconds);
};

// Another program holds the file for a moment: worth another attempt.
bool TransientFileError(uint32_t error);

// Puts `temporary` in place of `path` (which `exists` or not). Returns 0, or the last error.
uint32_t CommitReplacement(const FileReplaceOps* ops, const char16_t* path, const char16_t* temporary, bool exists);
