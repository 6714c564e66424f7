#include "files/Settings_win.h"

#include "files/Paths.h"
#include "files/Settings.h"
#include "shell/Wide_win.h"

#include <windows.h>

void LoadSettings(LimitTable* table, int32_t* keepDisplayOn, const wchar_t* exePath) {
    wchar_t path[PATH_CAPACITY];
    ExeSiblingPath(AsUtf16(exePath), u"Pellacord.ini", AsUtf16(path));
    if (!path[0]) {
        return;
    }
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    uint8_t bytes[SETTINGS_READ_MAX + 1];
    DWORD read = 0;
    if (!ReadFile(file, bytes, SETTINGS_READ_MAX, &read, nullptr)) {
        read = 0;
    }
    CloseHandle(file);
    ParseSettings(bytes, static_cast<int32_t>(read), table, keepDisplayOn);
}

// The text goes to a temporary file beside the settings, which then replaces them in one
// step: a crash, a full disk or a locked file leaves the old settings as they were instead of
// an empty file.
void SaveSettings(const LimitTable* table, int32_t keepDisplayOn, const wchar_t* exePath) {
    wchar_t path[PATH_CAPACITY];
    wchar_t temporary[PATH_CAPACITY];
    ExeSiblingPath(AsUtf16(exePath), u"Pellacord.ini", AsUtf16(path));
    ExeSiblingPath(AsUtf16(exePath), u"Pellacord.ini.new", AsUtf16(temporary));
    if (!path[0] || !temporary[0] || lstrcmpW(path, temporary) == 0) {
        return;
    }
    // A settings file marked read-only is left alone, as writing into it would be refused.
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return;
    }
    char text[SETTINGS_TEXT_CAPACITY];
    int32_t length = FormatSettings(text, SETTINGS_TEXT_CAPACITY, table, keepDisplayOn);
    HANDLE file = CreateFileW(temporary, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    bool complete = WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr) &&
                    written == static_cast<DWORD>(length) && FlushFileBuffers(file);
    CloseHandle(file);
    if (!complete || !MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary);
    }
}
