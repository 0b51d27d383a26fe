// The SQL Server transfer end to end: the real Tessaron.exe and the stand-in companion tools in a
// program folder of the test's own, driven through their windows from this process (controls are
// found by their AutomationId property), checked by the files they leave and the tools' journal.
//
// They run in a demo machine (scripts/demo-machine; the ctest entry test_e2e_sql_demo_machine
// prepares one): the destination is its removable drive E:, and the full-destination case uses
// its small drive F: (skipped where mounting it was not permitted).
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/Files.h"
#include "common/Helpers.h"
#include "common/ProgramPaths.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "support/TestSupport.h"

namespace tess::test {
namespace {

constexpr DWORD kWindowTimeoutMs = 60000;

std::wstring automationIdOf(HWND hwnd) {
    auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropW(hwnd, L"AutomationId")));
    if (!atom) return {};
    wchar_t name[256] = {};
    GlobalGetAtomNameW(atom, name, 256);
    return name;
}

// A visible top-level window of the process with that design name.
HWND findTop(DWORD pid, const std::wstring& name) {
    struct Search {
        DWORD pid;
        const std::wstring* name;
        HWND found;
    } search{pid, &name, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid && IsWindowVisible(hwnd) && automationIdOf(hwnd) == *s->name) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND findChild(HWND parent, const std::wstring& name) {
    struct Search {
        const std::wstring* name;
        HWND found;
    } search{&name, nullptr};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (automationIdOf(hwnd) == *s->name) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring textOf(HWND hwnd) {
    wchar_t buffer[1024] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, &result);
    return buffer;
}

void setText(HWND hwnd, const std::wstring& text) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000, &result);
}

// Image buttons act on the release of the left button over them, as for a user.
void click(HWND button) {
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

// A removable drive of this prefix with at least / at most this much room, or empty.
std::wstring removableDrive(bool small) {
    for (wchar_t letter = L'D'; letter <= L'Z'; ++letter) {
        const std::wstring root = std::wstring(1, letter) + L":\\";
        if (GetDriveTypeW(root.c_str()) != DRIVE_REMOVABLE) continue;
        ULARGE_INTEGER free{}, total{};
        if (!GetDiskFreeSpaceExW(root.c_str(), &free, &total, nullptr)) continue;
        const bool isSmall = total.QuadPart < (256ull << 20);
        if (isSmall == small) return root.substr(0, 2);
    }
    return {};
}

struct JournalLine {
    std::wstring tool, kind, text;
};

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
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            CopyFileW((BuildBinFolder() + L"\\" + found.cFileName).c_str(), (program_ + L"\\" + found.cFileName).c_str(),
                      FALSE);
        } while (FindNextFileW(find, &found));
        FindClose(find);
        ASSERT_TRUE(FileExists(program_ + L"\\Tessaron.exe"));
        // The tools read <program folder>\demo\demo.ini when no other description is named.
        SetEnvironmentVariableW(L"TESSARON_DEMO", nullptr);
        SetProgramFolderForTesting(program_);
        EnsureCommonDataFolder();

        const std::wstring drive = removableDrive(false);
        if (drive.empty()) GTEST_SKIP() << "needs a demo machine with a removable drive (ctest -R test_e2e_sql_demo_machine)";
        destination_ = drive + L"\\TessE2E-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(destination_.c_str(), nullptr);
        temporary_ = dir_.path() + L"\\SQL Temp";
    }

    void TearDown() override {
        if (process_) {
            TerminateProcess(process_, 0);
            WaitForSingleObject(process_, 10000);
            CloseHandle(process_);
        }
        for (const wchar_t* tool : {L"ostrova_sqlbackup_tessaron.exe", L"vxsqldblist_tessaron.exe"}) endTool(tool);
        if (!destination_.empty()) DeleteFolderTree(destination_);
        SetProgramFolderForTesting(L"");
    }

    static void endTool(const wchar_t* name) {
        // Without the program's own process control (this test links only the shared services).
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
            if (_wcsicmp(entry.szExeFile, name) != 0) continue;
            if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
                TerminateProcess(h, 1);
                WaitForSingleObject(h, 5000);
                CloseHandle(h);
            }
        }
        CloseHandle(snapshot);
    }

    static bool toolRunning(const wchar_t* name) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        bool running = false;
        for (BOOL more = Process32FirstW(snapshot, &entry); more && !running; more = Process32NextW(snapshot, &entry))
            running = _wcsicmp(entry.szExeFile, name) == 0;
        CloseHandle(snapshot);
        return running;
    }

    void demo(const std::string& databases) {
        const std::string ini = "[Demo]\r\nJournal=journal.txt\r\n\r\n[Instance:MSSQLSERVER]\r\nLogin.sa=Demo#2026\r\n\r\n" + databases;
        WriteBytes(program_ + L"\\demo\\demo.ini", ini);
    }

    std::vector<JournalLine> journal() const {
        std::vector<JournalLine> lines;
        for (const auto& line : SplitLines(FromUTF8(ReadBytes(program_ + L"\\demo\\journal.txt")))) {
            const auto fields = SplitFullText(line, L"\t");
            if (fields.size() >= 5) lines.push_back({fields[1], fields[3], fields[4]});
        }
        return lines;
    }

    std::vector<std::wstring> commandLines(const std::wstring& tool) const {
        std::vector<std::wstring> out;
        for (const auto& l : journal())
            if (l.tool == tool && l.kind == L"cmd") out.push_back(l.text);
        return out;
    }

    HWND waitTop(const std::wstring& name, DWORD timeoutMs = kWindowTimeoutMs) {
        HWND found = nullptr;
        WaitFor([&] { return (found = findTop(pid_, name)) != nullptr; }, timeoutMs);
        return found;
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
        click(findChild(main, L"CmdSQLServerBackup"));
        HWND login = waitTop(L"frmSQLSvrLogin");
        if (!login) return nullptr;
        setText(findChild(login, L"TxtSQLSrvrName"), L"(local)");
        click(findChild(login, L"CmdSQLLogin"));
        return waitTop(L"frmSQLDataList");
    }

    // Starts the transfer and answers the message boxes until the one whose text starts with
    // `last` (answered No); the texts shown, in order.
    std::vector<std::wstring> transfer(HWND window, const std::wstring& last, DWORD timeoutMs = 120000) {
        setText(findChild(window, L"Tempfolder_txt"), temporary_);
        setText(findChild(window, L"txtDestination"), destination_);
        click(findChild(window, L"CmdSQLNext"));
        return answerMessages(last, timeoutMs);
    }

    std::vector<std::wstring> answerMessages(const std::wstring& last, DWORD timeoutMs) {
        std::vector<std::wstring> texts;
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        while (GetTickCount64() < deadline) {
            HWND box = waitTop(L"MesgBox", static_cast<DWORD>(deadline - GetTickCount64()));
            if (!box) break;
            // The box shows a short text on one line and a longer one wrapped: the visible label.
            HWND label = findChild(box, L"lblText");
            if (!label || !IsWindowVisible(label)) label = findChild(box, L"lblSmallText");
            // A wrapped text is laid out with leading line breaks; the message starts after them.
            std::wstring text = textOf(label);
            text.erase(0, text.find_first_not_of(L"\r\n "));
            texts.push_back(text);
            HWND answer = nullptr;
            for (const wchar_t* name : {L"cmdButton0", L"cmdButton1", L"cmdButton2"}) {
                HWND b = findChild(box, name);
                if (b && IsWindowVisible(b) && (textOf(b) == L"No" || textOf(b) == L"OK")) answer = b;
            }
            click(answer ? answer : box);
            WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 10000);
            if (text.rfind(last, 0) == 0) break;
        }
        return texts;
    }

    std::string logTrace() const { return ReadBytes(program_ + L"\\VXCOMMON\\Log_trace.txt"); }
    std::wstring shipped(const std::wstring& db) const { return destination_ + L"\\[" + db + L"].dmp"; }
    std::wstring dump(const std::wstring& db) const { return temporary_ + L"\\OSTROVASQLTEMP\\[" + db + L"].dmp"; }

    TempDir dir_{L"e2esql"};
    std::wstring program_, destination_, temporary_;
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

const wchar_t kQuestion570[] = L"Do you want to view the logs for the MS SQL Server data transfer?";

TEST_F(SqlEndToEnd, TwoDatabasesArriveWholeOnTheDestination) {
    std::string source(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>((i * 2654435761u) >> 13);
    WriteBytes(dir_.path() + L"\\north.bak", source);
    demo("[Database:master]\r\nSize=5 MB\r\n\r\n[Database:north]\r\nName=North Wind\r\nSource=file:" +
         ToAnsi(dir_.path()) + "\\north.bak\r\n\r\n[Database:tempdb]\r\nSize=1 MB\r\n");

    HWND window = openDatabaseWindow();
    ASSERT_TRUE(window) << "the database window did not open";
    const auto texts = transfer(window, kQuestion570);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.size(), 1u) << ToAnsi(texts[0]);
    EXPECT_EQ(texts.back().rfind(kQuestion570, 0), 0u) << "[" << ToAnsi(texts.back()) << "]";

    EXPECT_EQ(ReadBytes(shipped(L"North Wind")), source);
    EXPECT_EQ(FileSize(shipped(L"master")), 5u << 20);
    EXPECT_EQ(ReadBytes(shipped(L"master")), ReadBytes(dump(L"master")));
    EXPECT_FALSE(FileExists(shipped(L"tempdb")));

    // The tools' command lines, exactly as laid out.
    const auto lists = commandLines(L"vxsqldblist_tessaron");
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_TRUE(EndsWith(lists[0], L" 2(local)<<<<")) << ToAnsi(lists[0]);
    const auto backups = commandLines(L"ostrova_sqlbackup_tessaron");
    ASSERT_EQ(backups.size(), 2u);
    const std::wstring dumpShort = ShortPath(temporary_ + L"\\OSTROVASQLTEMP");
    const std::wstring commonShort = ShortPath(program_ + L"\\VXCOMMON");
    const wchar_t* names[] = {L"master", L"North Wind"};
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(ToAnsi(names[i]));
        const std::wstring items = L" \"1\" \"(local)\" \"[" + std::wstring(names[i]) + L"]\" \"\" \"\" \"" + dumpShort +
                                   L"\" \"" + commonShort +
                                   L"\" SQLBackupLog.txt SQLErrorBackupFile.txt sqlserverstatus.txt "
                                   L"SQLBackupTraceFile.txt  \"\" \"\" \"\"";
        EXPECT_TRUE(EndsWith(backups[i], items)) << ToAnsi(backups[i]) << "\n" << ToAnsi(items);
    }

    const std::string trace = logTrace();
    for (const char* db : {"master", "North Wind"}) {
        SCOPED_TRACE(db);
        EXPECT_NE(trace.find(std::string("Started shipping database '") + db + "' to " + ToAnsi(destination_)),
                  std::string::npos) << trace;
        EXPECT_NE(trace.find(std::string("Completed shipping database '") + db + "' to " + ToAnsi(destination_)),
                  std::string::npos);
    }
    EXPECT_FALSE(FileExists(program_ + L"\\VXCOMMON\\VXWLogFile.txt"));  // cleared at the end of the run
}

TEST_F(SqlEndToEnd, FailingBackupIsLoggedAndTheOthersStillShip) {
    demo("[Database:bad]\r\nSize=1 MB\r\nFault=fail:Backup failed: the database is offline.\r\n\r\n"
         "[Database:good]\r\nSize=2 MB\r\n");
    HWND window = openDatabaseWindow();
    ASSERT_TRUE(window);
    const auto texts = transfer(window, kQuestion570);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back().rfind(kQuestion570, 0), 0u);
    EXPECT_TRUE(FileExists(shipped(L"good")));
    EXPECT_FALSE(FileExists(shipped(L"bad")));
    const std::string trace = logTrace();
    EXPECT_NE(trace.find("Backup failed: the database is offline."), std::string::npos) << trace;
    EXPECT_NE(trace.find("Completed shipping database 'good'"), std::string::npos);
    EXPECT_EQ(trace.find("shipping database 'bad'"), std::string::npos);
}

TEST_F(SqlEndToEnd, HangingBackupIsEndedByTheTimeLimit) {
    Trf_WriteUserProfile(L"SQLBackupWaitSeconds", L"3");
    demo("[Database:stuck]\r\nSize=1 MB\r\nFault=hang\r\n\r\n[Database:after]\r\nSize=1 MB\r\n");
    HWND window = openDatabaseWindow();
    ASSERT_TRUE(window);
    const auto texts = transfer(window, kQuestion570);
    ASSERT_GE(texts.size(), 2u);
    EXPECT_NE(texts[0].find(L"'stuck' did not finish within 3 seconds"), std::wstring::npos) << ToAnsi(texts[0]);
    EXPECT_EQ(texts.back().rfind(kQuestion570, 0), 0u);
    EXPECT_TRUE(FileExists(shipped(L"after")));
    EXPECT_FALSE(FileExists(shipped(L"stuck")));
    EXPECT_FALSE(toolRunning(L"ostrova_sqlbackup_tessaron.exe"));
    EXPECT_NE(logTrace().find("did not finish within the time limit"), std::string::npos);
}

TEST_F(SqlEndToEnd, HangingBackupIsEndedByEscape) {
    demo("[Database:stuck]\r\nSize=1 MB\r\nFault=hang\r\n\r\n[Database:never]\r\nSize=1 MB\r\n");
    HWND window = openDatabaseWindow();
    ASSERT_TRUE(window);
    setText(findChild(window, L"Tempfolder_txt"), temporary_);
    setText(findChild(window, L"txtDestination"), destination_);
    click(findChild(window, L"CmdSQLNext"));
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const auto& l : journal())
                if (l.tool == L"ostrova_sqlbackup_tessaron" && l.kind == L"fault") return true;
            return false;
        },
        30000));
    EXPECT_FALSE(IsWindowEnabled(findChild(window, L"CmdSQLNext")));
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    const auto texts = answerMessages(L"The MS SQL Server data transfer was cancelled", 30000);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_FALSE(toolRunning(L"ostrova_sqlbackup_tessaron.exe"));
    EXPECT_EQ(commandLines(L"ostrova_sqlbackup_tessaron").size(), 1u);  // "never" was not started
    EXPECT_FALSE(FileExists(shipped(L"stuck")));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(findChild(window, L"CmdSQLNext")) != FALSE; }, 10000));
}

TEST_F(SqlEndToEnd, FullDestinationGives574AndShipsNothing) {
    const std::wstring small = removableDrive(true);
    if (small.empty()) GTEST_SKIP() << "no small removable drive in this prefix (scripts/demo-machine makes F:)";
    DeleteFolderTree(destination_);
    destination_ = small + L"\\TessE2E-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(destination_.c_str(), nullptr);
    demo("[Database:huge]\r\nSize=64 MB\r\n\r\n[Database:tiny]\r\nSize=1 MB\r\n");
    HWND window = openDatabaseWindow();
    ASSERT_TRUE(window);
    const auto texts = transfer(window, L"Insufficient disk space to ship the data");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], L"Insufficient disk space to ship the data");
    EXPECT_FALSE(FileExists(shipped(L"huge")));
    EXPECT_FALSE(FileExists(shipped(L"tiny")));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(findChild(window, L"CmdSQLNext")) != FALSE; }, 10000));
}

}  // namespace
}  // namespace tess::test
