// The SharePoint transfer: detection from the environment and the files present, the tool's
// command line, and the run of the real main window with the real stand-in tool in a program
// folder of the test's own (what the run does to the main window: its pointer, a second press,
// the program closing, the time limit and Esc). Placement and the whole run through the real
// program are the end-to-end tests' part.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/SharePoint.h"
#include "app/SharePointRun.h"
#include "common/Files.h"
#include "common/Helpers.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "support/TestSupport.h"
#include "ui/MessageBox.h"

namespace tess {
namespace {

using test::ScopedEnvironment;

TEST(SharePointDetection, ChecksBothVersionsInTheCommonFilesFolderTheEnvironmentNames) {
    test::TempDir dir(L"spdetect");
    const std::wstring common64 = dir.file(L"Common Files"), common32 = dir.file(L"Common Files (x86)");
    const std::wstring extensions = L"\\Microsoft Shared\\Web Server Extensions\\";
    enum Variable { k64BitFolder, kUnset, kBlank };
    struct Case {
        const char* what;
        Variable w6432;  // kUnset as on 32-bit Windows
        std::wstring planted;  // the WSSADMIN.EXE that exists, or none
        bool installed;
    } cases[] = {
        {"12 in the 64-bit folder", k64BitFolder, common64 + extensions + L"12\\Bin\\WSSADMIN.EXE", true},
        {"only 14", k64BitFolder, common64 + extensions + L"14\\Bin\\WSSADMIN.EXE", true},
        {"neither file", k64BitFolder, L"", false},
        {"64-bit set: the other folder is not looked at", k64BitFolder, common32 + extensions + L"12\\Bin\\WSSADMIN.EXE",
         false},
        {"32-bit Windows: no 64-bit variable", kUnset, common32 + extensions + L"14\\Bin\\WSSADMIN.EXE", true},
        {"a blank 64-bit variable counts as not set", kBlank, common32 + extensions + L"12\\Bin\\WSSADMIN.EXE", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedEnvironment env64(L"CommonProgramW6432",
                                c.w6432 == kUnset ? nullptr : c.w6432 == kBlank ? L"  " : common64.c_str());
        ScopedEnvironment env32(L"CommonProgramFiles", common32.c_str());
        if (!c.planted.empty()) {
            SHCreateDirectoryExW(nullptr, ParentFolder(c.planted).c_str(), nullptr);
            test::WriteBytes(c.planted, "MZ");
        }
        EXPECT_EQ(IsSharePointInstalled(), c.installed);
        DeleteFolderTree(common64);
        DeleteFolderTree(common32);
    }
}

TEST(SharePointTool, CommandLineQuotesAProgramFolderWithBlanks) {
    EXPECT_EQ(SharePointToolCommandLine(L"C:\\Program Files\\Tessaron"),
              L"\"C:\\Program Files\\Tessaron\\OstrovaSharepoint.exe\" "
              L"\"DisplayTessaron/C:\\Program Files\\Tessaron\\VXCOMMON\\VXSharpointBkupSet.ini\"");
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(SharePointToolCommandLine(L"D:\\My Tools\\T 1").c_str(), &count);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(argv[0], L"D:\\My Tools\\T 1\\OstrovaSharepoint.exe");
    EXPECT_STREQ(argv[1], L"DisplayTessaron/D:\\My Tools\\T 1\\VXCOMMON\\VXSharpointBkupSet.ini");
    LocalFree(argv);
}

size_t toolCount() { return test::CountProcesses(kSharePointToolName); }
void endTools() { test::EndProcesses(kSharePointToolName); }

HCURSOR pointerOver(HWND window) {
    SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
}

class SharePointRunTest : public testing::Test {
protected:
    void SetUp() override {
        for (auto list : {ExchangeComponentFiles(), SqlComponentFiles()})
            for (auto p = list; *p; ++p) test::WriteBytes(folder_.path() + L"\\" + *p, "stand-in");
        ASSERT_TRUE(CopyFileW((test::BuildBinFolder() + L"\\" + kSharePointToolName).c_str(),
                              (folder_.path() + L"\\" + kSharePointToolName).c_str(), FALSE));
        CreateDirectoryW((folder_.path() + L"\\demo").c_str(), nullptr);
        // A tool that works for a minute: the run is looked at while it waits.
        test::WriteBytes(folder_.path() + L"\\demo\\demo.ini",
                         "[Demo]\r\nJournal=journal.txt\r\n[Faults]\r\nOstrovaSharepoint=slow:60\r\n"
                         "[SharePointContent:c]\r\nSize=1 KB\r\n");
        const std::wstring admin = common_.path() + L"\\Microsoft Shared\\Web Server Extensions\\12\\Bin";
        SHCreateDirectoryExW(nullptr, admin.c_str(), nullptr);
        test::WriteBytes(admin + L"\\WSSADMIN.EXE", "MZ");
        SetMessageHookForTesting([this](const MessageCall& call) {
            messages_.push_back(call.text);
            return kResultOk;
        });
    }
    void TearDown() override {
        endTools();
        SetMessageHookForTesting(nullptr);
    }

    std::unique_ptr<FrmAdvancedBackup> openMain() {
        auto main = std::make_unique<FrmAdvancedBackup>();
        EXPECT_TRUE(main->createModeless(nullptr, SW_SHOWNOACTIVATE));
        return main;
    }
    size_t toolStarts() const {
        return SplitFullText(FromUTF8(test::ReadBytes(folder_.path() + L"\\demo\\journal.txt")), L"\tcmd\t").size() - 1;
    }
    bool waitForTool() {
        return test::WaitFor([] { return toolCount() == 1; }, 20000);
    }

    test::ScopedProgramFolder folder_{L"sprun"};
    test::TempDir common_{L"spcommon"};
    ScopedEnvironment env64_{L"CommonProgramW6432", common_.path().c_str()};
    ScopedEnvironment demo_{L"TESSARON_DEMO", nullptr};
    std::vector<std::wstring> messages_;
};

TEST_F(SharePointRunTest, HourglassWhileTheToolRunsASecondPressStartsNothingAndItsEndBringsThePointerBack) {
    auto main = openMain();
    main->sharePointAction();
    ASSERT_TRUE(waitForTool());
    EXPECT_TRUE(SharePointTransferRunning(main->hwnd()));
    EXPECT_EQ(pointerOver(main->hwnd()), LoadCursor(nullptr, IDC_WAIT));

    main->sharePointAction();
    EXPECT_EQ(toolCount(), 1u);
    EXPECT_TRUE(test::WaitFor([&] { return toolStarts() == 1; }, 10000));

    endTools();
    EXPECT_TRUE(test::WaitFor([&] { return !SharePointTransferRunning(main->hwnd()); }, 5000));
    EXPECT_EQ(pointerOver(main->hwnd()), LoadCursor(nullptr, IDC_ARROW));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(SharePointRunTest, ClosingTheProgramLeavesTheToolAtWorkAndTheNextSessionWaitsForIt) {
    auto main = openMain();
    main->sharePointAction();
    ASSERT_TRUE(waitForTool());
    DestroyWindow(main->hwnd());
    test::PumpMessages();
    EXPECT_EQ(toolCount(), 1u);

    auto next = openMain();
    next->sharePointAction();
    EXPECT_TRUE(SharePointTransferRunning(next->hwnd()));
    EXPECT_EQ(toolCount(), 1u);
    EXPECT_EQ(toolStarts(), 1u);
    EXPECT_EQ(ReadFirstLine(folder_.common(L"VXShpstatus.txt")), L"1");  // the running tool's files stay
    endTools();
    EXPECT_TRUE(test::WaitFor([&] { return !SharePointTransferRunning(next->hwnd()); }, 5000));
}

TEST_F(SharePointRunTest, TimeLimitAndEscEndTheToolWithAMessageAndALogLine) {
    struct Case {
        const char* what;
        const wchar_t* limitSeconds;
        bool escape;
        const wchar_t* message;
    } cases[] = {
        {"time limit", L"2", false, L"The SharePoint Server data transfer did not finish within 2 seconds and was stopped."},
        {"Esc", L"", true, L"The SharePoint Server data transfer was cancelled."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        messages_.clear();
        Trf_WriteUserProfile(L"SharePointWaitSeconds", c.limitSeconds);
        auto main = openMain();
        main->sharePointAction();
        ASSERT_TRUE(waitForTool());
        if (c.escape) SendMessageW(main->hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(test::WaitFor([&] { return !SharePointTransferRunning(main->hwnd()); }, 10000));
        EXPECT_EQ(toolCount(), 0u);
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0], c.message);
        EXPECT_NE(FromAnsi(test::ReadBytes(folder_.common(L"VXWLogFile.txt"))).find(c.message), std::wstring::npos);
    }
}

}  // namespace
}  // namespace tess
