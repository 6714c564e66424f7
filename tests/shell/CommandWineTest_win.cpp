// The pieces behind commands from scripts, against real Win32 under Wine: finding processes by
// image name and id, and reading a command line handed over in WM_COPYDATA.
#include "shell/ProcessLookup_win.h"
#include "shell/SingleInstance_win.h"

#include "tests/support/Utf16.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CommandWine, FindsTheOldestProcessOfAnImageInAnyCase) {
    // A copy under a name of its own, so no other test's helpers can be older.
    const std::wstring probe = BesideTestExe(L"oldestprobe.exe");
    ASSERT_TRUE(CopyFileW(BesideTestExe(L"busytree.exe").c_str(), probe.c_str(), FALSE));
    EXPECT_EQ(FindOldestProcess(u"oldestprobe.exe"), 0u);
    PROCESS_INFORMATION first = StartHelper(L"oldestprobe.exe", L"0 0 60000");
    Sleep(100);  // creation times a clear tick apart
    PROCESS_INFORMATION second = StartHelper(L"oldestprobe.exe", L"0 0 60000");
    ASSERT_NE(first.dwProcessId, 0u);
    ASSERT_NE(second.dwProcessId, 0u);
    EXPECT_EQ(FindOldestProcess(u"OldestProbe.EXE"), first.dwProcessId);

    char16_t image[64];
    ASSERT_TRUE(ReadProcessImage(second.dwProcessId, image, 64));
    EXPECT_EQ(Printable(image), "oldestprobe.exe");
    TerminateProcess(first.hProcess, 0);
    WaitForSingleObject(first.hProcess, 5000);
    EXPECT_EQ(FindOldestProcess(u"oldestprobe.exe"), second.dwProcessId);
    EXPECT_FALSE(ReadProcessImage(first.dwProcessId, image, 64));
    EXPECT_FALSE(ReadProcessImage(0, image, 64));
    EndHelpers();
    for (PROCESS_INFORMATION* p : {&first, &second}) {
        WaitForSingleObject(p->hProcess, 5000);
        CloseHandle(p->hProcess);
        CloseHandle(p->hThread);
    }
    DeleteFileW(probe.c_str());
}

// Any program can send WM_COPYDATA: only a tagged, even-sized text that fits is taken, and it
// always ends inside the buffer.
TEST(CommandWine, HandedOverDataIsCheckedBeforeItIsRead) {
    char16_t sent[] = u"P.exe --release";
    char16_t unterminated[] = {u'a', u'b', u'c', u'd'};
    struct Case {
        ULONG_PTR tag;
        void* data;
        DWORD bytes;
        bool taken;
        const char* text;
    };
    const Case CASES[] = {
        {COMMAND_DATA_TAG, sent, sizeof(sent), true, "P.exe --release"},
        {COMMAND_DATA_TAG, unterminated, sizeof(unterminated), true, "abc"},
        {COMMAND_DATA_TAG + 1, sent, sizeof(sent), false, ""},
        {COMMAND_DATA_TAG, sent, 3, false, ""},
        {COMMAND_DATA_TAG, sent, 0, false, ""},
        {COMMAND_DATA_TAG, nullptr, sizeof(sent), false, ""},
        {COMMAND_DATA_TAG, sent, sizeof(sent), false, ""},  // into a buffer too small for it
    };
    for (size_t i = 0; i < sizeof(CASES) / sizeof(CASES[0]); i++) {
        const Case& c = CASES[i];
        SCOPED_TRACE(i);
        COPYDATASTRUCT data = {c.tag, c.bytes, c.data};
        char16_t line[16] = u"untouched";
        const int32_t capacity = i + 1 == sizeof(CASES) / sizeof(CASES[0]) ? 8 : 16;
        EXPECT_EQ(ReadCommandData(&data, line, capacity), c.taken);
        if (c.taken) {
            EXPECT_EQ(Printable(line), c.text);
        }
    }
    EXPECT_FALSE(ReadCommandData(nullptr, nullptr, 16));
}

}  // namespace
