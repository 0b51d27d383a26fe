#include <windows.h>

#include <gtest/gtest.h>

#include "common/Disks.h"
#include "common/Files.h"
#include "support/TestSupport.h"

using namespace tess;

// The checks of a destination before a run: room, a trial write that is never left behind, and
// every missing level created, with what blocks it logged.
TEST(Destination, RoomWriteAccessAndFolderCreation) {
    test::ScopedProgramFolder program;
    test::TempDir dir;
    wchar_t unused = L'Q';
    while (unused < L'Y' && (GetLogicalDrives() & (1u << (unused - L'A')))) ++unused;
    const std::wstring missingDrive = std::wstring(1, unused) + L":\\";
    // The destination of a run may not exist yet: its volume is what counts.
    EXPECT_GT(DriveFreeBytes(dir.file(L"not\\yet\\there")), 0u);
    EXPECT_EQ(DriveFreeBytes(missingDrive), 0u);

    const std::pair<std::wstring, bool> writable[] = {
        {dir.path() + L"\\", true},
        {dir.path(), true},  // the missing backslash is added rather than writing beside the folder
        {dir.file(L"missing\\"), false}, {L"", false}, {L"  ", false}, {missingDrive, false},
    };
    for (const auto& [folder, expected] : writable) {
        SCOPED_TRACE(testing::PrintToString(folder));
        EXPECT_EQ(CheckForWriteAccessPermission(folder), expected);
    }
    EXPECT_FALSE(FileExists(dir.file(L"tmp.mtp")));
    EXPECT_FALSE(PathExists(dir.path() + L"tmp.mtp"));

    for (const wchar_t* folder : {L"a\\b\\c", L"d\\e f\\g\\", L"a\\b\\c"}) {  // the last one already there
        SCOPED_TRACE(testing::PrintToString(std::wstring(folder)));
        EXPECT_TRUE(Trf_CreateLocalDir(dir.file(folder)));
        EXPECT_TRUE(FolderExists(dir.file(folder)));
    }
    test::WriteBytes(dir.file(L"blocker"), "x");  // a file where a parent folder should be
    EXPECT_FALSE(Trf_CreateLocalDir(dir.file(L"blocker\\sub")));
    EXPECT_NE(test::ReadBytes(program.common(L"VXWLogFile.txt")).find("blocker\\sub', reason : "), std::string::npos);
}
