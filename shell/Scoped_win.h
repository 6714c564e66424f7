#pragma once
#include "shell/SystemLibrary_win.h"

#include <windows.h>

// Owners of one Win32 handle for one scope: whatever path leaves the scope, the handle is
// closed once. A handle whose creation failed is held as empty, so the owner can be made
// straight from the call and tested afterwards.

// A kernel handle: a file, a snapshot, a process or a mutex. Both null and
// INVALID_HANDLE_VALUE count as empty, whichever the creating call returns on failure.
class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE handle = nullptr) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    explicit operator bool() const { return handle_ != nullptr; }
    HANDLE get() const { return handle_; }
    void Reset(HANDLE handle = nullptr) {
        if (handle_) {
            CloseHandle(handle_);
        }
        handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }

private:
    HANDLE handle_;
};

// An open registry key.
class UniqueKey {
public:
    UniqueKey() = default;
    ~UniqueKey() {
        if (key_) {
            RegCloseKey(key_);
        }
    }
    UniqueKey(const UniqueKey&) = delete;
    UniqueKey& operator=(const UniqueKey&) = delete;

    // RegOpenKeyExW for reading; false leaves the owner empty.
    bool Open(HKEY root, const wchar_t* path) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
            return false;
        }
        key_ = key;
        return true;
    }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// A library loaded for a while (dwmapi for one enumeration, powrprof for one question).
class UniqueModule {
public:
    explicit UniqueModule(HMODULE module) : module_(module) {}
    ~UniqueModule() {
        if (module_) {
            FreeLibrary(module_);
        }
    }
    UniqueModule(const UniqueModule&) = delete;
    UniqueModule& operator=(const UniqueModule&) = delete;

    explicit operator bool() const { return module_ != nullptr; }
    // The named export, or null when the library or the export is missing.
    template <typename Fn>
    Fn Function(const char* name) const {
        return LibraryFunction<Fn>(module_, name);
    }

private:
    HMODULE module_;
};
