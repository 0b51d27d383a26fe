// The folder browse dialog and the folder chooser: their decisions as values, the trial write on
// real folders, the real dialog driven with messages, and the chooser's openings played by a
// script.
#include <gtest/gtest.h>

#include <deque>

#include "common/Files.h"
#include "common/MessageCatalog.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"
#include "support/TestSupport.h"
#include "ui/BrowseDialog.h"
#include "ui/FileTree.h"
#include "ui/FileTreeWineDrives.h"
#include "ui/MessageBox.h"
#include "ui/Window.h"

namespace tess {
namespace {

using test::TempDir;

BrowsePurpose purposeOf(bool exchangeTemp, bool sqlTemp, bool destination) {
    BrowsePurpose p;
    p.exchangeTemp = exchangeTemp;
    p.sqlTemp = sqlTemp;
    p.transferDestination = destination;
    return p;
}

// Every test starts and ends with no purpose, no selected path, no hooks.
class BrowseTest : public testing::Test {
protected:
    void SetUp() override {
        reset();
        SetMessageHookForTesting([this](const MessageCall& call) {
            messages.push_back(call);
            return static_cast<int>(kResultOk);
        });
    }
    void TearDown() override {
        SetMessageHookForTesting(nullptr);
        SetBrowseScriptForTesting(nullptr);
        reset();
    }
    static void reset() {
        BrowseFlags() = BrowsePurpose{};
        SelectedPath().clear();
    }
    // The codes of the texts shown. 180 and 181 share one text, as do 182 and 183: the lower
    // code stands for both (the decision tests tell them apart).
    std::vector<int> messageCodes() const {
        std::vector<int> codes;
        for (const auto& m : messages) {
            int code = 0;
            for (int c : {15, 58, 180, 182})
                if (m.text == GetMessageText(c) && !code) code = c;
            codes.push_back(code);
        }
        return codes;
    }

    test::ScopedProgramFolder program_;
    std::vector<MessageCall> messages;
};

// ---- Decisions ----

TEST(BrowseDecisions, InstructionLineByFirstFlagInTableOrder) {
    const std::wstring exchange =
        L"Select a folder to be used as a temporary location for the Exchange Server data transfer";
    const std::wstring sql = L"Select a folder to be used as a temporary location for the SQL Server data transfer";
    const std::wstring dest = L"Select a folder to be used as a destination for data transfer operation";
    struct Case {
        BrowsePurpose purpose;
        std::wstring line;
    };
    const Case cases[] = {
        {purposeOf(false, false, false), L"Select a folder to be used for the backup operation."},
        {purposeOf(true, false, false), exchange},
        {purposeOf(false, true, false), sql},
        {purposeOf(false, false, true), dest},
        {purposeOf(true, true, true), exchange},
        {purposeOf(false, true, true), sql},  // a temporary flag left from an earlier browse wins
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.purpose.exchangeTemp << c.purpose.sqlTemp << c.purpose.transferDestination);
        EXPECT_EQ(InstructionLine(c.purpose), c.line);
    }
}

TEST(BrowseDecisions, CmdOk) {
    const int folder = TreeViewControl::iconIndex(L"folder");
    const int drive = TreeViewControl::iconIndex(L"Drive");
    struct Case {
        const char* what;
        BrowsePurpose purpose;
        std::optional<int> image;
        std::wstring path;
        bool ready;
        int code;
        bool close;
        std::optional<std::wstring> selected;
        std::wstring rootAsked;
    };
    const BrowsePurpose dest = purposeOf(false, false, true);
    const Case cases[] = {
        {"no purpose: just closes", purposeOf(false, false, false), folder, L"C:\\x\\", true, 0, true, {}, L""},
        {"My Computer", dest, TreeViewControl::iconIndex(L"mycomp"), L"", true, 58, false, {}, L""},
        {"My Files", dest, TreeViewControl::iconIndex(L"mydesktop"), L"", true, 58, false, {}, L""},
        {"nothing selected", dest, std::nullopt, L"", true, 58, false, {}, L""},
        {"folder", dest, folder, L" C:\\Data\\Sub\\ ", true, 0, true, L"C:\\Data\\Sub\\", L"C:\\"},
        {"drive root", dest, drive, L"E:\\", true, 0, true, L"E:\\", L"E:\\"},
        {"drive not ready", dest, drive, L"E:\\", false, 15, false, L"E:\\", L"E:\\"},
        {"doubled separators", dest, folder, L"C:\\Data\\\\Sub\\\\", true, 0, true, L"C:\\Data\\Sub\\", L"C:\\"},
        {"network folder", dest, folder, L"\\\\srv\\share\\a\\", true, 0, true, L"\\\\srv\\share\\a\\",
         L"\\\\srv\\share\\"},
        {"node without a path", dest, folder, L"", true, 0, true, {}, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::wstring asked;
        OkDecision d = DecideCmdOk(c.purpose, c.image, c.path, [&](const std::wstring& root) {
            asked = root;
            return c.ready;
        });
        EXPECT_EQ(d.messageCode, c.code);
        EXPECT_EQ(d.close, c.close);
        EXPECT_EQ(d.selectedPath, c.selected);
        EXPECT_EQ(asked, c.rootAsked);
    }
}

TEST(BrowseDecisions, UnloadKeepsTheSeparatorOnlyForTheExchangeTemporaryFolder) {
    struct Case {
        BrowsePurpose purpose;
        std::wstring selected, expected;
    };
    const Case cases[] = {
        {purposeOf(false, false, true), L"E:\\", L"E:"},
        {purposeOf(false, true, false), L"C:\\Temp\\", L"C:\\Temp"},
        {purposeOf(true, false, false), L"C:\\Temp\\", L"C:\\Temp\\"},
        {purposeOf(false, false, true), L"", L""},
        {purposeOf(false, false, true), L"C:\\NoSeparator", L"C:\\NoSeparator"},
        {purposeOf(false, false, false), L"C:\\Temp\\", L"C:\\Temp\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.selected);
        EXPECT_EQ(PathOnUnload(c.selected, c.purpose), c.expected);
    }
    BrowsePurpose after = FlagsOnUnload(purposeOf(true, true, true));
    EXPECT_TRUE(after.exchangeTemp);
    EXPECT_TRUE(after.sqlTemp);
    EXPECT_FALSE(after.transferDestination);
}

TEST(BrowseDecisions, DriveRoots) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"C:\\Data\\x", L"C:\\"}, {L"d:", L"d:\\"},   {L"\\\\srv\\share\\a", L"\\\\srv\\share\\"},
        {L"\\\\srv\\share", L"\\\\srv\\share\\"},       {L"\\\\srv", L""}, {L"relative\\x", L""}, {L"", L""},
    };
    for (const auto& [path, root] : cases) {
        SCOPED_TRACE(testing::Message() << path);
        EXPECT_EQ(DriveRootOf(path), root);
    }
}

TEST(BrowseDecisions, ChosenFolderScreening) {
    using A = FolderChoice;
    struct Case {
        std::wstring chosen;
        bool destination;
        UINT driveType;
        A::Action action;
        int code;
        bool resetToSqlTemp;
        std::wstring folder;
    };
    const Case cases[] = {
        {L"   ", true, DRIVE_FIXED, A::kIgnore, 0, false, L""},
        {L"\\\\srv\\share\\t", false, DRIVE_REMOTE, A::kReopen, 181, true, L""},
        {L"\\\\srv\\share\\t", true, DRIVE_REMOTE, A::kReopen, 181, false, L""},
        {L"G:\\Temp", false, DRIVE_REMOTE, A::kReopen, 180, false, L""},
        {L"E:\\Temp", false, DRIVE_REMOVABLE, A::kReopen, 180, false, L""},
        {L"G:\\Ship", true, DRIVE_REMOTE, A::kCheckAndAccept, 0, false, L"G:\\Ship"},
        {L"E:\\", true, DRIVE_FIXED, A::kCheckAndAccept, 0, false, L"E:"},
        {L" C:\\Temp\\ ", false, DRIVE_FIXED, A::kCheckAndAccept, 0, false, L"C:\\Temp\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.chosen << " destination " << c.destination);
        FolderChoice f = ScreenChosenFolder(c.chosen, c.destination, c.driveType);
        EXPECT_EQ(f.action, c.action);
        EXPECT_EQ(f.messageCode, c.code);
        EXPECT_EQ(f.resetToSqlTemp, c.resetToSqlTemp);
        EXPECT_EQ(f.folder, c.folder);
    }
    EXPECT_EQ(TrialWriteFile(L"E:"), L"E:\\Dummy.txt");
    EXPECT_EQ(TrialWriteFile(L"C:\\Temp\\"), L"C:\\Temp\\Dummy.txt");

    struct Judged {
        DWORD error;
        A::Action action;
        int code;
    };
    const Judged judged[] = {
        {ERROR_SUCCESS, A::kAccept, 0},          {ERROR_ACCESS_DENIED, A::kReopen, 182},
        {ERROR_WRITE_PROTECT, A::kReopen, 182},  {ERROR_PATH_NOT_FOUND, A::kReopen, 183},
        {ERROR_DISK_FULL, A::kGiveUp, 0},
    };
    for (const auto& j : judged) {
        SCOPED_TRACE(testing::Message() << "error " << j.error);
        FolderChoice f = JudgeTrialWrite(L"C:\\T", j.error);
        EXPECT_EQ(f.action, j.action);
        EXPECT_EQ(f.messageCode, j.code);
        EXPECT_EQ(f.setDestinationFlag, j.code != 0);
    }
}

// ---- The trial write on real folders ----

TEST(BrowseTrialWrite, LeavesNothingAndNeverTouchesAnExistingDummy) {
    TempDir dir(L"trial");
    EXPECT_EQ(TrialWrite(dir.path()), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(PathExists(dir.file(L"Dummy.txt")));

    test::WriteBytes(dir.file(L"Dummy.txt"), "the user's own notes");
    EXPECT_EQ(TrialWrite(dir.path() + L"\\"), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(test::ReadBytes(dir.file(L"Dummy.txt")), "the user's own notes");

    // The name taken by a folder: the file cannot be written (the tests run as an administrator,
    // for whom a read-only attribute is no obstacle under Wine).
    CreateDirectoryW(dir.file(L"sub").c_str(), nullptr);
    CreateDirectoryW(dir.file(L"sub\\Dummy.txt").c_str(), nullptr);
    EXPECT_EQ(TrialWrite(dir.file(L"sub")), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(FolderExists(dir.file(L"sub\\Dummy.txt")));

    EXPECT_EQ(TrialWrite(dir.file(L"gone")), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

// ---- The window ----

HWND controlNamed(const frmLocalFileBrowse& dialog, const wchar_t* name) {
    return FindByAutomationId(dialog.hwnd(), name);
}

std::wstring windowText(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    return text;
}

void click(HWND button) {
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

void altKey(HWND window, wchar_t letter) { SendMessageW(window, WM_SYSKEYDOWN, letter, 1 << 29); }

TEST_F(BrowseTest, PurposeChoosesTheLineAndSwitchesOffCheckBoxes) {
    struct Case {
        BrowsePurpose purpose;
        bool checkBoxes;
    };
    const Case cases[] = {{purposeOf(false, false, false), true},
                          {purposeOf(false, true, false), false},
                          {purposeOf(false, false, true), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.purpose.sqlTemp << c.purpose.transferDestination);
        BrowseFlags() = c.purpose;
        frmLocalFileBrowse dialog;
        ASSERT_TRUE(dialog.createModeless(nullptr));
        EXPECT_EQ(windowText(controlNamed(dialog, L"Label1")), InstructionLine(c.purpose));
        HWND tree = controlNamed(dialog, L"ColumnLocalTreeView");
        ASSERT_EQ(tree, dialog.tree());
        EXPECT_EQ((GetWindowLongW(tree, GWL_STYLE) & TVS_CHECKBOXES) != 0, c.checkBoxes);
        EXPECT_NE(dialog.selectRoot(true), nullptr);
        EXPECT_NE(dialog.selectRoot(false), nullptr);
        DestroyWindow(dialog.hwnd());
    }
}

TEST_F(BrowseTest, OkOnMyComputerOrMyFilesShowsFiftyEightAndStaysOpen) {
    BrowseFlags().transferDestination = true;
    frmLocalFileBrowse dialog;
    ASSERT_TRUE(dialog.createModeless(nullptr));
    for (bool myComputer : {true, false}) {
        ASSERT_NE(dialog.selectRoot(myComputer), nullptr);
        altKey(dialog.hwnd(), 'O');
        ASSERT_NE(dialog.hwnd(), nullptr) << "the dialog must stay open";
    }
    EXPECT_EQ(messageCodes(), (std::vector<int>{58, 58}));
    EXPECT_EQ(messages[0].icon, kIconInformation);
    EXPECT_EQ(messages[0].buttons, kButtonsOk);
    EXPECT_TRUE(SelectedPath().empty());
    DestroyWindow(dialog.hwnd());
}

TEST_F(BrowseTest, DestinationDriveRootComesBackWithoutItsSeparator) {
    if (!test::WineDrives::available()) GTEST_SKIP() << "drive letters are made through Wine's mount manager";
    TempDir dir(L"root");
    test::WineDrives drives;
    std::wstring drive = drives.define(DRIVE_FIXED, dir.path());
    ASSERT_FALSE(drive.empty());

    BrowseFlags().transferDestination = true;
    frmLocalFileBrowse dialog;
    ASSERT_TRUE(dialog.createModeless(nullptr));
    ASSERT_NE(dialog.selectFolder(drive), nullptr);
    click(controlNamed(dialog, L"cmdOK"));
    EXPECT_EQ(dialog.hwnd(), nullptr) << "OK closes the dialog";
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(SelectedPath(), drive);
    EXPECT_FALSE(BrowseFlags().transferDestination);
}

TEST_F(BrowseTest, TemporaryFoldersAndTheirSeparators) {
    TempDir dir(L"tmpsel");
    CreateDirectoryW(dir.file(L"Deep Folder").c_str(), nullptr);
    CreateDirectoryW(dir.file(L"Deep Folder\\Ünter").c_str(), nullptr);
    const std::wstring target = dir.file(L"Deep Folder\\Ünter");
    struct Case {
        BrowsePurpose purpose;
        std::wstring expected;
        bool sqlTempAfter, exchangeTempAfter;
    };
    const Case cases[] = {{purposeOf(false, true, false), target, true, false},
                          {purposeOf(true, false, false), target + L"\\", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.expected);
        BrowseFlags() = c.purpose;
        frmLocalFileBrowse dialog;
        ASSERT_TRUE(dialog.createModeless(nullptr));
        ASSERT_NE(dialog.selectFolder(target), nullptr);
        dialog.CmdOk_Click();
        EXPECT_EQ(dialog.hwnd(), nullptr);
        EXPECT_EQ(SelectedPath(), c.expected);
        EXPECT_EQ(BrowseFlags().sqlTemp, c.sqlTempAfter);
        EXPECT_EQ(BrowseFlags().exchangeTemp, c.exchangeTempAfter);
    }
}

TEST_F(BrowseTest, DriveThatIsNotReadyShowsFifteen) {
    if (!test::WineDrives::available()) GTEST_SKIP() << "drive letters are made through Wine's mount manager";
    TempDir dir(L"notready");
    CreateDirectoryW(dir.file(L"medium").c_str(), nullptr);
    test::WineDrives drives;
    std::wstring drive = drives.define(DRIVE_FIXED, dir.file(L"medium"));
    ASSERT_FALSE(drive.empty());

    BrowseFlags().transferDestination = true;
    frmLocalFileBrowse dialog;
    ASSERT_TRUE(dialog.createModeless(nullptr));
    ASSERT_NE(dialog.selectFolder(drive), nullptr);
    // The drive goes away while the dialog is open (a disk unplugged, a medium taken out): its
    // letter stays in the tree, its volume can no longer be read.
    ASSERT_TRUE(RemoveDirectoryW(dir.file(L"medium").c_str()));
    ASSERT_FALSE(IsDriveReady(drive + L"\\"));
    altKey(dialog.hwnd(), 'O');
    ASSERT_NE(dialog.hwnd(), nullptr);
    EXPECT_EQ(messageCodes(), (std::vector<int>{15}));

    // "Close" after that: the dialog hands back nothing.
    click(controlNamed(dialog, L"CmdCancel"));
    EXPECT_EQ(dialog.hwnd(), nullptr);
    EXPECT_TRUE(SelectedPath().empty());
}

TEST_F(BrowseTest, CloseAfterASelectionReturnsAnEmptyPath) {
    TempDir dir(L"close");
    SelectedPath() = L"C:\\left over\\";
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(testing::Message() << "way " << way);
        BrowseFlags().sqlTemp = true;
        frmLocalFileBrowse dialog;
        ASSERT_TRUE(dialog.createModeless(nullptr));
        ASSERT_NE(dialog.selectFolder(dir.path()), nullptr);
        if (way == 0) click(controlNamed(dialog, L"CmdCancel"));
        if (way == 1) altKey(dialog.hwnd(), 'C');
        if (way == 2) click(controlNamed(dialog, L"lblClose"));
        EXPECT_EQ(dialog.hwnd(), nullptr);
        EXPECT_TRUE(SelectedPath().empty());
    }
}

TEST_F(BrowseTest, TickingADeepFolderTicksItsAncestors) {
    TempDir dir(L"tick");
    CreateDirectoryW(dir.file(L"a").c_str(), nullptr);
    CreateDirectoryW(dir.file(L"a\\b").c_str(), nullptr);
    frmLocalFileBrowse dialog;  // no purpose: check boxes on
    ASSERT_TRUE(dialog.createModeless(nullptr));
    HWND tree = dialog.tree();
    HTREEITEM deep = dialog.selectFolder(dir.file(L"a\\b"));
    ASSERT_NE(deep, nullptr);
    SetFocus(tree);
    SendMessageW(tree, WM_KEYDOWN, VK_SPACE, 0);  // the tree flips the box; the dialog follows up
    SendMessageW(tree, WM_KEYUP, VK_SPACE, 0);
    ASSERT_TRUE(test::WaitFor([&] { return NodeCheckState(tree, TreeView_GetParent(tree, deep)) == kChecked; }, 5000));
    for (HTREEITEM n = deep; n; n = TreeView_GetParent(tree, n)) {
        SCOPED_TRACE(testing::Message() << NodeText(tree, n));
        EXPECT_EQ(NodeCheckState(tree, n), kChecked);
    }
    DestroyWindow(dialog.hwnd());
}

// ---- ChooseTransferFolder, with the dialog played by a script ----

class ChooserTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        destinationBox_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 50, 20, owner_, nullptr, nullptr, nullptr);
        tempBox_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 30, 50, 20, owner_, nullptr, nullptr, nullptr);
        SetAutomationId(destinationBox_, L"txtDestination");
        SetAutomationId(tempBox_, L"Tempfolder_txt");
    }
    void TearDown() override {
        DestroyWindow(owner_);
        BrowseTest::TearDown();
    }
    // Each opening takes the next answer and records the flags it was opened with.
    void script(std::deque<std::optional<std::wstring>> answers) {
        answers_ = std::move(answers);
        SetBrowseScriptForTesting([this](const BrowsePurpose& purpose) {
            openings.push_back(purpose);
            if (answers_.empty()) return std::optional<std::wstring>();
            auto answer = answers_.front();
            answers_.pop_front();
            return answer;
        });
    }

    HWND owner_ = nullptr, destinationBox_ = nullptr, tempBox_ = nullptr;
    std::deque<std::optional<std::wstring>> answers_;
    std::vector<BrowsePurpose> openings;
};

TEST_F(ChooserTest, AWritableFolderGoesIntoTheTextBox) {
    TempDir dir(L"dest");
    BrowseFlags().transferDestination = true;
    script({dir.path() + L"\\"});
    auto chosen = ChooseTransferFolder(true, owner_);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, dir.path());
    EXPECT_EQ(windowText(destinationBox_), dir.path());
    EXPECT_EQ(windowText(tempBox_), L"");
    EXPECT_FALSE(PathExists(dir.file(L"Dummy.txt")));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(SelectedPath().empty());
    EXPECT_EQ(openings.size(), 1u);
}

TEST_F(ChooserTest, RefusedFoldersReopenTheDialogUntilClosed) {
    if (!test::WineDrives::available()) GTEST_SKIP() << "drive letters are made through Wine's mount manager";
    TempDir dir(L"refuse");
    CreateDirectoryW(dir.file(L"usb").c_str(), nullptr);
    CreateDirectoryW(dir.file(L"locked").c_str(), nullptr);
    // A folder where Dummy.txt cannot be written: its name is taken by a folder.
    CreateDirectoryW(dir.file(L"locked\\Dummy.txt").c_str(), nullptr);
    test::WineDrives drives;
    std::wstring removable = drives.define(DRIVE_REMOVABLE, dir.file(L"usb"));
    ASSERT_FALSE(removable.empty());

    BrowseFlags().sqlTemp = true;
    script({L"\\\\server\\share\\temp\\", removable + L"\\", dir.file(L"locked\\"), std::nullopt});
    auto chosen = ChooseTransferFolder(false, owner_);
    EXPECT_FALSE(chosen.has_value());
    EXPECT_EQ(openings.size(), 4u);
    EXPECT_EQ(messageCodes(), (std::vector<int>{180, 180, 182}));  // 181, 180, 182
    for (const auto& m : messages) {
        EXPECT_EQ(m.icon, kIconWarning);
        EXPECT_EQ(m.buttons, kButtonsOk);
    }
    // After the trial write failed the dialog opened as a destination browse.
    ASSERT_EQ(openings.size(), 4u);
    EXPECT_FALSE(openings[2].transferDestination);
    EXPECT_TRUE(openings[3].transferDestination);
    EXPECT_EQ(windowText(tempBox_), ProgramFolder() + L"\\SQLTEMP");
    EXPECT_TRUE(FolderExists(dir.file(L"locked\\Dummy.txt"))) << "the trial write never removes what it did not make";
    EXPECT_TRUE(SelectedPath().empty());
}

TEST_F(ChooserTest, DestinationOnADriveRootOrANetworkDrive) {
    if (!test::WineDrives::available()) GTEST_SKIP() << "drive letters are made through Wine's mount manager";
    TempDir dir(L"roots");
    CreateDirectoryW(dir.file(L"fixed").c_str(), nullptr);
    CreateDirectoryW(dir.file(L"share").c_str(), nullptr);
    test::WineDrives drives;
    std::wstring fixed = drives.define(DRIVE_FIXED, dir.file(L"fixed"));
    std::wstring network = drives.define(DRIVE_REMOTE, dir.file(L"share"));
    ASSERT_FALSE(fixed.empty() || network.empty());

    script({fixed + L"\\"});
    EXPECT_EQ(ChooseTransferFolder(true, owner_).value_or(L"?"), fixed);
    EXPECT_EQ(windowText(destinationBox_), fixed);
    EXPECT_FALSE(PathExists(dir.file(L"fixed\\Dummy.txt")));

    // A network drive may receive the shipment, but it is no temporary folder.
    script({network + L"\\"});
    EXPECT_EQ(ChooseTransferFolder(true, owner_).value_or(L"?"), network);
    script({network + L"\\", std::nullopt});
    EXPECT_FALSE(ChooseTransferFolder(false, owner_).has_value());
    EXPECT_EQ(messageCodes(), (std::vector<int>{180}));
}

TEST_F(ChooserTest, AFolderThatDoesNotExistYetIsTakenAsItIs) {
    TempDir dir(L"later");
    const std::wstring later = dir.file(L"made by the run");
    script({later + L"\\"});
    // Opened without a purpose (the window's keys set none): the chooser sets its own.
    EXPECT_EQ(ChooseTransferFolder(false, owner_).value_or(L"?"), later);
    ASSERT_EQ(openings.size(), 1u);
    EXPECT_TRUE(openings[0].sqlTemp);
    EXPECT_EQ(windowText(tempBox_), later);
    EXPECT_FALSE(PathExists(later));
}

}  // namespace
}  // namespace tess
