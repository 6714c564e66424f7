// The pieces behind commands from scripts, against real Win32 under Wine: finding processes by
// image name and id.
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

}  // namespace
