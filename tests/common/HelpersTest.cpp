#include <windows.h>

#include <gtest/gtest.h>

#include <limits>

#include "common/Files.h"
#include "common/Helpers.h"
#include "common/ProgramPaths.h"
#include "support/TestSupport.h"

using namespace tess;

TEST(ProperSize, ThresholdsAreStrictAndTheFormatIsTheLocales) {
    const double GiB = 1073741824.0;
    struct Case {
        double bytes;
        const wchar_t* enUS;
        const wchar_t* deDE;
    } cases[] = {
        {0, L"0.00 B", L"0,00 B"},
        {1024, L"1,024.00 B", L"1.024,00 B"},
        {1025, L"1.00 KB", L"1,00 KB"},
        {1536, L"1.50 KB", L"1,50 KB"},
        {1048576, L"1,024.00 KB", L"1.024,00 KB"},
        {1048577, L"1.00 MB", L"1,00 MB"},
        {GiB, L"1,024.00 MB", L"1.024,00 MB"},
        {GiB + 1, L"1.00 GB", L"1,00 GB"},
        {5 * 1024 * GiB, L"5,120.00 GB", L"5.120,00 GB"},  // 5 TiB: no unit above GB
        {1.5 * GiB + 0.006 * GiB, L"1.51 GB", L"1,51 GB"},
        {std::numeric_limits<double>::quiet_NaN(), L"0 KB", L"0 KB"},
        {std::numeric_limits<double>::infinity(), L"0 KB", L"0 KB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(GetProperSizeValue(c.bytes, L"en-US"), c.enUS);
        EXPECT_EQ(GetProperSizeValue(c.bytes, L"de-DE"), c.deDE);
    }
}

TEST(DiskSpace, AFolderNotYetCreatedIsMeasuredOnItsVolumeAndAMissingDriveGivesZero) {
    test::ScopedProgramFolder program;
    test::TempDir dir;
    // The destination of a run may not exist yet: its volume is what counts.
    EXPECT_GT(DriveFreeBytes(dir.file(L"not\\yet\\there")), 0u);
    DWORD drives = GetLogicalDrives();
    wchar_t unused = 0;
    for (wchar_t letter = L'Q'; letter <= L'Y' && !unused; ++letter)
        if (!(drives & (1u << (letter - L'A')))) unused = letter;
    ASSERT_NE(unused, 0);
    EXPECT_EQ(DriveFreeBytes(std::wstring(1, unused) + L":\\"), 0u);
}

TEST(WriteAccess, TrialFileIsWrittenAndNeverLeftBehind) {
    test::ScopedProgramFolder program;
    test::TempDir dir;
    const std::pair<std::wstring, bool> cases[] = {
        {dir.path() + L"\\", true},
        {dir.path(), true},  // the missing backslash is added rather than writing beside the folder
        {dir.file(L"missing\\"), false},
        {L"", false},
        {L"  ", false},
    };
    for (const auto& [folder, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(folder));
        EXPECT_EQ(CheckForWriteAccessPermission(folder), expected);
    }
    EXPECT_FALSE(FileExists(dir.file(L"tmp.mtp")));
    EXPECT_FALSE(PathExists(dir.path() + L"tmp.mtp"));
}

TEST(CreateLocalDir, CreatesEveryMissingLevelAndLogsWhatBlocksIt) {
    test::ScopedProgramFolder program;
    test::TempDir dir;
    const std::pair<std::wstring, std::wstring> cases[] = {
        {dir.file(L"a\\b\\c"), dir.file(L"a\\b\\c")},
        {dir.file(L"d\\e f\\g\\"), dir.file(L"d\\e f\\g")},
        {dir.file(L"a\\b\\c"), dir.file(L"a\\b\\c")},  // already there
    };
    for (const auto& [folder, check] : cases) {
        SCOPED_TRACE(testing::PrintToString(folder));
        EXPECT_TRUE(Trf_CreateLocalDir(folder));
        EXPECT_TRUE(FolderExists(check));
    }
    // A file where a parent folder should be.
    test::WriteBytes(dir.file(L"blocker"), "x");
    std::wstring blocked = dir.file(L"blocker\\sub");
    EXPECT_FALSE(Trf_CreateLocalDir(blocked));
    EXPECT_NE(test::ReadBytes(program.common(L"VXWLogFile.txt")).find("blocker\\sub', reason : "), std::string::npos);
}

TEST(ReadFirstLine, TakesTheTrimmedFirstLineOfAnyFile) {
    test::TempDir dir;
    const std::pair<std::string, std::wstring> cases[] = {
        {"", L""},
        {"  1  \r\n2\r\n", L"1"},
        {"done\n", L"done"},
        {"\r\nsecond", L""},
        {"no line end", L"no line end"},
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

    // 40 MB after a short first line, and a first line longer than the read limit.
    std::string huge = "status 7\r\n" + std::string(40u << 20, 'x');
    test::WriteBytes(dir.file(L"huge.txt"), huge);
    EXPECT_EQ(ReadFirstLine(dir.file(L"huge.txt")), L"status 7");
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

TEST(ShortPath, HasNoBlanksAndNamesTheSameFolder) {
    test::TempDir dir;
    std::wstring longFolder = dir.file(L"Some Long Vendor Name");
    ASSERT_TRUE(CreateDirectoryW(longFolder.c_str(), nullptr));
    std::wstring shortForm = ShortPath(longFolder);
    EXPECT_EQ(shortForm.find(L' '), std::wstring::npos) << testing::PrintToString(shortForm);
    wchar_t back[MAX_PATH] = {};
    ASSERT_GT(GetLongPathNameW(shortForm.c_str(), back, MAX_PATH), 0u);
    EXPECT_EQ(std::wstring(back), longFolder);
    EXPECT_EQ(ShortPath(dir.file(L"missing folder")), dir.file(L"missing folder"));
}

TEST(ComponentFiles, AnyOneMissingFailsTheCheck) {
    test::ScopedProgramFolder program;
    std::vector<std::wstring> all;
    for (auto list : {ExchangeComponentFiles(), SqlComponentFiles()})
        for (auto name = list; *name; ++name) all.push_back(*name);
    for (const auto& name : all) test::WriteBytes(program.path() + L"\\" + name, "MZ");
    EXPECT_TRUE(ComponentFilesPresent());
    for (const auto& name : all) {
        SCOPED_TRACE(testing::PrintToString(name));
        std::wstring path = program.path() + L"\\" + name;
        DeleteFileW(path.c_str());
        EXPECT_FALSE(ComponentFilesPresent());
        test::WriteBytes(path, "MZ");
    }
    // A folder of that name is not the component.
    std::wstring dll = program.path() + L"\\SQLSrvBackup.dll";
    DeleteFileW(dll.c_str());
    CreateDirectoryW(dll.c_str(), nullptr);
    EXPECT_FALSE(ComponentFilesPresent());
}
