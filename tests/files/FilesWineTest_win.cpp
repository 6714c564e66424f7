// The log and the settings with real files, in a temporary folder whose name is not ASCII.
#include "files/Log.h"
#include "files/Log_win.h"
#include "files/Settings.h"
#include "files/Settings_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const OptionalSettings NO_OPTIONAL = {};

// A save of these values, the hand edits it may take left out of the test's concern.
uint32_t SaveSettings(LimitTable* table, bool keepDisplayOn, SettingsFile* file) {
    bool took = false;
    OptionalSettings optional = {};
    return ::SaveSettings(table, &keepDisplayOn, &optional, file, &took);
}

// A load of the five limits and the flag; the optional settings stay at their defaults.
SettingsRead LoadSettings(LimitTable* table, bool* keepDisplayOn, SettingsFile* file) {
    OptionalSettings optional = {};
    return ::LoadSettings(table, keepDisplayOn, &optional, file);
}

struct FilesFixture : ::testing::Test {
    std::wstring base;
    std::wstring dir;
    std::wstring exe;
    std::wstring logPath;
    std::wstring iniPath;
    LogFile log = MakeLogFile();
    SettingsFile settings{};

    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        base = std::wstring(temp) + L"pellacord-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(base.c_str(), nullptr);
        dir = base + L"\\T\u00E9st \u00FC \u2713\\";
        CreateDirectoryW(dir.c_str(), nullptr);
        exe = dir + L"Pellacord.exe";
        logPath = dir + L"Pellacord.log";
        iniPath = dir + L"Pellacord.ini";
    }
    void TearDown() override {
        CloseLog(&log);
        for (const wchar_t* name : {L"Pellacord.log", L"Pellacord.ini", L"Pellacord.new", L"Other.ini"}) {
            std::wstring p = dir + name;
            SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(p.c_str());
        }
        SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(dir.c_str());
        RemoveDirectoryW(base.c_str());
    }

    static std::string Read(const std::wstring& path) {
        HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) {
            return "<missing>";
        }
        std::string bytes;
        char chunk[65536];
        DWORD n;
        while (ReadFile(f, chunk, sizeof(chunk), &n, nullptr) && n > 0) {
            bytes.append(chunk, n);
        }
        CloseHandle(f);
        return bytes;
    }
    static void Write(const std::wstring& path, const std::string& bytes) {
        HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD n;
        WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
        CloseHandle(f);
    }
    SettingsFile* Settings() {
        OpenSettingsFile(&settings, exe.c_str());
        return &settings;
    }
    void OpenAndWrite(const char* text) {
        OpenLog(&log, exe.c_str());
        WriteLogLine(&log, text);
        CloseLog(&log);
    }
};

// "YYYY-MM-DD hh:mm:ss  " followed by the text and CR LF.
void ExpectLine(const std::string& bytes, size_t at, const std::string& text) {
    ASSERT_GE(bytes.size(), at + 21 + text.size() + 2) << "line at " << at;
    const std::string prefix = bytes.substr(at, 21);
    const char* shape = "dddd-dd-dd dd:dd:dd  ";
    for (size_t i = 0; i < 21; i++) {
        if (shape[i] == 'd') {
            EXPECT_TRUE(prefix[i] >= '0' && prefix[i] <= '9') << prefix;
        } else {
            EXPECT_EQ(prefix[i], shape[i]) << prefix;
        }
    }
    EXPECT_EQ(bytes.substr(at + 21, text.size() + 2), text + "\r\n");
}

const std::string BOM = "\xEF\xBB\xBF";

TEST_F(FilesFixture, NewLogStartsWithTheByteOrderMark) {
    OpenLog(&log, exe.c_str());
    WriteLogLine(&log, LOG_SEPARATOR);
    WriteLogLine(&log, "Pellacord started");
    CloseLog(&log);
    std::string bytes = Read(logPath);
    ASSERT_EQ(bytes.substr(0, 3), BOM);
    ExpectLine(bytes, 3, LOG_SEPARATOR);
    ExpectLine(bytes, 3 + 21 + 56 + 2, "Pellacord started");
    EXPECT_EQ(bytes.size(), 3u + (21 + 56 + 2) + (21 + 17 + 2));
}

TEST_F(FilesFixture, ExistingFilesBySize) {
    struct Case { const char* name; size_t size; bool replaced; bool bom; };
    // The line "Pellacord started" is 40 bytes with its prefix and break.
    const Case cases[] = {
        {"empty", 0, false, true},
        {"small", 10, false, false},
        {"the line ends exactly at the limit", 4194304 - 40, false, false},
        {"the line would pass the limit", 4194304 - 39, true, true},
        {"one byte over at start-up", 4194305, true, true},
    };
    for (const Case& c : cases) {
        Write(logPath, std::string(c.size, 'x'));
        OpenAndWrite("Pellacord started");
        std::string bytes = Read(logPath);
        size_t at = 0;
        if (!c.replaced) {
            EXPECT_EQ(bytes.substr(0, c.size), std::string(c.size, 'x')) << c.name;
            at = c.size;
        }
        if (c.bom) {
            EXPECT_EQ(bytes.substr(at, 3), BOM) << c.name;
            at += 3;
        }
        if (c.replaced) {
            EXPECT_EQ(bytes.substr(at, 58), LOG_RESTART_LINE) << c.name;
            at += 58;
        }
        ExpectLine(bytes, at, "Pellacord started");
        EXPECT_EQ(bytes.size(), at + 21 + 17 + 2) << c.name;
    }
}

TEST_F(FilesFixture, WideLinesAreUtf8) {
    OpenLog(&log, exe.c_str());
    WriteLogLineWide(&log, "watching: ", L"Build \u00B7 Release");
    WriteLogLineWide(&log, "  image: ", std::wstring(300, L'\u00E9').c_str());  // too long for 512 bytes
    CloseLog(&log);
    std::string bytes = Read(logPath);
    const std::string first = "watching: Build \xC2\xB7 Release";
    ExpectLine(bytes, 3, first);
    ExpectLine(bytes, 3 + 21 + first.size() + 2, "  image: ");
    EXPECT_EQ(bytes.size(), 3 + 21 + first.size() + 2 + 21 + 9 + 2);
}

TEST_F(FilesFixture, WritesAfterCloseDoNothing) {
    OpenAndWrite("one");
    size_t size = Read(logPath).size();
    WriteLogLine(&log, "two");
    WriteLogLineWide(&log, "three", L"x");
    CloseLog(&log);
    EXPECT_EQ(Read(logPath).size(), size);
}

TEST_F(FilesFixture, OthersMayReadAndDeleteTheOpenLog) {
    OpenLog(&log, exe.c_str());
    WriteLogLine(&log, "first");
    EXPECT_NE(Read(logPath).find("first\r\n"), std::string::npos);
    EXPECT_TRUE(DeleteFileW(logPath.c_str()));
    WriteLogLine(&log, "second");  // still writes to the open handle, without failing
    CloseLog(&log);
    EXPECT_EQ(log.logHandle, INVALID_HANDLE_VALUE);
}

TEST_F(FilesFixture, NoDirectoryMeansNoLog) {
    OpenLog(&log, L"Pellacord.exe");
    EXPECT_TRUE(log.writer.openFailed);
    WriteLogLine(&log, "nothing");
    EXPECT_EQ(log.logHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Read(logPath), "<missing>");
}

// Past the limit while running the file is begun anew, and from then on every write lands at
// its end: another program's lines appended after the restart are never written over.
TEST_F(FilesFixture, RestartWhileRunningKeepsOthersLines) {
    Write(logPath, std::string(4194304 - 60, 'x'));
    OpenLog(&log, exe.c_str());
    WriteLogLine(&log, "fits");       // 21 + 4 + 2 = 27 bytes: 33 under the limit
    WriteLogLine(&log, "over it now, so the file begins anew");
    HANDLE other = CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    const std::string theirs = "another program's line\r\n";
    for (int i = 0; i < 3; i++) {
        DWORD n;
        WriteFile(other, theirs.data(), static_cast<DWORD>(theirs.size()), &n, nullptr);
        WriteLogLine(&log, "tick");
    }
    CloseHandle(other);
    CloseLog(&log);
    std::string bytes = Read(logPath);
    ASSERT_EQ(bytes.substr(0, 3 + 58), BOM + LOG_RESTART_LINE);
    size_t at = 3 + 58;
    const std::string over = "over it now, so the file begins anew";
    ExpectLine(bytes, at, over);
    at += 21 + over.size() + 2;
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(bytes.substr(at, theirs.size()), theirs) << i;
        at += theirs.size();
        ExpectLine(bytes, at, "tick");
        at += 21 + 4 + 2;
    }
    EXPECT_EQ(bytes.size(), at);
}

// A log locked by another program is not written while the lock lasts; the next attempt comes
// a minute later (host-tested with a clock), and nothing is lost of the file.
TEST_F(FilesFixture, ALockedLogIsLeftAlone) {
    Write(logPath, "older lines\r\n");
    HANDLE lock = CreateFileW(logPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    OpenLog(&log, exe.c_str());
    EXPECT_TRUE(log.writer.openFailed);
    WriteLogLine(&log, "not now");
    CloseHandle(lock);
    WriteLogLine(&log, "not yet: less than a minute has passed");
    CloseLog(&log);
    EXPECT_EQ(Read(logPath), "older lines\r\n");
}

TEST_F(FilesFixture, SettingsRoundTrip) {
    LimitTable t;
    SetDefaultLimits(&t);
    SaveSettings(&t, 0, Settings());
    EXPECT_EQ(Read(iniPath).size(), 258u);

    t.rows[0].value = 777;
    t.rows[4].value = 45000;
    SaveSettings(&t, 1, Settings());
    LimitTable back;
    SetDefaultLimits(&back);
    bool display = false;
    LoadSettings(&back, &display, Settings());
    EXPECT_EQ(back.rows[0].value, 777u);
    EXPECT_EQ(back.rows[4].value, 45000u);
    EXPECT_EQ(display, 1);
    EXPECT_EQ(Read(dir + L"Pellacord.new"), "<missing>");
}

TEST_F(FilesFixture, AFailedSaveKeepsTheOldFile) {
    LimitTable t;
    SetDefaultLimits(&t);
    t.rows[0].value = 333;
    SaveSettings(&t, 1, Settings());
    const std::string old = Read(iniPath);
    t.rows[0].value = 999;

    // Read-only file.
    SetFileAttributesW(iniPath.c_str(), FILE_ATTRIBUTE_READONLY);
    SaveSettings(&t, 0, Settings());
    EXPECT_EQ(Read(iniPath), old);
    SetFileAttributesW(iniPath.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Held open by another program that shares nothing.
    HANDLE lock = CreateFileW(iniPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    SaveSettings(&t, 0, Settings());
    CloseHandle(lock);
    EXPECT_EQ(Read(iniPath), old);
    EXPECT_EQ(Read(dir + L"Pellacord.new"), "<missing>");

    // The old values still load.
    LimitTable back;
    SetDefaultLimits(&back);
    bool display = false;
    LoadSettings(&back, &display, Settings());
    EXPECT_EQ(back.rows[0].value, 333u);
    EXPECT_EQ(display, 1);
}

TEST_F(FilesFixture, MissingSettingsKeepTheDefaults) {
    LimitTable t;
    SetDefaultLimits(&t);
    t.rows[2].value = 4096;
    bool display = true;
    LoadSettings(&t, &display, Settings());
    EXPECT_EQ(t.rows[2].value, 4096u);
    EXPECT_EQ(display, 1);
    SettingsFile nowhere{};
    OpenSettingsFile(&nowhere, L"no-directory.exe");
    EXPECT_EQ(LoadSettings(&t, &display, &nowhere), SettingsRead::Missing);
    SaveSettings(&t, 0, &nowhere);
    EXPECT_EQ(t.rows[2].value, 4096u);
}

// A file that is there but cannot be read at start-up is never saved over: the user's values
// in it outlive the session that had to run on the defaults.
TEST_F(FilesFixture, UnreadableSettingsAreNeverOverwritten) {
    const std::string mine = "cpu=700\r\ndisplay=1\r\n";
    Write(iniPath, mine);
    HANDLE lock = CreateFileW(iniPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    LimitTable t;
    SetDefaultLimits(&t);
    bool display = false;
    EXPECT_EQ(LoadSettings(&t, &display, Settings()), SettingsRead::Unreadable);
    EXPECT_EQ(t.rows[0].value, 200u);  // the defaults
    CloseHandle(lock);
    t.rows[1].value = 2 * 1048576;     // a slider moved later in the session
    SaveSettings(&t, 0, &settings);
    EXPECT_EQ(Read(iniPath), mine);
    EXPECT_EQ(Read(dir + L"Pellacord.new"), "<missing>");

    // A missing file is no reason to hold back.
    DeleteFileW(iniPath.c_str());
    EXPECT_EQ(LoadSettings(&t, &display, Settings()), SettingsRead::Missing);
    SaveSettings(&t, 0, &settings);
    EXPECT_EQ(Read(iniPath).size(), 258u);
}

// A backup or sync tool holds the file for a moment, sharing nothing, just as Pellacord starts:
// the read waits for it rather than running the session on the defaults.
TEST_F(FilesFixture, SettingsHeldForAMomentAreStillRead) {
    Write(iniPath, "cpu=700\r\ndisplay=1\r\n");
    HANDLE lock = CreateFileW(iniPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    HANDLE letGo = CreateThread(
        nullptr, 0,
        [](void* held) -> DWORD {
            Sleep(200);
            CloseHandle(static_cast<HANDLE>(held));
            return 0;
        },
        lock, 0, nullptr);
    ASSERT_NE(letGo, nullptr);
    LimitTable t;
    SetDefaultLimits(&t);
    bool display = false;
    EXPECT_EQ(LoadSettings(&t, &display, Settings()), SettingsRead::Read);
    EXPECT_EQ(t.rows[0].value, 700u);
    EXPECT_TRUE(display);
    WaitForSingleObject(letGo, 10000);
    CloseHandle(letGo);
}

// A save that stopped after the old file was taken away left the settings only in the copy:
// start-up takes them from there and finishes the rename. A copy cut short is not taken.
TEST_F(FilesFixture, ACopyASaveLeftBehindIsTaken) {
    LimitTable t;
    SetDefaultLimits(&t);
    t.rows[0].value = 777;
    char text[SETTINGS_TEXT_CAPACITY];
    int32_t n = FormatSettings(text, SETTINGS_TEXT_CAPACITY, &t, true, &NO_OPTIONAL);
    const std::wstring copy = dir + L"Pellacord.new";
    Write(copy, std::string(text, static_cast<size_t>(n) - 1));  // its last line cut
    LimitTable back;
    SetDefaultLimits(&back);
    bool display = false;
    EXPECT_EQ(LoadSettings(&back, &display, Settings()), SettingsRead::Missing);
    EXPECT_EQ(back.rows[0].value, 200u);

    Write(copy, std::string(text, static_cast<size_t>(n)));
    EXPECT_EQ(LoadSettings(&back, &display, Settings()), SettingsRead::Read);
    EXPECT_EQ(back.rows[0].value, 777u);
    EXPECT_TRUE(display);
    EXPECT_EQ(Read(iniPath), std::string(text, static_cast<size_t>(n)));
    EXPECT_EQ(Read(copy), "<missing>");
}

// A save keeps what the file was: its hidden attribute, and every name of a hard link.
TEST_F(FilesFixture, SavingKeepsTheFileWhatItWas) {
    LimitTable t;
    SetDefaultLimits(&t);
    SaveSettings(&t, 0, Settings());
    SetFileAttributesW(iniPath.c_str(), FILE_ATTRIBUTE_HIDDEN);
    t.rows[0].value = 400;
    SaveSettings(&t, 0, &settings);
    EXPECT_NE(Read(iniPath).find("cpu=400\r\n"), std::string::npos);
    EXPECT_EQ(GetFileAttributesW(iniPath.c_str()) & FILE_ATTRIBUTE_HIDDEN, DWORD{FILE_ATTRIBUTE_HIDDEN});
    SetFileAttributesW(iniPath.c_str(), FILE_ATTRIBUTE_NORMAL);

    std::wstring other = dir + L"Other.ini";
    ASSERT_TRUE(CreateHardLinkW(other.c_str(), iniPath.c_str(), nullptr));
    t.rows[0].value = 500;
    SaveSettings(&t, 0, &settings);
    EXPECT_NE(Read(other).find("cpu=500\r\n"), std::string::npos) << "the other name of the file kept the old text";
    EXPECT_EQ(Read(other), Read(iniPath));
    t.rows[0].value = 50;  // a shorter text leaves nothing of the longer one
    SaveSettings(&t, 0, &settings);
    EXPECT_EQ(Read(other), Read(iniPath));
    EXPECT_EQ(Read(iniPath).size(), 257u);
}

// Folders of every length around the limit: a path that fits is used whole, one that does not
// is not used at all; nothing is ever written under a cut name or in a parent folder.
TEST_F(FilesFixture, LongFoldersNeverWriteAWrongFile) {
    std::wstring deep = base + L"\\";
    // Nested folders of 50 units until the folder is 230 units long.
    while (deep.size() + 51 < 230) {
        deep += std::wstring(50, L'd') + L"\\";
        CreateDirectoryW(deep.c_str(), nullptr);
    }
    struct Case { size_t folder; bool fits; };  // the folder's length with its final separator
    const Case cases[] = {{245, true}, {246, true}, {247, false}, {250, false}, {258, false}};
    for (const Case& c : cases) {
        std::wstring last = deep + std::wstring(c.folder - deep.size() - 1, L'e');
        ASSERT_TRUE(CreateDirectoryW(last.c_str(), nullptr)) << c.folder;
        std::wstring folder = last + L"\\";
        ASSERT_EQ(folder.size(), c.folder);
        std::wstring longExe = folder + L"Pellacord.exe";
        SettingsFile file{};
        OpenSettingsFile(&file, longExe.c_str());
        LimitTable t;
        SetDefaultLimits(&t);
        SaveSettings(&t, 1, &file);
        LogFile longLog = MakeLogFile();
        OpenLog(&longLog, longExe.c_str());
        WriteLogLine(&longLog, "Pellacord started");
        CloseLog(&longLog);
        // What the folder and its parent hold now.
        std::vector<std::wstring> names;
        for (const std::wstring& where : {folder, deep}) {
            WIN32_FIND_DATAW found;
            HANDLE find = FindFirstFileW((where + L"*").c_str(), &found);
            for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found)) {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                    names.push_back(where.size() == folder.size() ? found.cFileName : std::wstring(L"../") + found.cFileName);
                }
            }
            if (find != INVALID_HANDLE_VALUE) {
                FindClose(find);
            }
        }
        std::sort(names.begin(), names.end());
        std::vector<std::wstring> expected;
        if (c.fits) {
            expected = {L"Pellacord.ini", L"Pellacord.log"};
        }
        EXPECT_EQ(names, expected) << c.folder;
        if (c.fits) {
            EXPECT_EQ(Read(folder + L"Pellacord.ini").size(), 258u) << c.folder;
        }
        for (const std::wstring& name : names) {
            DeleteFileW((name.rfind(L"../", 0) == 0 ? deep + name.substr(3) : folder + name).c_str());
        }
        RemoveDirectoryW(last.c_str());
    }
    while (deep.size() > base.size() + 1) {
        deep.pop_back();
        RemoveDirectoryW(deep.c_str());
        deep.erase(deep.find_last_of(L'\\') + 1);
    }
}

}  // namespace
