#include <windows.h>

#include <gtest/gtest.h>

#include <limits>

#include "common/Files.h"
#include "common/ProgramPaths.h"
#include "common/Units.h"
#include "support/TestSupport.h"

using namespace tess;

TEST(ProperSize, ThresholdsAreStrictAndTheFormatIsTheLocales) {
    const double GiB = 1073741824.0;
    const std::tuple<double, const wchar_t*, const wchar_t*> cases[] = {  // bytes, en-US, de-DE
        {0, L"0.00 B", L"0,00 B"},
        {1024, L"1,024.00 B", L"1.024,00 B"},
        {1025, L"1.00 KB", L"1,00 KB"},
        {GiB, L"1,024.00 MB", L"1.024,00 MB"},
        {GiB + 1, L"1.00 GB", L"1,00 GB"},
        {5 * 1024 * GiB, L"5,120.00 GB", L"5.120,00 GB"},  // 5 TiB: no unit above GB
        {1.5 * GiB + 0.006 * GiB, L"1.51 GB", L"1,51 GB"},
        {std::numeric_limits<double>::quiet_NaN(), L"0 KB", L"0 KB"},
    };
    for (const auto& [bytes, enUS, deDE] : cases) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(GetProperSizeValue(bytes, L"en-US"), enUS);
        EXPECT_EQ(GetProperSizeValue(bytes, L"de-DE"), deDE);
    }
}

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

TEST(ReadFirstLine, TakesTheTrimmedFirstLineOfAnyFile) {
    test::TempDir dir;
    const std::pair<std::string, std::wstring> cases[] = {
        {"", L""},
        {"  1  \r\n2\r\n", L"1"},
        {"done\n", L"done"},
        {"\r\nsecond", L""},
        {std::string("bin\0ary\xff\xfe", 9), L"bin"},
        {"\xEF\xBB\xBF" "caf\xC3\xA9\r\n", L"caf\u00e9"},
        {"caf\xE9", L"caf\u00e9"},  // ANSI
    };
    for (const auto& [bytes, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        test::WriteBytes(dir.file(L"f.txt"), bytes);
        EXPECT_EQ(ReadFirstLine(dir.file(L"f.txt")), expected);
    }
    EXPECT_EQ(ReadFirstLine(dir.file(L"missing.txt")), L"");
    EXPECT_EQ(ReadFirstLine(dir.path()), L"");  // a folder

    // A first line longer than the read limit.
    test::WriteBytes(dir.file(L"long.txt"), std::string(1u << 20, 'y'));
    EXPECT_FALSE(ReadFirstLine(dir.file(L"long.txt")).empty());
}

TEST(Email, OnlyTheAtSignAndAPointAfterItAreChecked) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"a@b.c", true},      {L"a@.c", false},        {L"ab.c", false},    {L"a@bc", false},
        {L"a@b.c@", true},     {L"@b.c", true},         {L"a@", false},      {L"a@b", false},
        {L"a@b.", true},       {L"a.b@c", false},       {L"", false},        {L"a@bb.", true},
    };
    for (const auto& [text, valid] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(text)));
        EXPECT_EQ(IsValidEmail(text), valid);
    }
}

// Any one component missing, or a folder in its place, fails the start-up check.
TEST(ComponentFiles, AnyOneMissingFailsTheCheck) {
    test::ScopedProgramFolder program;
    std::vector<std::wstring> all;
    for (auto list : {ExchangeComponentFiles(), SqlComponentFiles()})
        for (auto name = list; *name; ++name) all.push_back(program.path() + L"\\" + *name);
    for (const auto& path : all) test::WriteBytes(path, "MZ");
    EXPECT_TRUE(ComponentFilesPresent());
    for (const auto& path : all) {
        SCOPED_TRACE(testing::PrintToString(path));
        DeleteFileW(path.c_str());
        CreateDirectoryW(path.c_str(), nullptr);
        EXPECT_FALSE(ComponentFilesPresent());
        RemoveDirectoryW(path.c_str());
        test::WriteBytes(path, "MZ");
    }
}
