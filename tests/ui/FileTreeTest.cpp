// The local file tree: entry records, drive filtering (with real drive letters of each type in
// the test prefix), the shell folders, listing real folders, lazy filling on expand, and the
// check-mark walks on a real tree view.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "common/Files.h"
#include "common/Text.h"
#include "support/TestSupport.h"
#include "ui/ColumnTree.h"
#include "ui/FileTree.h"
#include "ui/FileTreeWineDrives.h"

namespace tess {
namespace {

using test::TempDir;

// A plain top-level window holding one column tree and doing what a window with a local tree
// does on expand.
class TreeHost {
public:
    explicit TreeHost(DWORD treeStyle = 0, bool foldersOnly = true) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"TessFileTreeTestHost";
            RegisterClassExW(&wc);
            registered = true;
        }
        window_ = CreateWindowExW(0, L"TessFileTreeTestHost", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 500, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, foldersOnly ? 1 : 0);
        tree_ = CreateColumnTree(window_, 1, RECT{0, 0, 580, 460}, treeStyle, L"TestTree");
        LocalTreeFiller().setUpImageList(tree_, window_);
        LocalTreeFiller().setUpColumns(tree_, 280, 50, 100);
    }
    ~TreeHost() { DestroyWindow(window_); }
    HWND tree() const { return tree_; }

    HTREEITEM addFolder(HTREEITEM parent, const std::wstring& folder, const wchar_t* image = L"folder") {
        EntryRecord record{L"1", L"", L"", EntryPath(folder, L"", true)};
        return AddTreeItem(tree_, parent, {MakeEntryRecord(record), {}, false}, folder,
                           TreeViewControl::iconIndex(image), true);
    }

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NOTIFY) {
            auto* hdr = reinterpret_cast<NMHDR*>(lp);
            if (hdr->code == TVN_ITEMEXPANDINGW)
                return LocalTreeFiller().onItemExpanding(hdr->hwndFrom, *reinterpret_cast<NMTREEVIEWW*>(lp),
                                                         GetWindowLongPtrW(hwnd, GWLP_USERDATA) != 0);
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    HWND window_ = nullptr;
    HWND tree_ = nullptr;
};

std::vector<std::wstring> childTexts(HWND tree, HTREEITEM node) {
    std::vector<std::wstring> texts;
    for (HTREEITEM c : ChildNodes(tree, node)) texts.push_back(NodeText(tree, c));
    return texts;
}

HTREEITEM rootNamed(HWND tree, const std::wstring& text) {
    for (HTREEITEM r : ChildNodes(tree, TVI_ROOT))
        if (NodeText(tree, r) == text) return r;
    return nullptr;
}

bool hasExpandButton(HWND tree, HTREEITEM node) {
    TVITEMW tv{};
    tv.mask = TVIF_HANDLE | TVIF_CHILDREN;
    tv.hItem = node;
    TreeView_GetItem(tree, &tv);
    return tv.cChildren != 0;
}

void makeFileOfSize(const std::wstring& path, uint64_t size) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    SetFilePointerEx(h, end, nullptr, FILE_BEGIN);
    SetEndOfFile(h);  // the host file system keeps it sparse: no real 5 GiB written
    CloseHandle(h);
}

TEST(FileTreeRecord, FieldsAndPaths) {
    EntryRecord file{L"7", L"12/6/2026 1:02:03 AM", L"5368709120", L"C:\\Data\\big.bak"};
    EntryRecord back = ParseEntryRecord(MakeEntryRecord(file));
    EXPECT_EQ(std::tie(back.number, back.date, back.size, back.path), std::tie(file.number, file.date, file.size, file.path));
    EXPECT_EQ(ParseEntryRecord(L"C:\\Data\\").path, L"C:\\Data\\");  // a bare path is all path

    struct Case {
        const wchar_t* parent;
        const wchar_t* name;
        bool folder;
        const wchar_t* expected;
    };
    const Case cases[] = {{L"C:\\Data\\", L"a b.txt", false, L"C:\\Data\\a b.txt"},
                          {L"C:\\Data", L"Sub", true, L"C:\\Data\\Sub\\"},
                          {L"\\\\srv\\share\\", L"x", true, L"\\\\srv\\share\\x\\"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.parent << " + " << c.name);
        EXPECT_EQ(EntryPath(c.parent, c.name, c.folder), c.expected);
    }
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

TEST(FileTreeDrives, RealDriveLettersOfEachTypeUnderMyComputer) {
    if (!test::WineDrives::available()) GTEST_SKIP() << "drive letters are made through Wine's mount manager";
    test::ScopedProgramFolder program;
    TempDir dir(L"drives");
    CreateDirectoryW(dir.file(L"usb").c_str(), nullptr);
    CreateDirectoryW(dir.file(L"cd").c_str(), nullptr);
    CreateDirectoryW(dir.file(L"share").c_str(), nullptr);
    test::WineDrives drives;
    const std::wstring removable = drives.define(DRIVE_REMOVABLE, dir.file(L"usb"));
    const std::wstring optical = drives.define(DRIVE_CDROM, dir.file(L"cd"));
    const std::wstring network = drives.define(DRIVE_REMOTE, dir.file(L"share"));
    ASSERT_FALSE(removable.empty() || optical.empty() || network.empty());

    TreeHost host;
    LocalTreeFiller().PopulateLocalTreeView(host.tree(), LogicalDriveList(), false);
    HTREEITEM myComputer = rootNamed(host.tree(), L"My Computer");
    ASSERT_NE(myComputer, nullptr);
    auto shown = childTexts(host.tree(), myComputer);
    std::set<std::wstring> set(shown.begin(), shown.end());
    EXPECT_TRUE(set.count(L"C:") && set.count(network));
    EXPECT_FALSE(set.count(removable) || set.count(optical));
    for (HTREEITEM d : ChildNodes(host.tree(), myComputer)) {
        SCOPED_TRACE(testing::Message() << NodeText(host.tree(), d));
        EXPECT_EQ(NodeImage(host.tree(), d), TreeViewControl::iconIndex(L"Drive"));
        EXPECT_EQ(ParseEntryRecord(NodeKey(host.tree(), d)).path, NodeText(host.tree(), d) + L"\\");
    }
    // Without "My Computer" only "My Files" is built.
    TreeHost second;
    LocalTreeFiller().PopulateLocalTreeView(second.tree(), LogicalDriveList(), true);
    EXPECT_EQ(childTexts(second.tree(), TVI_ROOT), (std::vector<std::wstring>{L"My Files"}));
}

TEST(FileTreeSpecialFolders, OrderFallbacksAndMissingValues) {
    // Newer Windows names three of the values differently; a missing value leaves its folder out.
    const std::map<std::wstring, std::wstring> values = {
        {L"Desktop", L"C:\\Users\\a\\Desktop"}, {L"Personal", L"\\\\srv\\home\\a\\"}, {L"Music", L"C:\\Users\\a\\Music"},
        {L"My Pictures", L"C:\\Users\\a\\Pictures"}, {L"Pictures", L"C:\\Wrong"}, {L"Favorites", L"  "}};
    auto folders = SpecialFolders([&](const std::wstring& name) {
        auto it = values.find(name);
        return it == values.end() ? std::wstring() : it->second;
    });
    std::vector<std::wstring> texts, paths;
    for (const auto& f : folders) {
        texts.push_back(f.text);
        paths.push_back(f.folder);
    }
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"My Desktop", L"My Documents", L"My Music", L"My Pictures"}));
    EXPECT_EQ(paths, (std::vector<std::wstring>{L"C:\\Users\\a\\Desktop", L"\\\\srv\\home\\a", L"C:\\Users\\a\\Music",
                                                L"C:\\Users\\a\\Pictures"}));
}

TEST(FileTreeSpecialFolders, ReadFromARegistryKey) {
    const std::wstring key = L"Software\\TessaronTest\\ShellFolders-" + std::to_wstring(GetCurrentProcessId());
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), 0);
    auto set = [&](const wchar_t* name, const std::wstring& value) {
        RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    };
    set(L"Personal", L"D:\\Dokumente Ü");
    set(L"My Video", L"D:\\Video\\");
    RegCloseKey(h);
    auto folders = ReadSpecialFolders(HKEY_CURRENT_USER, key);
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[0].text, L"My Documents");
    EXPECT_EQ(folders[0].folder, L"D:\\Dokumente Ü");
    EXPECT_EQ(folders[1].text, L"My Video");
    EXPECT_EQ(folders[1].folder, L"D:\\Video");
}

TEST(FileTreeTimeStamp, SplitsAtBackspaceOrFallsBackToPacificTime) {
    const std::tuple<std::wstring, std::wstring, std::wstring> cases[] = {
        {L"   ", L"PST", L"-0800"}, {L" CET\b+0100 ", L"CET", L"+0100"}, {L"UTC", L"UTC", L""}};
    for (const auto& [value, name, offset] : cases) {
        SCOPED_TRACE(testing::Message() << "value [" << value << "]");
        TimeZoneLabel label = ParseTimeStampSetting(value);
        EXPECT_EQ(label.name, name);
        EXPECT_EQ(label.offset, offset);
    }
}

TEST(FileTreeListing, RecordsOfARealFolder) {
    test::ScopedProgramFolder program;
    TempDir dir(L"list");
    CreateDirectoryW(dir.file(L"b folder").c_str(), nullptr);
    CreateDirectoryW(dir.file(L"Ärchiv").c_str(), nullptr);
    test::WriteBytes(dir.file(L"a.txt"), "abc");
    makeFileOfSize(dir.file(L"C big.bak"), 5ull << 30);

    auto records = LocalTreeFiller().GetLocalFolderContents(dir.path());
    ASSERT_EQ(records.size(), 4u);
    std::vector<EntryRecord> e;
    for (const auto& r : records) e.push_back(ParseEntryRecord(r));
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

    auto folders = LocalTreeFiller().GetLocalFolderContents(dir.path() + L"\\", true);
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(ParseEntryRecord(folders[1]).path, dir.file(L"b folder\\"));
    EXPECT_TRUE(LocalTreeFiller().GetLocalFolderContents(dir.file(L"missing")).empty());
}

TEST(FileTreeLazy, ExpandReadsFoldersOnceAndOnlyThen) {
    test::ScopedProgramFolder program;
    TempDir dir(L"lazy");
    CreateDirectoryW(dir.file(L"one").c_str(), nullptr);
    CreateDirectoryW(dir.file(L"one\\deep").c_str(), nullptr);
    CreateDirectoryW(dir.file(L"empty").c_str(), nullptr);
    test::WriteBytes(dir.file(L"file.txt"), "x");

    TreeHost host;
    HWND tree = host.tree();
    HTREEITEM top = host.addFolder(TVI_ROOT, dir.path());
    EXPECT_EQ(TreeView_GetChild(tree, top), nullptr) << "nothing is read before the node opens";
    EXPECT_TRUE(hasExpandButton(tree, top));

    TreeView_Expand(tree, top, TVE_EXPAND);
    EXPECT_EQ(childTexts(tree, top), (std::vector<std::wstring>{L"empty", L"one"}));  // folders only
    EXPECT_EQ(NodeImage(tree, top), TreeViewControl::iconIndex(L"openfolder"));

    // A folder made after the first read does not appear: the node is read once.
    CreateDirectoryW(dir.file(L"later").c_str(), nullptr);
    // Collapsed by the user (a programmatic collapse tells the window nothing).
    TreeView_SelectItem(tree, top);
    SendMessageW(tree, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_FALSE(TreeView_GetItemState(tree, top, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_EQ(NodeImage(tree, top), TreeViewControl::iconIndex(L"folder"));
    TreeView_Expand(tree, top, TVE_EXPAND);
    EXPECT_EQ(ChildNodes(tree, top).size(), 2u);

    // An empty folder loses its expand button instead of opening to nothing.
    HTREEITEM empty = ChildNodes(tree, top)[0];
    TreeView_Expand(tree, empty, TVE_EXPAND);
    EXPECT_EQ(TreeView_GetChild(tree, empty), nullptr);
    EXPECT_FALSE(hasExpandButton(tree, empty));
    EXPECT_EQ(NodeImage(tree, empty), TreeViewControl::iconIndex(L"folder"));

    // Files with their size and date cells, when files are wanted; grey stays grey below.
    TreeHost withFiles(0, false);
    HTREEITEM grey = withFiles.addFolder(TVI_ROOT, dir.path(), L"foldergray");
    TreeView_Expand(withFiles.tree(), grey, TVE_EXPAND);
    auto children = ChildNodes(withFiles.tree(), grey);
    ASSERT_EQ(children.size(), 4u);
    EXPECT_EQ(NodeText(withFiles.tree(), children[1]), L"file.txt");
    EXPECT_EQ(NodeImage(withFiles.tree(), children[1]), TreeViewControl::iconIndex(L"gray"));
    EXPECT_EQ(NodeImage(withFiles.tree(), children[0]), TreeViewControl::iconIndex(L"foldergray"));
    EXPECT_EQ(NodeImage(withFiles.tree(), grey), TreeViewControl::iconIndex(L"openfoldergray"));
    ColumnTreeItem* data = TreeItemData(withFiles.tree(), children[1]);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->cells, (std::vector<std::wstring>{L"1", ParseEntryRecord(data->key).date}));
}

TEST(FileTreeChecks, AncestorsTakeTheNodesStateAndDescendantsFollow) {
    TreeHost host(TVS_CHECKBOXES);
    HWND tree = host.tree();
    std::vector<HTREEITEM> chain;
    HTREEITEM parent = TVI_ROOT;
    for (int level = 0; level < 8; ++level) {
        parent = AddTreeItem(tree, parent, {L"", {}, true}, L"level" + std::to_wstring(level), 0, false);
        chain.push_back(parent);
    }
    HTREEITEM sibling = AddTreeItem(tree, chain[3], {L"", {}, true}, L"sibling", 0, false);
    TreeViewControl& filler = LocalTreeFiller();

    SetNodeCheckState(tree, chain.back(), kChecked);
    filler.RefreshColparentchecks(tree, chain.back());
    for (size_t i = 0; i < chain.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "level " << i);
        EXPECT_EQ(NodeCheckState(tree, chain[i]), kChecked);
    }
    EXPECT_EQ(NodeCheckState(tree, sibling), kUnchecked) << "only the ancestors change";

    // Unticking copies too: the ancestors are not computed from their other (ticked) children.
    SetNodeCheckState(tree, sibling, kChecked);
    SetNodeCheckState(tree, chain[5], kUnchecked);
    filler.RefreshColparentchecks(tree, chain[5]);
    for (int i = 0; i <= 4; ++i) EXPECT_EQ(NodeCheckState(tree, chain[i]), kUnchecked);
    EXPECT_EQ(NodeCheckState(tree, chain[6]), kChecked);

    SetNodeCheckState(tree, chain[2], kChecked);
    filler.RefreshColChildChecks(tree, chain[2]);
    for (size_t i = 3; i < chain.size(); ++i) EXPECT_EQ(NodeCheckState(tree, chain[i]), kChecked);
    EXPECT_EQ(NodeCheckState(tree, chain[1]), kUnchecked);
}

}  // namespace
}  // namespace tess
