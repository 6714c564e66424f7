// The log and the settings with real files, in a temporary folder whose name is not ASCII.
#include "files/Log.h"
#include "files/Log_win.h"
#include "files/Settings.h"
#include "files/Settings_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FilesFixture : ::testing::Test {
    std::wstring base;
    std::wstring dir;
    std::wstring exe;
    std::wstring logPath;
    std::wstring iniPath;
    LogFile log = MakeLogFile();

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
        for (const wchar_t* name : {L"Pellacord.log", L"Pellacord.ini", L"Pellacord.ini.new"}) {
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
    const Case cases[] = {
        {"empty", 0, false, true},
        {"small", 10, false, false},
        {"exactly the limit", 4194304, false, false},
        {"one byte over", 4194305, true, true},
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
    EXPECT_EQ(log.logOpenFailed, 1);
    WriteLogLine(&log, "nothing");
    OpenLog(&log, exe.c_str());  // a failed open is not retried
    EXPECT_EQ(log.logHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Read(logPath), "<missing>");
}

TEST_F(FilesFixture, SettingsRoundTrip) {
    LimitTable t;
    SetDefaultLimits(&t);
    SaveSettings(&t, 0, exe.c_str());
    EXPECT_EQ(Read(iniPath).size(), 258u);

    t.rows[0].value = 777;
    t.rows[4].value = 45000;
    SaveSettings(&t, 1, exe.c_str());
    LimitTable back;
    SetDefaultLimits(&back);
    int32_t display = 0;
    LoadSettings(&back, &display, exe.c_str());
    EXPECT_EQ(back.rows[0].value, 777u);
    EXPECT_EQ(back.rows[4].value, 45000u);
    EXPECT_EQ(display, 1);
    EXPECT_EQ(Read(dir + L"Pellacord.ini.new"), "<missing>");
}

TEST_F(FilesFixture, AFailedSaveKeepsTheOldFile) {
    LimitTable t;
    SetDefaultLimits(&t);
    t.rows[0].value = 333;
    SaveSettings(&t, 1, exe.c_str());
    const std::string old = Read(iniPath);
    t.rows[0].value = 999;

    // Read-only file.
    SetFileAttributesW(iniPath.c_str(), FILE_ATTRIBUTE_READONLY);
    SaveSettings(&t, 0, exe.c_str());
    EXPECT_EQ(Read(iniPath), old);
    SetFileAttributesW(iniPath.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Held open by another program that shares nothing.
    HANDLE lock = CreateFileW(iniPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    SaveSettings(&t, 0, exe.c_str());
    CloseHandle(lock);
    EXPECT_EQ(Read(iniPath), old);
    EXPECT_EQ(Read(dir + L"Pellacord.ini.new"), "<missing>");

    // The old values still load.
    LimitTable back;
    SetDefaultLimits(&back);
    int32_t display = 0;
    LoadSettings(&back, &display, exe.c_str());
    EXPECT_EQ(back.rows[0].value, 333u);
    EXPECT_EQ(display, 1);
}

TEST_F(FilesFixture, MissingSettingsKeepTheDefaults) {
    LimitTable t;
    SetDefaultLimits(&t);
    t.rows[2].value = 4096;
    int32_t display = 1;
    LoadSettings(&t, &display, exe.c_str());
    EXPECT_EQ(t.rows[2].value, 4096u);
    EXPECT_EQ(display, 1);
    LoadSettings(&t, &display, L"no-directory.exe");
    SaveSettings(&t, 0, L"no-directory.exe");
    EXPECT_EQ(t.rows[2].value, 4096u);
}

}  // namespace
