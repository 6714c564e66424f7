#include "shell/Autostart_win.h"

#include "base/Owner_win.h"
#include "base/Text.h"
#include "base/Wide_win.h"

#include <windows.h>

static_assert(AUTOSTART_ERROR_FILE_NOT_FOUND == ERROR_FILE_NOT_FOUND && AUTOSTART_ERROR_INVALID_DATA == ERROR_INVALID_DATA &&
                  AUTOSTART_ERROR_BAD_PATHNAME == ERROR_BAD_PATHNAME &&
                  AUTOSTART_ERROR_FILENAME_EXCED_RANGE == ERROR_FILENAME_EXCED_RANGE &&
                  AUTOSTART_ERROR_MORE_DATA == ERROR_MORE_DATA,
              "Win32 errors");

namespace {

constexpr wchar_t RUN_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t VALUE_NAME[] = L"Pellacord";

// The key with only the access the call needs; ERROR_FILE_NOT_FOUND when it is missing.
uint32_t OpenRunKey(REGSAM access, UniqueKey* key) {
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, RUN_KEY, 0, access, &opened);
    key->Reset(status == ERROR_SUCCESS ? opened : nullptr);
    return static_cast<uint32_t>(status);
}

uint32_t Read(void*, bool* exists, char16_t* text, int32_t capacity) {
    *exists = false;
    if (capacity <= 0) {
        return ERROR_MORE_DATA;
    }
    text[0] = 0;
    UniqueKey key;
    const uint32_t opened = OpenRunKey(KEY_QUERY_VALUE, &key);
    if (opened != ERROR_SUCCESS) {
        return opened == ERROR_FILE_NOT_FOUND ? 0 : opened;
    }
    // Room for a Run command and its terminator; a longer value is no command of ours.
    wchar_t raw[AUTOSTART_COMMAND_CAPACITY];
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(sizeof(raw));
    const LSTATUS status = RegQueryValueExW(key.get(), VALUE_NAME, nullptr, &type, reinterpret_cast<BYTE*>(raw), &bytes);
    if (status == ERROR_FILE_NOT_FOUND) {
        return 0;
    }
    *exists = true;
    if (status != ERROR_SUCCESS) {
        return static_cast<uint32_t>(status);
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        return ERROR_INVALID_DATA;
    }
    // Whoever wrote the value may have left out the terminator, or stored an odd byte count:
    // the text is the whole units, without the terminators at their end.
    DWORD units = bytes / static_cast<DWORD>(sizeof(wchar_t));
    while (units > 0 && raw[units - 1] == 0) {
        units--;
    }
    if (units >= static_cast<DWORD>(AUTOSTART_COMMAND_CAPACITY)) {
        return ERROR_MORE_DATA;
    }
    raw[units] = 0;
    if (type == REG_SZ) {
        if (units >= static_cast<DWORD>(capacity)) {
            return ERROR_MORE_DATA;
        }
        CopyWide(text, AsUtf16(raw), capacity);
        return 0;
    }
    // A REG_EXPAND_SZ command may name its program through variables ("%LOCALAPPDATA%\..."):
    // it is compared as it expands.
    const DWORD needed = ExpandEnvironmentStringsW(raw, AsWide(text), static_cast<DWORD>(capacity));
    if (needed == 0) {
        text[0] = 0;
        return GetLastError();
    }
    if (needed > static_cast<DWORD>(capacity)) {
        text[0] = 0;
        return ERROR_MORE_DATA;
    }
    return 0;
}

uint32_t Write(void*, const char16_t* text) {
    HKEY created = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, RUN_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                     nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS) {
        return static_cast<uint32_t>(status);
    }
    UniqueKey key(created);
    const DWORD bytes = static_cast<DWORD>((WideLength(text) + 1) * static_cast<int32_t>(sizeof(wchar_t)));  // the terminator too
    status = RegSetValueExW(key.get(), VALUE_NAME, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
    return static_cast<uint32_t>(status);
}

uint32_t Remove(void*) {
    UniqueKey key;
    const uint32_t opened = OpenRunKey(KEY_SET_VALUE, &key);
    if (opened != ERROR_SUCCESS) {
        return opened;  // ERROR_FILE_NOT_FOUND: no key, so no value either
    }
    return static_cast<uint32_t>(RegDeleteValueW(key.get(), VALUE_NAME));
}

}  // namespace

AutostartRegistry WindowsAutostartRegistry() {
    return AutostartRegistry{.context = nullptr, .read = Read, .write = Write, .remove = Remove};
}
