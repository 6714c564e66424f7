// The rules file with real files, in a temporary folder whose name is not ASCII: a rule saved
// and read back, a file held by another program at start-up never saved over, and the copy a
// save stopped by a crash left behind taken.
#include "shell/RulesFile_win.h"

#include "base/Text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct RulesFileFixture : ::testing::Test {
    std::wstring dir;
    std::wstring exe;
    std::wstring path;
    RulesFile file{};
    std::unique_ptr<RuleSet> set = std::make_unique<RuleSet>();
    std::unique_ptr<Command> command = std::make_unique<Command>();

    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        dir = std::wstring(temp) + L"pellacord-rules-\u00E9\u2713-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(dir.c_str(), nullptr);
        exe = dir + L"Pellacord.exe";
        path = dir + L"Pellacord.rules";
    }
    void TearDown() override {
        DeleteFileW(path.c_str());
        DeleteFileW((dir + L"Pellacord.rtemp").c_str());
        RemoveDirectoryW(dir.c_str());
    }
    std::string Read(const std::wstring& name) {
        HANDLE f = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) {
            return "<missing>";
        }
        char bytes[4096];
        DWORD n = 0;
        ReadFile(f, bytes, sizeof(bytes), &n, nullptr);
        CloseHandle(f);
        return std::string(bytes, n);
    }
    void Write(const std::wstring& name, const std::string& bytes) {
        HANDLE f = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD n = 0;
        WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
        CloseHandle(f);
    }
    SettingsRead Load() {
        *set = RuleSet{};
        OpenRulesFile(&file, exe.c_str());
        return LoadRules(set.get(), &file);
    }
    int32_t Apply(CommandKind kind, const char16_t* image) {
        *command = Command{};
        command->kind = kind;
        CopyWide(command->text, image, COMMAND_TEXT_CAPACITY);
        command->options.screen = true;
        uint32_t error = 0;
        return ApplyRuleCommand(set.get(), &file, command.get(), &error);
    }
};

const std::string HEADER =
    "; Pellacord rules: one a line, an image name and the options --rule takes.\r\n"
    "; Whenever that image works, the PC stays awake. Pellacord --help lists the options.\r\n";

TEST_F(RulesFileFixture, SavedAndReadBack) {
    EXPECT_EQ(Load(), SettingsRead::Missing);
    EXPECT_EQ(Apply(CommandKind::Rule, u"render.exe"), EXIT_OK);
    EXPECT_EQ(Apply(CommandKind::Rule, u"\u0444.exe"), EXIT_OK);
    EXPECT_EQ(Read(path), HEADER + "render.exe --screen\r\n\xD1\x84.exe --screen\r\n");
    EXPECT_EQ(Read(dir + L"Pellacord.rtemp"), "<missing>");
    EXPECT_EQ(Load(), SettingsRead::Read);
    EXPECT_EQ(set->count, 2);
    EXPECT_EQ(Apply(CommandKind::Forget, u"RENDER.EXE"), EXIT_OK);
    EXPECT_EQ(Apply(CommandKind::Forget, u"render.exe"), EXIT_NOT_FOUND);
    EXPECT_EQ(Read(path), HEADER + "\xD1\x84.exe --screen\r\n");
}

// Held without sharing by another program at start-up: the rules in it are not lost to a save.
TEST_F(RulesFileFixture, AFileThatCouldNotBeReadIsNeverSavedOver) {
    const std::string mine = "render.exe --cpu 50%\r\n";
    Write(path, mine);
    HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Load(), SettingsRead::Unreadable);
    CloseHandle(lock);
    EXPECT_EQ(Apply(CommandKind::Rule, u"backup.exe"), 1);
    EXPECT_EQ(set->count, 0);  // nothing taken that the file did not
    EXPECT_EQ(Read(path), mine);
}

// A save stopped between removing the old file and renaming the new one: the whole copy is
// the rules, and it takes the file's name. A copy cut short is not taken.
TEST_F(RulesFileFixture, AWholeCopyLeftBehindIsTaken) {
    Write(dir + L"Pellacord.rtemp", HEADER + "render.exe --scre");
    EXPECT_EQ(Load(), SettingsRead::Missing);
    Write(dir + L"Pellacord.rtemp", HEADER + "render.exe --screen\r\n");
    EXPECT_EQ(Load(), SettingsRead::Read);
    EXPECT_EQ(set->count, 1);
    EXPECT_EQ(Read(path), HEADER + "render.exe --screen\r\n");
    EXPECT_EQ(Read(dir + L"Pellacord.rtemp"), "<missing>");
}

}  // namespace
