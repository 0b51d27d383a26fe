#include <windows.h>

#include <gtest/gtest.h>

#include "common/Files.h"
#include "support/TestSupport.h"

using namespace tess;

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

// A drive root keeps the backslash that makes it the root; every other trailing one goes.
TEST(Paths, WithoutTrailingBackslash) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"", L""}, {L"C:\\Data", L"C:\\Data"}, {L"C:\\Data\\", L"C:\\Data"}, {L"C:\\Data\\\\", L"C:\\Data"},
        {L"C:\\", L"C:\\"}, {L"C:\\\\", L"C:\\"}, {L"C:", L"C:"}, {L"C:x\\", L"C:x"},  // "C:x" is relative
        {L"\\", L"\\"}, {L"\\\\srv\\share\\", L"\\\\srv\\share"},
    };
    for (const auto& [path, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(path)));
        EXPECT_EQ(WithoutTrailingBackslash(path), expected);
    }
    EXPECT_EQ(GetInfoFromKey(4, L"7>date>>C:\\Data\\Sub\\"), L"Sub");
}

// Whoever may write to a folder that a run clears can plant a link in it, or put one in its
// place: what the links point to stays whole, even an empty folder.
TEST(DeleteFolderTree, RemovesLinksAsLinksAndNeverWhatTheyPointTo) {
    test::TempDir dir(L"links");
    const std::wstring precious = dir.file(L"precious"), empty = dir.file(L"empty"), tree = dir.file(L"tree"),
                       root = dir.file(L"root");
    for (const auto& folder : {precious, empty, tree, tree + L"\\sub"}) CreateDirectoryW(folder.c_str(), nullptr);
    for (const auto& file : {precious + L"\\data.txt", tree + L"\\a.txt", tree + L"\\sub\\b.txt"}) test::WriteBytes(file, "keep");
    ASSERT_TRUE(test::PlantFolderLink(tree + L"\\sub\\inside", precious) && test::PlantFolderLink(root, empty));

    // Wine opens what a Unix link points to whatever the flags, so there the links stay and the
    // call says so; Windows removes them.
    EXPECT_EQ(DeleteFolderTree(root + L"\\"), !PathExists(root));
    EXPECT_EQ(DeleteFolderTree(tree), !PathExists(tree));
    EXPECT_EQ(test::ReadBytes(precious + L"\\data.txt"), "keep");
    EXPECT_TRUE(FolderExists(empty));
    EXPECT_FALSE(PathExists(tree + L"\\a.txt") || PathExists(tree + L"\\sub\\b.txt"));
}
