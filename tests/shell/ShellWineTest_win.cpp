// The shell pieces against real Win32 under Wine: window enumeration, GDI fills, icons, the
// theme registry value, the Run key's value, and the resources built into Pellacord.exe.
#include "shell/Apps_win.h"
#include "shell/Autostart_win.h"
#include "shell/ControllerPlatform_win.h"
#include "shell/IconFile.h"
#include "shell/IconPainter.h"
#include "shell/IconPainter_win.h"
#include "shell/PowerNotices_win.h"
#include "shell/Theme_win.h"
#include "ui/DrawKit_win.h"

#include "tests/support/Utf16.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

bool WaitForTitle(const wchar_t* title) {
    for (int i = 0; i < 200; i++) {
        if (FindWindowW(nullptr, title)) {
            return true;
        }
        Sleep(50);
    }
    return false;
}

int Find(const std::vector<AppEntry>& rows, uint32_t pid) {
    for (size_t i = 0; i < rows.size(); i++) {
        if (rows[i].pid == pid) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The hold's clocks as Windows gives them: the interval clock runs on, the wall clock is the
// system time since 1601, and the time of day is the local one.
TEST(ShellWine, TheHoldsClocks) {
    HoldClock first = {}, second = {};
    ReadHoldClockWin(nullptr, &first);
    second = first;
    // Until both clocks have moved on 40 ms, however slow the machine: within 10 s they have.
    for (int i = 0; i < 2000 && (second.intervalMs - first.intervalMs < 40 || second.wallMs - first.wallMs < 40); i++) {
        Sleep(5);
        ReadHoldClockWin(nullptr, &second);
    }
    SYSTEMTIME local;
    GetLocalTime(&local);
    EXPECT_GE(second.intervalMs - first.intervalMs, 40u);
    EXPECT_GE(second.wallMs - first.wallMs, 40);
    EXPECT_GT(first.wallMs, int64_t{13000000000000});  // after 2012, in ms since 1601
    EXPECT_LT(second.localDayMs, DAY_MS);
    const uint32_t minute = local.wHour * 60u + local.wMinute;
    EXPECT_LE((minute + 1440 - second.localDayMs / 60000) % 1440, 1u);  // the same minute, or the next

    // Without a change of daylight saving time ahead, the time zone's rules and the local time
    // of day agree on how long it is until a time, across midnight too.
    for (uint32_t m : {0u, 7u * 60 + 30, minute, (minute + 1) % 1440, 23u * 60 + 59}) {
        HoldClock now = {};
        ReadHoldClockWin(nullptr, &now);
        const uint32_t byZone = DelayUntilWin(nullptr, m);
        const int64_t byDay = UntilDelayMs(now.localDayMs, m);
        EXPECT_LE(byZone > byDay ? byZone - byDay : byDay - byZone, 1000) << m;
    }
}

TEST(ShellWine, EnumeratesOpenAppsInZOrder) {
    PROCESS_INFORMATION main = StartHelper(L"appwindows.exe", L"main");
    ASSERT_TRUE(WaitForTitle(L"Owned Dialog"));
    PROCESS_INFORMATION tool = StartHelper(L"appwindows.exe", L"tool");
    ASSERT_TRUE(WaitForTitle(L"Tool Palette"));
    PROCESS_INFORMATION two = StartHelper(L"appwindows.exe", L"two");
    ASSERT_TRUE(WaitForTitle(L"Upper Window"));  // given once both windows are in place

    auto list = std::make_unique<AppList>();
    auto names = std::make_unique<ImageNameEntry[]>(MAX_IMAGE_NAMES);
    list->count = EnumerateOpenApps(list->entries, MAX_APPS, names.get());
    std::vector<AppEntry> rows(list->entries, list->entries + list->count);

    int mainRow = Find(rows, main.dwProcessId);
    int twoRow = Find(rows, two.dwProcessId);
    ASSERT_GE(mainRow, 0);
    ASSERT_GE(twoRow, 0);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(rows[mainRow].title)), L"Main Window");
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(rows[twoRow].title)), L"Upper Window");
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(rows[twoRow].imageName)), L"appwindows.exe");
    EXPECT_EQ(Find(rows, tool.dwProcessId), -1);       // a tool window and an untitled one
    EXPECT_EQ(Find(rows, GetCurrentProcessId()), -1);
    EXPECT_LT(twoRow, mainRow);                         // started later, so higher in z-order
    int perProcess = 0;
    for (const AppEntry& e : rows) {
        perProcess += e.pid == two.dwProcessId;
    }
    EXPECT_EQ(perProcess, 1);

    for (PROCESS_INFORMATION* p : {&main, &tool, &two}) {
        TerminateProcess(p->hProcess, 0);
        WaitForSingleObject(p->hProcess, 5000);
        CloseHandle(p->hProcess);
        CloseHandle(p->hThread);
    }
}

// A window whose thread has stopped answering: the list reads its title without sending it a
// message, so listing the open apps never waits on it.
TEST(ShellWine, AHungWindowNeverStallsTheList) {
    struct Hung {
        HANDLE created;
        HANDLE release;
    } hung = {CreateEventW(nullptr, TRUE, FALSE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    HANDLE owner = CreateThread(
        nullptr, 0,
        [](void* parameter) -> DWORD {
            auto* h = static_cast<Hung*>(parameter);
            HWND w = CreateWindowExW(0, L"STATIC", L"Hung Window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 200, 100,
                                     nullptr, nullptr, nullptr, nullptr);
            SetEvent(h->created);
            WaitForSingleObject(h->release, INFINITE);  // handles no message meanwhile
            DestroyWindow(w);
            return 0;
        },
        &hung, 0, nullptr);
    ASSERT_NE(owner, nullptr);
    ASSERT_EQ(WaitForSingleObject(hung.created, 10000), WAIT_OBJECT_0);

    HANDLE lister = CreateThread(
        nullptr, 0,
        [](void*) -> DWORD {
            auto list = std::make_unique<AppList>();
            auto names = std::make_unique<ImageNameEntry[]>(MAX_IMAGE_NAMES);
            return static_cast<DWORD>(EnumerateOpenApps(list->entries, MAX_APPS, names.get()));
        },
        nullptr, 0, nullptr);
    ASSERT_NE(lister, nullptr);
    EXPECT_EQ(WaitForSingleObject(lister, 10000), WAIT_OBJECT_0) << "the list waited on the hung window";
    SetEvent(hung.release);
    WaitForSingleObject(lister, 10000);
    WaitForSingleObject(owner, 10000);
    for (HANDLE h : {lister, owner, hung.created, hung.release}) {
        CloseHandle(h);
    }
}

// A 64 x 64 top-down DIB section to draw into and read back.
struct Canvas {
    HDC dc = CreateCompatibleDC(nullptr);
    uint32_t* bits = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    Canvas() {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 64, -64, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* raw = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
        bits = static_cast<uint32_t*>(raw);
        previous = SelectObject(dc, bitmap);
    }
    ~Canvas() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    std::vector<uint32_t> Pixels() {
        GdiFlush();
        return std::vector<uint32_t>(bits, bits + 64 * 64);
    }
    void Clear() {
        GdiFlush();
        std::fill(bits, bits + 64 * 64, 0u);
    }
};

TEST(ShellWine, RoundRectFillsExactlyTheRectangle) {
    Canvas canvas;
    ASSERT_NE(canvas.bits, nullptr);
    const Rect r = {5, 7, 40, 30};
    const COLORREF color = RGB(0x12, 0x34, 0x56);
    FillRectColor(canvas.dc, r, color);
    std::vector<uint32_t> square = canvas.Pixels();
    canvas.Clear();
    FillRoundRect(canvas.dc, r, 0, color);
    EXPECT_EQ(canvas.Pixels(), square);

    int covered = 0;
    for (uint32_t p : square) {
        covered += p != 0;
    }
    EXPECT_EQ(covered, 35 * 23);

    // A radius cuts the corners.
    canvas.Clear();
    FillRoundRect(canvas.dc, r, 6, color);
    std::vector<uint32_t> round = canvas.Pixels();
    EXPECT_NE(round[static_cast<size_t>(18 * 64 + 20)], 0u);
    EXPECT_EQ(round[static_cast<size_t>(7 * 64 + 5)], 0u);  // the corner is cut
}

TEST(ShellWine, MakeAppIconHoldsTheRasterisedPixels) {
    struct Case { uint32_t color; int32_t size; int32_t shape; int32_t painted; };
    const Case cases[] = {{APP_ICON_COLOR, 16, ICON_SHAPE_EYE, 16},
                          {0x43A02E, 20, ICON_SHAPE_EYE, 20},
                          {0x8A8A8A, 32, ICON_SHAPE_ARCH, 32},
                          {APP_ICON_COLOR, 4, ICON_SHAPE_EYE, 8}};
    for (const Case& c : cases) {
        HICON icon = MakeAppIcon(c.color, c.size, c.shape);
        ASSERT_NE(icon, nullptr);
        ICONINFO info;
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAPINFO bi = {};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), c.painted, -c.painted, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::vector<uint8_t> got(static_cast<size_t>(c.painted * c.painted * 4));
        HDC screen = GetDC(nullptr);
        int lines = GetDIBits(screen, info.hbmColor, 0, static_cast<UINT>(c.painted), got.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        EXPECT_EQ(lines, c.painted);
        std::vector<uint8_t> expected(got.size());
        RasterizeAppIcon(expected.data(), c.painted, c.color, c.shape);
        EXPECT_EQ(got, expected) << "size " << c.size;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

TEST(ShellWine, ThemeFollowsTheRegistryValue) {
    const wchar_t* keyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    // Keep what was there, to put it back.
    DWORD savedType = 0, savedSize = 64;
    BYTE saved[64];
    bool hadValue = RegQueryValueExW(key, L"AppsUseLightTheme", nullptr, &savedType, saved, &savedSize) == ERROR_SUCCESS;

    struct Case { const char* name; DWORD type; std::vector<BYTE> data; int32_t dark; };
    const Case cases[] = {
        {"DWORD 0", REG_DWORD, {0, 0, 0, 0}, 1},
        {"DWORD 1", REG_DWORD, {1, 0, 0, 0}, 0},
        {"DWORD 2", REG_DWORD, {2, 0, 0, 0}, 0},
        {"string \"0\"", REG_SZ, {'0', 0, 0, 0}, 0},
        {"missing", 0, {}, 0},
    };
    for (const Case& c : cases) {
        if (c.type) {
            RegSetValueExW(key, L"AppsUseLightTheme", 0, c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        } else {
            RegDeleteValueW(key, L"AppsUseLightTheme");
        }
        EXPECT_EQ(SystemUsesDarkTheme(), c.dark) << c.name;
        Palette p;
        LoadPalette(&p);
        EXPECT_EQ(p.isDark, c.dark) << c.name;
        EXPECT_EQ(p.windowBackground, c.dark ? Rgb(0x202020) : Rgb(0xF3F3F3)) << c.name;
    }
    if (hadValue) {
        RegSetValueExW(key, L"AppsUseLightTheme", 0, savedType, saved, savedSize);
    } else {
        RegDeleteValueW(key, L"AppsUseLightTheme");
    }
    RegCloseKey(key);
}

TEST(ShellWine, ExecutableCarriesTheIconGroupAndVersion) {
    std::wstring exe = BesideTestExe(L"..\\Pellacord.exe");
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC group = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const uint8_t* dir = static_cast<const uint8_t*>(LockResource(LoadResource(module, group)));
    ASSERT_NE(dir, nullptr);
    ASSERT_EQ(dir[4], ICON_FILE_COUNT);
    for (int i = 0; i < ICON_FILE_COUNT; i++) {
        const uint8_t* entry = dir + 6 + 14 * i;  // GRPICONDIRENTRY
        int32_t size = entry[0];
        EXPECT_EQ(size, ICON_FILE_SIZES[i]);
        EXPECT_EQ(entry[6] | entry[7] << 8, 32);  // bits per pixel
        WORD id = static_cast<WORD>(entry[12] | entry[13] << 8);
        HRSRC image = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3));  // RT_ICON
        ASSERT_NE(image, nullptr);
        DWORD length = SizeofResource(module, image);
        const uint8_t* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, image)));
        std::vector<uint8_t> expected(IconImageBytes(size));
        ASSERT_EQ(BuildIconImage(expected.data(), expected.size(), size), expected.size());
        ASSERT_EQ(length, expected.size()) << size;
        EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + length), expected) << "image " << size;
    }
    FreeLibrary(module);

    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<uint8_t> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, info.data()));
    wchar_t* name = nullptr;
    UINT nameLength = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                               reinterpret_cast<void**>(&name), &nameLength));
    EXPECT_EQ(std::wstring(name), L"Pellacord");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLength));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
}

// The notifications a watch registers for, and what their messages carry: the setting by its
// GUID, and a DWORD of data. Registration is undone whole.
TEST(ShellWine, PowerSettingNotifications) {
    HWND window = CreateWindowExW(0, L"STATIC", L"power", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    PowerNotices notices = {};
    FollowPowerSettings(&notices, window, true);
    FollowPowerSettings(&notices, window, true);  // once is enough: nothing registered twice
    FollowPowerSettings(&notices, window, false);
    for (HPOWERNOTIFY h : notices.handles) {
        EXPECT_EQ(h, nullptr);
    }
    DestroyWindow(window);

    struct Case { GUID guid; bool known; PowerSetting setting; };
    const Case cases[] = {
        {{0x5d3e9a59, 0xe9d5, 0x4b00, {0xa6, 0xbd, 0xff, 0x34, 0xff, 0x51, 0x65, 0x48}}, true, PowerSetting::Source},
        {{0xa7ad8041, 0xb45a, 0x4cae, {0x87, 0xa3, 0xee, 0xcb, 0xb4, 0x68, 0xa9, 0xe1}}, true, PowerSetting::Battery},
        {{0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}}, true, PowerSetting::Display},
        {{0xba3e0f4d, 0xb817, 0x4094, {0xa2, 0xd1, 0xd5, 0x63, 0x79, 0xe6, 0xa0, 0xf3}}, true, PowerSetting::Lid},
        {{0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}}, false, PowerSetting::Source},
    };
    for (const Case& c : cases) {
        alignas(POWERBROADCAST_SETTING) unsigned char bytes[sizeof(POWERBROADCAST_SETTING) + 8] = {};
        auto* data = reinterpret_cast<POWERBROADCAST_SETTING*>(bytes);
        data->PowerSetting = c.guid;
        data->DataLength = sizeof(DWORD);
        const DWORD value = 42;
        memcpy(data->Data, &value, sizeof(value));
        PowerSetting setting = PowerSetting::Lid;
        uint32_t read = 0;
        ASSERT_EQ(ReadPowerSetting(data, &setting, &read), c.known);
        if (c.known) {
            EXPECT_EQ(setting, c.setting);
            EXPECT_EQ(read, 42u);
        }
        data->DataLength = 2;  // too short to hold a value
        EXPECT_FALSE(ReadPowerSetting(data, &setting, &read));
    }
}

constexpr wchar_t RUN_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t RUN_VALUE[] = L"Pellacord";

// The Run value as stored, read with plain registry calls: type 0 when there is none.
struct StoredValue {
    DWORD type;
    std::vector<BYTE> bytes;
};

StoredValue ReadStored() {
    StoredValue stored = {0, {}};
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, RUN_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return stored;
    }
    DWORD size = 0;
    if (RegQueryValueExW(key, RUN_VALUE, nullptr, &stored.type, nullptr, &size) == ERROR_SUCCESS) {
        stored.bytes.resize(size);
        RegQueryValueExW(key, RUN_VALUE, nullptr, &stored.type, stored.bytes.data(), &size);
        stored.bytes.resize(size);
    } else {
        stored.type = 0;
    }
    RegCloseKey(key);
    return stored;
}

// Stores the value as given, byte for byte, or removes it for type 0. The registry adds a
// terminator a string's count left out when one follows in memory, so one never does here.
void Store(const StoredValue& value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, RUN_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (value.type) {
        std::vector<BYTE> padded = value.bytes;
        padded.insert(padded.end(), {0x41, 0x41, 0x41, 0x41});
        EXPECT_EQ(RegSetValueExW(key, RUN_VALUE, 0, value.type, padded.data(), static_cast<DWORD>(value.bytes.size())),
                  ERROR_SUCCESS);
    } else {
        RegDeleteValueW(key, RUN_VALUE);
    }
    RegCloseKey(key);
    const StoredValue stored = ReadStored();
    EXPECT_EQ(stored.type, value.type);
    EXPECT_EQ(stored.bytes, value.bytes);
}

// A text's UTF-16 bytes, with its terminator or without.
std::vector<BYTE> BytesOf(const std::u16string& text, bool terminated) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(bytes, bytes + (text.size() + (terminated ? 1 : 0)) * sizeof(char16_t));
}

constexpr const char16_t* AUTOSTART_EXE = u"C:\\Program Files\\Pellacord T\u00E9st\\Pellacord.exe";
constexpr const char16_t* AUTOSTART_COMMAND = u"\"C:\\Program Files\\Pellacord T\u00E9st\\Pellacord.exe\" --tray";

// Checking writes this exe's command as a REG_SZ with its terminator, over whatever was there;
// unchecking removes it, and a value already gone is no error. Whatever the prefix held is put
// back.
TEST(ShellWine, StartWithWindowsWritesAndRemovesTheRunValue) {
    const StoredValue saved = ReadStored();
    Store({0, {}});
    const AutostartRegistry registry = WindowsAutostartRegistry();
    const StoredValue written = {REG_SZ, BytesOf(AUTOSTART_COMMAND, true)};

    EXPECT_FALSE(AutostartState(&registry, AUTOSTART_EXE));
    EXPECT_EQ(SetAutostart(&registry, AUTOSTART_EXE, false), 0u);
    EXPECT_EQ(SetAutostart(&registry, AUTOSTART_EXE, true), 0u);
    StoredValue stored = ReadStored();
    EXPECT_EQ(stored.type, written.type);
    EXPECT_EQ(stored.bytes, written.bytes);
    EXPECT_TRUE(AutostartState(&registry, AUTOSTART_EXE));
    EXPECT_TRUE(AutostartState(&registry, u"c:\\PROGRAM FILES\\pellacord t\u00C9st\\PELLACORD.EXE"));
    EXPECT_FALSE(AutostartState(&registry, u"D:\\Portable\\Pellacord.exe"));

    // A copy elsewhere wrote it last: unchecked here, and checking points it at this exe.
    Store({REG_SZ, BytesOf(u"\"D:\\Portable\\Pellacord.exe\" --tray", true)});
    EXPECT_FALSE(AutostartState(&registry, AUTOSTART_EXE));
    EXPECT_EQ(SetAutostart(&registry, AUTOSTART_EXE, true), 0u);
    stored = ReadStored();
    EXPECT_EQ(stored.type, written.type);
    EXPECT_EQ(stored.bytes, written.bytes);

    EXPECT_EQ(SetAutostart(&registry, AUTOSTART_EXE, false), 0u);
    EXPECT_EQ(ReadStored().type, 0u);
    EXPECT_FALSE(AutostartState(&registry, AUTOSTART_EXE));
    EXPECT_EQ(SetAutostart(&registry, AUTOSTART_EXE, false), 0u);
    Store(saved);
}

// Values others may have stored: without a terminator, an odd byte count, variables to expand,
// not a string at all, or longer than a Run command.
TEST(ShellWine, StartWithWindowsReadsTheValueAsStored) {
    const StoredValue saved = ReadStored();
    ASSERT_TRUE(SetEnvironmentVariableW(L"PELLACORD_AUTOSTART_DIR", L"C:\\Program Files\\Pellacord T\u00E9st"));
    const std::u16string command = AUTOSTART_COMMAND;
    std::vector<BYTE> oddCount = BytesOf(command, false);
    oddCount.push_back(0x41);
    std::u16string full = u"\"" + std::u16string(AUTOSTART_EXE) + u"\" ";
    full.append(static_cast<size_t>(AUTOSTART_COMMAND_CAPACITY - 1) - full.size(), u'x');  // 260 characters
    struct Case {
        const char* name;
        StoredValue stored;
        uint32_t error;
        bool exists;
        std::u16string text;
        bool checked;
    };
    const Case cases[] = {
        {"missing", {0, {}}, 0, false, u"", false},
        {"terminated", {REG_SZ, BytesOf(command, true)}, 0, true, command, true},
        {"no terminator", {REG_SZ, BytesOf(command, false)}, 0, true, command, true},
        {"an odd byte count", {REG_SZ, oddCount}, 0, true, command, true},
        {"two terminators", {REG_SZ, BytesOf(command + u'\0', true)}, 0, true, command, true},
        {"empty", {REG_SZ, BytesOf(u"", true)}, 0, true, u"", false},
        {"variables", {REG_EXPAND_SZ, BytesOf(u"\"%pellacord_autostart_dir%\\Pellacord.exe\" --tray", true)}, 0, true,
         command, true},
        {"a full Run command", {REG_SZ, BytesOf(full, true)}, 0, true, full, true},
        {"a full Run command, no terminator", {REG_SZ, BytesOf(full, false)}, 0, true, full, true},
        {"one over", {REG_SZ, BytesOf(full + u'x', true)}, ERROR_MORE_DATA, true, u"", false},
        {"one over, no terminator", {REG_SZ, BytesOf(full + u'x', false)}, ERROR_MORE_DATA, true, u"", false},
        {"a number", {REG_DWORD, {1, 0, 0, 0}}, ERROR_INVALID_DATA, true, u"", false},
    };
    const AutostartRegistry registry = WindowsAutostartRegistry();
    for (const Case& c : cases) {
        Store(c.stored);
        bool exists = !c.exists;
        char16_t text[AUTOSTART_COMMAND_CAPACITY];
        EXPECT_EQ(registry.read(registry.context, &exists, text, AUTOSTART_COMMAND_CAPACITY), c.error) << c.name;
        EXPECT_EQ(exists, c.exists) << c.name;
        if (c.error == 0) {
            EXPECT_EQ(std::u16string(text), c.text) << c.name << ": " << Printable(text);
        }
        EXPECT_EQ(AutostartState(&registry, AUTOSTART_EXE), c.checked) << c.name;
    }
    // The caller's buffer bounds the text too, expanded or not.
    for (DWORD type : {static_cast<DWORD>(REG_SZ), static_cast<DWORD>(REG_EXPAND_SZ)}) {
        Store({type, BytesOf(command, true)});
        bool exists = false;
        std::u16string text(command.size() + 2, u'#');
        const int32_t fits = static_cast<int32_t>(command.size() + 1);
        EXPECT_EQ(registry.read(registry.context, &exists, text.data(), fits - 1), static_cast<uint32_t>(ERROR_MORE_DATA))
            << type;
        EXPECT_EQ(registry.read(registry.context, &exists, text.data(), fits), 0u) << type;
        EXPECT_EQ(std::u16string(text.c_str()), command) << type;
        EXPECT_EQ(text[static_cast<size_t>(fits)], u'#') << type;
    }
    SetEnvironmentVariableW(L"PELLACORD_AUTOSTART_DIR", nullptr);
    Store(saved);
}

// A profile without a Run key: nothing is checked, unchecking is no error, and checking makes
// the key. The test prefix's key is empty, so it can be taken away and put back as it was.
TEST(ShellWine, StartWithWindowsWithoutARunKey) {
    HKEY key;
    const bool hadKey = RegOpenKeyExW(HKEY_CURRENT_USER, RUN_KEY, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
    if (hadKey) {
        DWORD subkeys = 0, values = 0;
        ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                                   nullptr, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        ASSERT_EQ(subkeys + values, 0u) << "the prefix's Run key holds entries this test would remove";
        ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, RUN_KEY), ERROR_SUCCESS);
    }
    const AutostartRegistry registry = WindowsAutostartRegistry();
    bool exists = true;
    char16_t text[AUTOSTART_COMMAND_CAPACITY];
    EXPECT_EQ(registry.read(registry.context, &exists, text, AUTOSTART_COMMAND_CAPACITY), 0u);
    EXPECT_FALSE(exists);
    EXPECT_FALSE(AutostartState(&registry, AUTOSTART_EXE));
    EXPECT_EQ(registry.remove(registry.context), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(SetAutostart(&registry, AUTOSTART_EXE, false), 0u);
    EXPECT_EQ(SetAutostart(&registry, AUTOSTART_EXE, true), 0u);
    const StoredValue stored = ReadStored();
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored.bytes, BytesOf(AUTOSTART_COMMAND, true));
    EXPECT_EQ(SetAutostart(&registry, AUTOSTART_EXE, false), 0u);
    if (!hadKey) {
        RegDeleteKeyW(HKEY_CURRENT_USER, RUN_KEY);
    }
}

}  // namespace
