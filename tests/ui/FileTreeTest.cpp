// The local file tree's values: entry records, drive filtering, the shell folders, the time
// stamp setting, and listing real folders. The tree itself is driven in the browse dialog's
// tests.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "support/TestSupport.h"
#include "ui/FileTree.h"

namespace tess {
namespace {

using test::TempDir;

TEST(FileTreeRecord, FieldsAndPaths) {
    EntryRecord file{L"7", L"12/6/2026 1:02:03 AM", L"5368709120", L"C:\\Data\\big.bak"};
    EntryRecord back = ParseEntryRecord(MakeEntryRecord(file));
    EXPECT_EQ(std::tie(back.number, back.date, back.size, back.path), std::tie(file.number, file.date, file.size, file.path));
    EXPECT_EQ(ParseEntryRecord(L"C:\\Data\\").path, L"C:\\Data\\");  // a bare path is all path

    const std::tuple<const wchar_t*, const wchar_t*, bool, const wchar_t*> cases[] = {
        {L"C:\\Data\\", L"a b.txt", false, L"C:\\Data\\a b.txt"},
        {L"C:\\Data", L"Sub", true, L"C:\\Data\\Sub\\"},
        {L"\\\\srv\\share\\", L"x", true, L"\\\\srv\\share\\x\\"}};
    for (const auto& [parent, name, folder, expected] : cases) EXPECT_EQ(EntryPath(parent, name, folder), expected);
}

TEST(FileTreeDrives, OnlyFixedAndNetworkDrivesAreListed) {
    const std::vector<std::wstring> list = {L"a:\\", L"c:", L"D:\\", L"e:\\", L"f:\\", L"g:\\", L"h:\\", L"x"};
    const std::map<wchar_t, UINT> types = {{L'A', DRIVE_REMOVABLE}, {L'C', DRIVE_FIXED},   {L'D', DRIVE_CDROM},
                                           {L'E', DRIVE_REMOTE},    {L'F', DRIVE_RAMDISK}, {L'G', DRIVE_UNKNOWN},
                                           {L'H', DRIVE_NO_ROOT_DIR}};
    auto listed = ListedDrives(list, [&](const std::wstring& root) {
        EXPECT_EQ(root.size(), 3u);
        return types.at(root[0]);
    });
    EXPECT_EQ(listed, (std::vector<std::wstring>{L"C:", L"E:"}));
}

TEST(FileTreeSpecialFolders, OrderFallbacksAndMissingValuesFromARegistryKey) {
    // Newer Windows names three of the values differently; a missing or blank value leaves its
    // folder out.
    const std::wstring key = L"Software\\TessaronTest\\ShellFolders-" + std::to_wstring(GetCurrentProcessId());
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), 0);
    const std::pair<const wchar_t*, std::wstring> values[] = {
        {L"Desktop", L"C:\\Users\\a\\Desktop"}, {L"Personal", L"\\\\srv\\Dokumente Ü\\"}, {L"Music", L"C:\\M"},
        {L"My Pictures", L"C:\\P"}, {L"Pictures", L"C:\\Wrong"}, {L"Favorites", L"  "}};
    for (const auto& [name, value] : values)
        RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
    auto folders = ReadSpecialFolders(HKEY_CURRENT_USER, key);
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    std::vector<std::wstring> seen;
    for (const auto& f : folders) seen.push_back(f.text + L"=" + f.folder);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"My Desktop=C:\\Users\\a\\Desktop", L"My Documents=\\\\srv\\Dokumente Ü",
                                               L"My Music=C:\\M", L"My Pictures=C:\\P"}));
}

TEST(FileTreeTimeStamp, SplitsAtBackspaceOrFallsBackToPacificTime) {
    const std::tuple<std::wstring, std::wstring, std::wstring> cases[] = {
        {L"   ", L"PST", L"-0800"}, {L" CET\b+0100 ", L"CET", L"+0100"}, {L"UTC", L"UTC", L""}};
    for (const auto& [value, name, offset] : cases) {
        TimeZoneLabel label = ParseTimeStampSetting(value);
        EXPECT_EQ(std::tie(label.name, label.offset), std::tie(name, offset)) << "value [" << value << "]";
    }
}

TEST(FileTreeListing, RecordsOfARealFolder) {
    test::ScopedProgramFolder program;
    TempDir dir(L"list");
    CreateDirectoryW(dir.file(L"b folder").c_str(), nullptr);
    CreateDirectoryW(dir.file(L"Ärchiv").c_str(), nullptr);
    test::WriteBytes(dir.file(L"a.txt"), "abc");
    HANDLE big = CreateFileW(dir.file(L"C big.bak").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(big, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = 5ll << 30;
    SetFilePointerEx(big, end, nullptr, FILE_BEGIN);
    SetEndOfFile(big);  // the host file system keeps it sparse: no real 5 GiB written
    CloseHandle(big);

    std::vector<EntryRecord> e;
    for (const auto& r : LocalTreeFiller().GetLocalFolderContents(dir.path())) e.push_back(ParseEntryRecord(r));
    ASSERT_EQ(e.size(), 4u);
    // Names in the user's sort order (case and accents aside), whatever order the file system
    // gave them.
    EXPECT_EQ(e[0].path, dir.file(L"a.txt"));
    EXPECT_EQ(e[1].path, dir.file(L"Ärchiv\\"));
    EXPECT_EQ(e[2].path, dir.file(L"b folder\\"));
    EXPECT_EQ(e[3].path, dir.file(L"C big.bak"));
    EXPECT_EQ(e[1].size, L"");
    EXPECT_EQ(e[3].size, L"5368709120");
    std::set<std::wstring> numbers;
    for (const auto& r : e) numbers.insert(r.number);
    EXPECT_EQ(numbers.size(), 4u) << "every entry read gets its own number";

    EXPECT_EQ(LocalTreeFiller().GetLocalFolderContents(dir.path() + L"\\", true).size(), 2u);
    EXPECT_TRUE(LocalTreeFiller().GetLocalFolderContents(dir.file(L"missing")).empty());
}

}  // namespace
}  // namespace tess
