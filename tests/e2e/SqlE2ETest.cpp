// The SQL Server transfer end to end: the real Tessaron.exe and the stand-in companion tools in a
// program folder of the test's own, driven through their windows from this process (controls are
// found by their AutomationId property), checked by the files they leave and the tools' journal.
//
// They run in a demo machine (scripts/demo-machine; the ctest entry test_e2e_sql_demo_machine
// prepares one): the destination is its removable drive E:, and the full-destination case uses
// its small drive F: (skipped where mounting it was not permitted).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Files.h"
#include "common/Helpers.h"
#include "common/Process.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/Window.h"

namespace tess::test {
namespace {

constexpr DWORD kWindowTimeoutMs = 60000;
const wchar_t kBackupTool[] = L"ostrova_sqlbackup_tessaron.exe";
const wchar_t kQuestion570[] = L"Do you want to view the logs for the MS SQL Server data transfer?";

// A removable drive of this prefix, small (under 256 MB) or not, or empty.
std::wstring removableDrive(bool small) {
    for (wchar_t letter = L'D'; letter <= L'Z'; ++letter) {
        const std::wstring root = std::wstring(1, letter) + L":\\";
        ULARGE_INTEGER free{}, total{};
        if (GetDriveTypeW(root.c_str()) != DRIVE_REMOVABLE || !GetDiskFreeSpaceExW(root.c_str(), &free, &total, nullptr))
            continue;
        if ((total.QuadPart < (256ull << 20)) == small) return root.substr(0, 2);
    }
    return {};
}

class SqlEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = dir_.path() + L"\\Tess Prog";
        CreateDirectoryW(program_.c_str(), nullptr);
        CreateDirectoryW((program_ + L"\\demo").c_str(), nullptr);
        // The program folder of the build: the program, the companion tools and the help file.
        WIN32_FIND_DATAW found{};
        HANDLE find = FindFirstFileW((BuildBinFolder() + L"\\*").c_str(), &found);
        ASSERT_NE(find, INVALID_HANDLE_VALUE);
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                CopyFileW((BuildBinFolder() + L"\\" + found.cFileName).c_str(), (program_ + L"\\" + found.cFileName).c_str(),
                          FALSE);
        } while (FindNextFileW(find, &found));
        FindClose(find);
        // The tools read <program folder>\demo\demo.ini when no other description is named.
        SetEnvironmentVariableW(L"TESSARON_DEMO", nullptr);
        SetProgramFolderForTesting(program_);
        EnsureCommonDataFolder();

        const std::wstring drive = removableDrive(false);
        if (drive.empty()) GTEST_SKIP() << "needs a demo machine with a removable drive (ctest -R test_e2e_sql_demo_machine)";
        useDestinationOn(drive);
        temporary_ = dir_.path() + L"\\SQL Temp";
    }

    void TearDown() override {
        if (process_) {
            TerminateProcess(process_, 0);
            WaitForSingleObject(process_, 10000);
            CloseHandle(process_);
        }
        WaitFor([] { return !FindProcess(kBackupTool, true, 6) || !FindProcess(kBackupTool, false, 6); }, 5000);
        if (!destination_.empty()) DeleteFolderTree(destination_);
        SetProgramFolderForTesting(L"");
    }

    void useDestinationOn(const std::wstring& drive) {
        if (!destination_.empty()) DeleteFolderTree(destination_);
        destination_ = drive + L"\\TessE2E-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(destination_.c_str(), nullptr);
    }

    void demo(const std::string& databases) {
        WriteBytes(program_ + L"\\demo\\demo.ini",
                   "[Demo]\r\nJournal=journal.txt\r\n\r\n[Instance:MSSQLSERVER]\r\nLogin.sa=Demo#2026\r\n\r\n" + databases);
    }

    // The journal's records of one kind from one tool: their text field.
    std::vector<std::wstring> journal(const std::wstring& tool, const std::wstring& kind) const {
        std::vector<std::wstring> out;
        for (const auto& line : SplitLines(FromUTF8(ReadBytes(program_ + L"\\demo\\journal.txt")))) {
            const auto fields = SplitFullText(line, L"\t");
            if (fields.size() >= 5 && fields[1] == tool && fields[3] == kind) out.push_back(fields[4]);
        }
        return out;
    }

    HWND child(HWND window, const wchar_t* name) const { return FindByAutomationId(window, name); }
    HWND waitTop(const wchar_t* name, DWORD timeoutMs = kWindowTimeoutMs) const {
        return WaitForTopWindow(pid_, name, timeoutMs);
    }

    // Starts the program and goes through the main window and the login to the database window.
    HWND openDatabaseWindow() {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::wstring line = L"\"" + program_ + L"\\Tessaron.exe\"";
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, program_.c_str(), &si, &pi))
            return nullptr;
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        pid_ = pi.dwProcessId;
        HWND main = waitTop(L"FrmAdvancedBackup");
        if (!main) return nullptr;
        PostClick(child(main, L"CmdSQLServerBackup"));
        HWND login = waitTop(L"frmSQLSvrLogin");
        if (!login) return nullptr;
        SetRemoteText(child(login, L"TxtSQLSrvrName"), L"(local)");
        PostClick(child(login, L"CmdSQLLogin"));
        return waitTop(L"frmSQLDataList");
    }

    void startTransfer(HWND window) {
        SetRemoteText(child(window, L"Tempfolder_txt"), temporary_);
        SetRemoteText(child(window, L"txtDestination"), destination_);
        PostClick(child(window, L"CmdSQLNext"));
    }

    // Answers the message boxes (No or OK) until the one whose text starts with `last`; the texts
    // shown, in order.
    std::vector<std::wstring> answerMessages(const std::wstring& last, DWORD timeoutMs = 120000) {
        std::vector<std::wstring> texts;
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        while (GetTickCount64() < deadline) {
            HWND box = waitTop(L"MesgBox", static_cast<DWORD>(deadline - GetTickCount64()));
            if (!box) break;
            const std::wstring text = MessageBoxText(box);
            texts.push_back(text);
            HWND answer = NoOrOkButton(box);
            PostClick(answer ? answer : box);
            WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 10000);
            if (text.rfind(last, 0) == 0) break;
        }
        return texts;
    }

    bool transferEnabled(HWND window) const {
        return WaitFor([&] { return IsWindowEnabled(child(window, L"CmdSQLNext")) != FALSE; }, 10000);
    }
    std::string logTrace() const { return ReadBytes(program_ + L"\\VXCOMMON\\Log_trace.txt"); }
    std::wstring shipped(const std::wstring& db) const { return destination_ + L"\\[" + db + L"].dmp"; }

    TempDir dir_{L"e2esql"};
    std::wstring program_, destination_, temporary_;
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

TEST_F(SqlEndToEnd, DumpedDatabasesArriveWholeAndAFailedOneIsOnlyLogged) {
    std::string source(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>((i * 2654435761u) >> 13);
    WriteBytes(dir_.path() + L"\\north.bak", source);
    demo("[Database:master]\r\nSize=5 MB\r\n\r\n[Database:bad]\r\nSize=1 MB\r\n"
         "Fault=fail:Backup failed: the database is offline.\r\n\r\n[Database:north]\r\nName=North Wind\r\n"
         "Source=file:" + ToAnsi(dir_.path()) + "\\north.bak\r\n\r\n[Database:tempdb]\r\nSize=1 MB\r\n");
    HWND window = openDatabaseWindow();
    ASSERT_TRUE(window) << "the database window did not open";
    startTransfer(window);
    const auto texts = answerMessages(kQuestion570);
    ASSERT_EQ(texts.size(), 1u) << ToAnsi(texts[0]);
    EXPECT_EQ(texts[0].rfind(kQuestion570, 0), 0u) << ToAnsi(texts[0]);

    EXPECT_EQ(ReadBytes(shipped(L"North Wind")), source);
    EXPECT_EQ(FileSize(shipped(L"master")), 5u << 20);
    EXPECT_FALSE(FileExists(shipped(L"bad")));
    EXPECT_FALSE(FileExists(shipped(L"tempdb")));

    // What each tool received, argument by argument.
    const auto lists = journal(L"vxsqldblist_tessaron", L"cmd");
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(SplitCommandLine(lists[0]).back(), L"2(local)<<<<");
    const auto backups = journal(L"ostrova_sqlbackup_tessaron", L"cmd");
    ASSERT_EQ(backups.size(), 3u);
    const auto args = SplitCommandLine(backups[2]);
    ASSERT_EQ(args.size(), 15u) << ToAnsi(backups[2]);
    EXPECT_EQ(args[3], L"[North Wind]");
    EXPECT_EQ(args[6], ShortPath(temporary_ + L"\\OSTROVASQLTEMP"));
    EXPECT_EQ(args[7], ShortPath(program_ + L"\\VXCOMMON"));

    const std::string trace = logTrace();
    EXPECT_NE(trace.find("Backup failed: the database is offline."), std::string::npos) << trace;
    EXPECT_EQ(trace.find("shipping database 'bad'"), std::string::npos);
    for (const char* db : {"master", "North Wind"}) {
        SCOPED_TRACE(db);
        EXPECT_NE(trace.find(std::string("Completed shipping database '") + db + "' to " + ToAnsi(destination_)),
                  std::string::npos) << trace;
    }
    EXPECT_FALSE(FileExists(program_ + L"\\VXCOMMON\\VXWLogFile.txt"));  // cleared at the end of the run
}

TEST_F(SqlEndToEnd, HangingBackupIsEndedByEscape) {
    demo("[Database:stuck]\r\nSize=1 MB\r\nFault=hang\r\n\r\n[Database:never]\r\nSize=1 MB\r\n");
    HWND window = openDatabaseWindow();
    ASSERT_TRUE(window);
    startTransfer(window);
    ASSERT_TRUE(WaitFor([&] { return !journal(L"ostrova_sqlbackup_tessaron", L"fault").empty(); }, 30000));
    EXPECT_FALSE(IsWindowEnabled(child(window, L"CmdSQLNext")));
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(answerMessages(L"The MS SQL Server data transfer was cancelled", 30000).size(), 1u);
    EXPECT_FALSE(FindProcess(kBackupTool, false, 6));
    EXPECT_EQ(journal(L"ostrova_sqlbackup_tessaron", L"cmd").size(), 1u);  // "never" was not started
    EXPECT_FALSE(FileExists(shipped(L"stuck")));
    EXPECT_TRUE(transferEnabled(window));
}

TEST_F(SqlEndToEnd, FullDestinationGives574AndShipsNothing) {
    const std::wstring small = removableDrive(true);
    if (small.empty()) GTEST_SKIP() << "no small removable drive in this prefix (scripts/demo-machine makes F:)";
    useDestinationOn(small);
    demo("[Database:huge]\r\nSize=64 MB\r\n\r\n[Database:tiny]\r\nSize=1 MB\r\n");
    HWND window = openDatabaseWindow();
    ASSERT_TRUE(window);
    startTransfer(window);
    const auto texts = answerMessages(L"Insufficient disk space to ship the data");
    EXPECT_EQ(texts, std::vector<std::wstring>{L"Insufficient disk space to ship the data"});
    EXPECT_FALSE(FileExists(shipped(L"huge")));
    EXPECT_FALSE(FileExists(shipped(L"tiny")));
    EXPECT_TRUE(transferEnabled(window));
}

}  // namespace
}  // namespace tess::test
