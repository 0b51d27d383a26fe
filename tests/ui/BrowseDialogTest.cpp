// The folder browse dialog and the folder chooser: their decisions and the local file tree's as
// values, the real dialog (with the tree it fills) driven with messages, and the chooser's
// openings played by a script.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <set>
#include <tuple>

#include "common/Disks.h"
#include "common/Files.h"
#include "support/Recorders.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/BrowseDialog.h"
#include "ui/FileTree.h"
#include "ui/FileTreeWineDrives.h"
#include "ui/Window.h"

namespace tess {
namespace {

using test::TempDir;

constexpr BrowsePurpose kNone{};
constexpr BrowsePurpose kExchangeTemp{true, false, false};
constexpr BrowsePurpose kSqlTemp{false, true, false};
constexpr BrowsePurpose kDestination{false, false, true};

// Every test answers the message box itself and records what was shown.
class BrowseTest : public testing::Test {
protected:
    void TearDown() override { SetBrowseScriptForTesting(nullptr); }

    test::ScopedProgramFolder program_;
    test::RecordedMessages messages;
};

// ---- Decisions ----

TEST(BrowseDecisions, CmdOk) {
    const int folder = TreeViewControl::iconIndex(L"folder"), drive = TreeViewControl::iconIndex(L"Drive");
    const BrowsePurpose dest = kDestination;
    // purpose, node image, node path, drive ready; message, closes, selected path, root asked
    const std::tuple<BrowsePurpose, std::optional<int>, std::wstring, bool, int, bool, std::optional<std::wstring>,
                     std::wstring>
        cases[] = {
            {kNone, folder, L"C:\\x\\", true, 0, true, {}, L""},  // no purpose: just closes
            {dest, TreeViewControl::iconIndex(L"mycomp"), L"", true, 58, false, {}, L""},
            {dest, std::nullopt, L"", true, 58, false, {}, L""},  // nothing selected
            {dest, folder, L" C:\\Data\\\\Sub\\\\ ", true, 0, true, L"C:\\Data\\Sub\\", L"C:\\"},
            {dest, drive, L"E:\\", false, 15, false, L"E:\\", L"E:\\"},
            {dest, folder, L"\\\\srv\\share\\a\\", true, 0, true, L"\\\\srv\\share\\a\\", L"\\\\srv\\share\\"},
        };
    for (const auto& [purpose, image, path, ready, code, close, selected, rootAsked] : cases) {
        SCOPED_TRACE(testing::Message() << "path [" << path << "] image " << image.value_or(-1));
        std::wstring asked;
        OkDecision d = DecideCmdOk(purpose, image, path, [&, ready = ready](const std::wstring& root) {
            asked = root;
            return ready;
        });
        EXPECT_EQ(std::tie(d.messageCode, d.close, d.selectedPath, asked), std::tie(code, close, selected, rootAsked));
    }
}

TEST(BrowseDecisions, ChosenFolderScreeningAndTheTrialWritesOutcome) {
    using A = FolderChoice;
    // chosen, destination, drive type; action, message, reset to SQLTEMP, folder
    const std::tuple<std::wstring, bool, UINT, A::Action, int, bool, std::wstring> cases[] = {
        {L"   ", true, DRIVE_FIXED, A::kIgnore, 0, false, L""},
        {L"\\\\srv\\share\\t", false, DRIVE_REMOTE, A::kReopen, 181, true, L""},
        {L"\\\\srv\\share\\t", true, DRIVE_REMOTE, A::kReopen, 181, false, L""},
        {L"E:\\Temp", false, DRIVE_REMOVABLE, A::kReopen, 180, false, L""},
        {L"G:\\", false, DRIVE_REMOTE, A::kReopen, 180, false, L""},
        {L"G:\\Ship", true, DRIVE_REMOTE, A::kCheckAndAccept, 0, false, L"G:\\Ship"},
        {L"E:\\", true, DRIVE_FIXED, A::kCheckAndAccept, 0, false, L"E:"},
        {L" C:\\Temp\\ ", false, DRIVE_FIXED, A::kCheckAndAccept, 0, false, L"C:\\Temp\\"},
    };
    for (const auto& [chosen, destination, driveType, action, code, reset, folder] : cases) {
        SCOPED_TRACE(testing::Message() << chosen << " destination " << destination);
        FolderChoice f = ScreenChosenFolder(chosen, destination, driveType);
        EXPECT_EQ(std::tie(f.action, f.messageCode, f.resetToSqlTemp, f.folder), std::tie(action, code, reset, folder));
    }
    EXPECT_EQ(TrialWriteFile(L"E:"), L"E:\\Dummy.txt");  // not "E:Dummy.txt", relative to E:'s current folder

    const std::tuple<DWORD, A::Action, int> judged[] = {{ERROR_SUCCESS, A::kAccept, 0},
                                                        {ERROR_WRITE_PROTECT, A::kReopen, 182},
                                                        {ERROR_PATH_NOT_FOUND, A::kReopen, 183},
                                                        {ERROR_DISK_FULL, A::kGiveUp, 0}};
    for (const auto& [error, action, code] : judged) {
        SCOPED_TRACE(testing::Message() << "error " << error);
        FolderChoice f = JudgeTrialWrite(L"C:\\T", error);
        EXPECT_EQ(std::tie(f.action, f.messageCode), std::tie(action, code));
        EXPECT_EQ(f.setDestinationFlag, code != 0);
    }
}

// ---- The local file tree's values ----

TEST(FileTreeDrives, FixedAndNetworkDrivesAreListedAndRemovableOnesForADestination) {
    const std::vector<std::wstring> list = {L"a:\\", L"c:", L"D:\\", L"e:\\", L"f:\\", L"g:\\", L"h:\\", L"x"};
    const std::map<wchar_t, UINT> types = {{L'A', DRIVE_REMOVABLE}, {L'C', DRIVE_FIXED},   {L'D', DRIVE_CDROM},
                                           {L'E', DRIVE_REMOTE},    {L'F', DRIVE_RAMDISK}, {L'G', DRIVE_UNKNOWN},
                                           {L'H', DRIVE_NO_ROOT_DIR}};
    const auto typeOf = [&](const std::wstring& root) {
        EXPECT_EQ(root.size(), 3u);
        return types.at(root[0]);
    };
    EXPECT_EQ(ListedDrives(list, typeOf), (std::vector<std::wstring>{L"C:", L"E:"}));
    EXPECT_EQ(ListedDrives(list, typeOf, true), (std::vector<std::wstring>{L"A:", L"C:", L"E:"}));
}

TEST(FileTreeSpecialFolders, OrderFallbacksAndMissingValuesFromARegistryKey) {
    // Newer Windows names three of the values differently; a missing or blank value leaves its
    // folder out.
    const test::ScopedTestKey key(HKEY_CURRENT_USER, L"ShellFolders");
    const std::pair<const wchar_t*, std::wstring> values[] = {
        {L"Desktop", L"C:\\Desk"}, {L"Personal", L"\\\\srv\\Dokumente Ü\\"}, {L"Music", L"C:\\M"},
        {L"My Pictures", L"C:\\P"}, {L"Pictures", L"C:\\Wrong"}, {L"Favorites", L"  "}};
    for (const auto& [name, value] : values) key.set(name, REG_SZ, test::RegBytes(value + L'\0'));
    auto folders = ReadSpecialFolders(HKEY_CURRENT_USER, key.path);
    std::vector<std::wstring> seen;
    for (const auto& f : folders) seen.push_back(f.text + L"=" + f.folder);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"My Desktop=C:\\Desk", L"My Documents=\\\\srv\\Dokumente Ü",
                                               L"My Music=C:\\M", L"My Pictures=C:\\P"}));
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

// ---- The window ----

// Which drive types the tree lists is FileTreeDrives' table; here, that the tree asks it for its
// purpose: a removable drive shows for a destination, not for a temporary folder.
TEST_F(BrowseTest, ARemovableDriveShowsOnlyForADestinationAndOkRefusesADriveUnpluggedWhileOpen) {
    if (!test::WineDrives::available()) GTEST_SKIP() << "drive letters are made through Wine's mount manager";
    TempDir dir(L"notready");
    for (const wchar_t* sub : {L"medium", L"usb"}) CreateDirectoryW(dir.file(sub).c_str(), nullptr);
    test::WineDrives drives;
    const std::wstring fixed = drives.define(DRIVE_FIXED, dir.file(L"medium"));
    const std::wstring removable = drives.define(DRIVE_REMOVABLE, dir.file(L"usb"));
    ASSERT_FALSE(fixed.empty() || removable.empty());

    {
        frmLocalFileBrowse temporary(kSqlTemp);
        ASSERT_TRUE(temporary.createModeless(nullptr));
        EXPECT_EQ(temporary.selectFolder(removable), nullptr);
    }
    frmLocalFileBrowse dialog(kDestination);
    ASSERT_TRUE(dialog.createModeless(nullptr));
    EXPECT_NE(dialog.selectFolder(removable), nullptr);
    ASSERT_NE(dialog.selectRoot(true), nullptr);
    test::SendAltKey(dialog.hwnd(), 'O');
    ASSERT_NE(dialog.selectFolder(fixed), nullptr);
    // The drive goes away while the dialog is open (a disk unplugged, a medium taken out): its
    // letter stays in the tree, its volume can no longer be read.
    ASSERT_TRUE(RemoveDirectoryW(dir.file(L"medium").c_str()));
    ASSERT_FALSE(IsDriveReady(fixed + L"\\"));
    test::SendAltKey(dialog.hwnd(), 'O');
    ASSERT_NE(dialog.hwnd(), nullptr) << "the dialog stays open";
    EXPECT_EQ(messages.codes(), (std::vector<int>{58, 15}));
}

// "OK" hands back the selected folder as the unload rules leave it; every way of closing hands
// back nothing.
TEST_F(BrowseTest, OkReturnsANonAsciiFolderAndEveryWayOfClosingReturnsNothing) {
    TempDir dir(L"close");
    CreateDirectoryW(dir.file(L"Deep Folder").c_str(), nullptr);
    CreateDirectoryW(dir.file(L"Deep Folder\\Ünter").c_str(), nullptr);
    const std::wstring target = dir.file(L"Deep Folder\\Ünter");
    for (int way = 0; way < 4; ++way) {
        SCOPED_TRACE(testing::Message() << "way " << way);
        frmLocalFileBrowse dialog(kExchangeTemp);
        ASSERT_TRUE(dialog.createModeless(nullptr));
        EXPECT_FALSE(GetWindowLongW(dialog.tree(), GWL_STYLE) & TVS_CHECKBOXES) << "a purpose switches the ticks off";
        ASSERT_NE(dialog.selectFolder(target), nullptr);
        const wchar_t* button = way == 0 ? L"cmdOK" : way == 1 ? L"lblClose" : L"CmdCancel";
        if (way < 3) test::Click(FindByAutomationId(dialog.hwnd(), button));
        if (way == 3) SendMessageW(dialog.hwnd(), WM_KEYDOWN, VK_ESCAPE, 1);
        EXPECT_EQ(dialog.hwnd(), nullptr);
        EXPECT_EQ(dialog.selectedPath(), way == 0 ? target + L"\\" : L"");
    }
}

// Without a purpose the tree has ticks. A tick (the space bar, as the tree gets it) gives its
// state to every ancestor and to every descendant read so far; unticking copies too.
TEST_F(BrowseTest, TheTreeReadsFoldersOnExpandAndTicksFollowUpAndDown) {
    TempDir dir(L"tick");
    for (const wchar_t* sub : {L"a", L"a\\b", L"c"}) CreateDirectoryW(dir.file(sub).c_str(), nullptr);
    test::WriteBytes(dir.file(L"file.txt"), "x");
    ASSERT_TRUE(test::PlantFolderLink(dir.file(L"d"), dir.file(L"a")));
    frmLocalFileBrowse dialog;
    ASSERT_TRUE(dialog.createModeless(nullptr));
    HWND tree = dialog.tree();
    HTREEITEM top = dialog.selectFolder(dir.path());
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(TreeView_GetChild(tree, top), nullptr) << "nothing is read before the node opens";
    TreeView_Expand(tree, top, TVE_EXPAND);
    const auto children = ChildNodes(tree, top);
    std::vector<std::wstring> texts;
    for (HTREEITEM c : children) texts.push_back(NodeText(tree, c));
    ASSERT_EQ(texts, (std::vector<std::wstring>{L"a", L"c", L"d"}));  // folders only
    EXPECT_FALSE(TreeView_Expand(tree, children[2], TVE_EXPAND) || TreeView_GetChild(tree, children[2]))
        << "a link is shown but does not open";
    auto toggle = [&](HTREEITEM node, int expected) {
        test::ToggleTreeItem(tree, node);
        return test::WaitFor([&] { return NodeCheckState(tree, TreeView_GetParent(tree, node)) == expected; }, 5000);
    };
    HTREEITEM a = children[0], c = children[1], b = dialog.selectFolder(dir.file(L"a\\b"));
    ASSERT_TRUE(toggle(b, kChecked));
    for (HTREEITEM n = b; n; n = TreeView_GetParent(tree, n)) EXPECT_EQ(NodeCheckState(tree, n), kChecked);
    EXPECT_EQ(NodeCheckState(tree, c), kUnchecked) << "only the ancestors change";
    ASSERT_TRUE(toggle(c, kChecked));
    ASSERT_TRUE(toggle(a, kUnchecked)) << "the ancestors are not computed from their other (ticked) children";
    EXPECT_EQ(NodeCheckState(tree, b), kUnchecked);
    EXPECT_EQ(NodeCheckState(tree, c), kChecked);
}

// ---- ChooseTransferFolder, with the dialog played by a script ----

class ChooserTest : public BrowseTest {
protected:
    // Each opening takes the next answer and records the flags it was opened with.
    void script(std::deque<std::optional<std::wstring>> answers) {
        openings.clear();
        SetBrowseScriptForTesting([this, answers](const BrowsePurpose& purpose) mutable {
            openings.push_back(purpose);
            std::optional<std::wstring> answer = answers.empty() ? std::nullopt : answers.front();
            if (!answers.empty()) answers.pop_front();
            return answer;
        });
    }

    std::vector<BrowsePurpose> openings;
};

// Refused folders reopen the dialog (as a destination browse once a trial write failed) until
// one is accepted as it is; the trial write leaves nothing and never removes what it did not make.
TEST_F(ChooserTest, RefusedFoldersReopenTheDialogUntilAWritableOneIsAcceptedAsItIs) {
    if (!test::WineDrives::available()) GTEST_SKIP() << "drive letters are made through Wine's mount manager";
    TempDir dir(L"choose");
    // In "locked" Dummy.txt cannot be written: its name is taken by a folder.
    for (const wchar_t* sub : {L"usb", L"locked", L"locked\\Dummy.txt", L"clean"}) CreateDirectoryW(dir.file(sub).c_str(), nullptr);
    test::WriteBytes(dir.file(L"Dummy.txt"), "the user's own notes");
    test::WineDrives drives;
    const std::wstring removable = drives.define(DRIVE_REMOVABLE, dir.file(L"usb")), later = dir.file(L"made by the run");
    ASSERT_FALSE(removable.empty());

    script({L"\\\\server\\share\\temp\\", removable + L"\\", dir.file(L"locked\\"), later + L"\\"});
    ChosenFolder chosen = ChooseTransferFolder(nullptr, {false, kSqlTemp});
    EXPECT_TRUE(chosen.accepted);
    EXPECT_EQ(chosen.boxText.value_or(L"?"), later);
    EXPECT_EQ(chosen.refusals, (std::vector<int>{181, 180, 182}));
    EXPECT_EQ(messages.codes(), (std::vector<int>{180, 180, 17}));  // 181 shows 180's text, 182 17's
    EXPECT_EQ(messages.calls[0].icon, kIconWarning);
    ASSERT_EQ(openings.size(), 4u);
    EXPECT_FALSE(openings[2].transferDestination);
    EXPECT_TRUE(openings[3].transferDestination);
    EXPECT_FALSE(PathExists(later));
    EXPECT_TRUE(FolderExists(dir.file(L"locked\\Dummy.txt")));

    for (const auto& folder : {dir.path(), dir.file(L"clean")}) {
        SCOPED_TRACE(testing::Message() << folder);
        script({folder + L"\\"});
        chosen = ChooseTransferFolder(nullptr, {false, kNone});  // the chooser sets the purpose of its choice
        EXPECT_TRUE(chosen.accepted && openings.at(0).sqlTemp && chosen.purposeAfter.sqlTemp);
        EXPECT_EQ(chosen.boxText.value_or(L"?"), folder);
    }
    EXPECT_EQ(test::ReadBytes(dir.file(L"Dummy.txt")), "the user's own notes");
    EXPECT_FALSE(PathExists(dir.file(L"clean\\Dummy.txt")));
}

}  // namespace
}  // namespace tess
