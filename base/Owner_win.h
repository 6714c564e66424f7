#pragma once
#include "base/SystemLibrary_win.h"

#include <windows.h>

// The owner of one Win32 resource: whatever path leaves its scope, or whatever replaces it,
// the resource is released once. A resource whose creation failed is held as empty, so the
// owner can be made straight from the call and tested afterwards. One template, a traits
// record per kind of handle: how to tell an empty one and how to release it.

template <typename Traits>
class Owner {
public:
    using Type = typename Traits::Type;

    Owner() = default;
    explicit Owner(Type value) : value_(Traits::Valid(value) ? value : Type{}) {}
    ~Owner() { Reset(); }
    Owner(Owner&& other) noexcept : value_(other.Release()) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;

    explicit operator bool() const { return Traits::Valid(value_); }
    Type get() const { return value_; }
    // Gives the resource up without releasing it.
    Type Release() {
        Type value = value_;
        value_ = Type{};
        return value;
    }
    void Reset(Type value = Type{}) {
        if (Traits::Valid(value_)) {
            Traits::Close(value_);
        }
        value_ = Traits::Valid(value) ? value : Type{};
    }

private:
    Type value_{};
};

// A kernel handle: a file, a snapshot, a process, a thread, a job or a mutex. Both null and
// INVALID_HANDLE_VALUE count as empty, whichever the creating call returns on failure.
struct KernelHandleTraits {
    using Type = HANDLE;
    static bool Valid(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};

struct IconTraits {
    using Type = HICON;
    static bool Valid(HICON h) { return h != nullptr; }
    static void Close(HICON h) { DestroyIcon(h); }
};

struct MenuTraits {
    using Type = HMENU;
    static bool Valid(HMENU h) { return h != nullptr; }
    static void Close(HMENU h) { DestroyMenu(h); }
};

struct MemoryDcTraits {
    using Type = HDC;
    static bool Valid(HDC h) { return h != nullptr; }
    static void Close(HDC h) { DeleteDC(h); }
};

// The screen's device context, from GetDC(nullptr).
struct ScreenDcTraits {
    using Type = HDC;
    static bool Valid(HDC h) { return h != nullptr; }
    static void Close(HDC h) { ReleaseDC(nullptr, h); }
};

// A bitmap, a font, a brush or a pen.
template <typename Handle>
struct GdiObjectTraits {
    using Type = Handle;
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};

struct KeyTraits {
    using Type = HKEY;
    static bool Valid(HKEY h) { return h != nullptr; }
    static void Close(HKEY h) { RegCloseKey(h); }
};

struct ModuleTraits {
    using Type = HMODULE;
    static bool Valid(HMODULE h) { return h != nullptr; }
    static void Close(HMODULE h) { FreeLibrary(h); }
};

using UniqueHandle = Owner<KernelHandleTraits>;
using UniqueIcon = Owner<IconTraits>;
using UniqueMenu = Owner<MenuTraits>;
using UniqueMemoryDc = Owner<MemoryDcTraits>;
using UniqueScreenDc = Owner<ScreenDcTraits>;
using UniqueBitmap = Owner<GdiObjectTraits<HBITMAP>>;
using UniqueFont = Owner<GdiObjectTraits<HFONT>>;
using UniquePen = Owner<GdiObjectTraits<HPEN>>;
using UniqueBrush = Owner<GdiObjectTraits<HBRUSH>>;
using UniqueKey = Owner<KeyTraits>;
using UniqueModule = Owner<ModuleTraits>;

// RegOpenKeyExW for reading; an empty owner when the key is missing or closed to this user.
inline UniqueKey OpenKeyForReading(HKEY root, const wchar_t* path) {
    HKEY key = nullptr;
    return UniqueKey(RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS ? key : nullptr);
}

// The named export of a library held for a while; null when the library or the export is missing.
template <typename Fn>
Fn ModuleFunction(const UniqueModule& module, const char* name) {
    return LibraryFunction<Fn>(module.get(), name);
}
