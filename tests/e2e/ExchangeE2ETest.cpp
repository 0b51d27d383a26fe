// The Exchange transfer end to end: the real Tessaron.exe and the stand-in helpers in a program
// folder of the test's own, driven through their windows by the demo driver (the user scripts/demo
// plays), checked by the files they leave, the helpers' journal and the messages shown.
//
// They run in a demo machine (the ctest entry test_e2e_exchange_demo_machine prepares one): the
// destination is its removable drive E:, the full-destination case uses its small drive F:.
// Each test installs the Exchange version it needs (exifs.sys or the esebcli2 library).
#include <windows.h>
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
#include "support/WindowDriving.h"

namespace tess::test {
namespace {

constexpr char kDemo[] =
    "[Demo]\r\nComputerName=DEMOSRV\r\nJournal=journal.txt\r\n\r\n"
    "[Exchange]\r\nServer=DEMOSRV\r\nAdminGroup=First Administrative Group\r\n"
    "[StorageGroup:sg1]\r\nName=First Storage Group\r\n[StorageGroup:sg2]\r\nName=Second Group\r\n"
    "[Store:mbx]\r\nGroup=sg1\r\nName=Mailbox Store\r\nSize=3 MB\r\n"
    "[Store:pub]\r\nGroup=sg1\r\nName=Public Store\r\nSize=1 MB\r\n"
    "[Store:arch]\r\nGroup=sg2\r\nName=Archive\r\nSize=2 MB\r\n"
    "[Store:bad]\r\nGroup=sg2\r\nName=Broken Store\r\nFault=fail:The store is dismounted.\r\n";

const wchar_t kDllPaths[] = L"SYSTEM\\CurrentControlSet\\Control\\BackupRestore\\DllPaths";

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

DWORD processId(const wchar_t* exe) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD pid = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !pid; more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, exe) == 0) pid = entry.th32ProcessID;
    CloseHandle(snapshot);
    return pid;
}

void endProcesses(const wchar_t* exe) {
    while (DWORD pid = processId(exe)) {
        HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!h) return;
        TerminateProcess(h, 1);
        WaitForSingleObject(h, 5000);
        CloseHandle(h);
    }
}

struct DriverRun {
    int exitCode = -1;
    std::string output;
};

class ExchangeEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring drive = removableDrive(false);
        if (drive.empty()) GTEST_SKIP() << "needs a demo machine (ctest -R test_e2e_exchange_demo_machine)";
        program_ = dir_.path() + L"\\Tess Prog";
        CreateDirectoryW(program_.c_str(), nullptr);
        CreateDirectoryW((program_ + L"\\demo").c_str(), nullptr);
        WIN32_FIND_DATAW found{};
        HANDLE find = FindFirstFileW((BuildBinFolder() + L"\\*").c_str(), &found);
        ASSERT_NE(find, INVALID_HANDLE_VALUE);
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                CopyFileW((BuildBinFolder() + L"\\" + found.cFileName).c_str(), (program_ + L"\\" + found.cFileName).c_str(),
                          FALSE);
        } while (FindNextFileW(find, &found));
        FindClose(find);
        SetEnvironmentVariableW(L"TESSARON_DEMO", nullptr);
        SetProgramFolderForTesting(program_);
        EnsureCommonDataFolder();
        demo(kDemo);
        destination_ = drive + L"\\TessExchE2E-" + std::to_wstring(GetCurrentProcessId());
        temporary_ = dir_.path() + L"\\Exch Temp";
    }

    void TearDown() override {
        for (const wchar_t* exe : {L"exchange_demo_driver.exe", L"Tessaron.exe", L"ostrovaExchBkp_tessaron.exe",
                                   L"ostrova64ExchBkp_tessaron.exe", L"ostrova2010ExchBkp_tessaron.exe"})
            endProcesses(exe);
        if (!destination_.empty()) DeleteFolderTree(destination_);
        SetProgramFolderForTesting(L"");
    }

    void demo(const std::string& text) { WriteBytes(program_ + L"\\demo\\demo.ini", text); }

    // Installs the files by which the program recognises the version (0: none).
    static void installExchange(int version) {
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        const std::wstring exifs = std::wstring(system) + L"\\drivers\\exifs.sys";
        const std::wstring standins = BuildBinFolder() + L"\\..\\standins\\";
        DeleteFileW(exifs.c_str());
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDllPaths, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        RegDeleteValueW(key, L"esebcli2");
        if (version == 2000 || version == 2003) {
            CreateDirectoryW((std::wstring(system) + L"\\drivers").c_str(), nullptr);
            CopyFileW((standins + L"exifs-" + std::to_wstring(version) + L".sys").c_str(), exifs.c_str(), FALSE);
        } else if (version) {
            const std::wstring library = standins + L"esebcli2-" + std::to_wstring(version) + L".dll";
            RegSetValueExW(key, L"esebcli2", 0, REG_SZ, reinterpret_cast<const BYTE*>(library.c_str()),
                           static_cast<DWORD>((library.size() + 1) * sizeof(wchar_t)));
        }
        RegCloseKey(key);
    }

    // Runs the demo driver to the end (its output goes to a file); with `during`, calls it every
    // 100 ms until it returns true.
    DriverRun drive(const std::wstring& destination, const std::function<bool()>& during = nullptr) {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        const std::wstring outputFile = dir_.file(L"driver.txt");
        HANDLE output = CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = output;
        PROCESS_INFORMATION pi{};
        std::wstring line = L"\"" + BuildBinFolder() + L"\\..\\tests\\exchange_demo_driver.exe\" \"" + program_ + L"\" \"" +
                            temporary_ + L"\" \"" + destination + L"\"";
        DriverRun run;
        const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
        CloseHandle(output);
        if (!started) return run;
        for (bool done = !during; WaitForSingleObject(pi.hProcess, 100) != WAIT_OBJECT_0;)
            if (!done) done = during();
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        run.exitCode = static_cast<int>(code);
        run.output = ReadBytes(outputFile);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        return run;
    }

    std::wstring journal() const { return FromUTF8(ReadBytes(program_ + L"\\demo\\journal.txt")); }
    std::string report() const { return ReadBytes(program_ + L"\\VXCOMMON\\Log_trace.txt"); }

    TempDir dir_{L"exe2e"};
    std::wstring program_, destination_, temporary_;
};

// Every version: the helper's set arrives byte for byte, the store that fails is reported and
// the others still ship, and the journal holds each helper line as the program must build it.
TEST_F(ExchangeEndToEnd, EachVersionShipsTheHelpersSetByteForByte) {
    const std::wstring set = L"\\OstrovaExchBackupset\\";
    struct Case {
        int version;
        const wchar_t* helper;
        const wchar_t* presence;
        std::vector<const wchar_t*> files;
    } cases[] = {
        {2003, L"ostrovaExchBkp_tessaron.exe", L" 3",
         {L"First Storage Group\\Mailbox Store.edb", L"First Storage Group\\Public Store.edb", L"Second Group\\Archive.edb"}},
        {2007, L"ostrova64ExchBkp_tessaron.exe", L" 3",
         {L"First Storage Group\\Mailbox Store.edb", L"First Storage Group\\Public Store.edb", L"Second Group\\Archive.edb"}},
        {2010, L"ostrova2010ExchBkp_tessaron.exe", L" 0",
         {L"Mailbox Store\\Mailbox Store.edb", L"Archive\\Archive.edb"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        installExchange(c.version);
        DeleteFileW((program_ + L"\\demo\\journal.txt").c_str());
        DeleteFolderTree(temporary_);
        DeleteFolderTree(destination_);
        const DriverRun run = drive(destination_);
        EXPECT_EQ(run.exitCode, 0) << run.output;
        for (const wchar_t* file : c.files) {
            SCOPED_TRACE(file);
            const std::string sent = ReadBytes(temporary_ + set + file);
            EXPECT_GT(sent.size(), 1000u);
            EXPECT_EQ(ReadBytes(destination_ + set + file), sent);
        }
        EXPECT_EQ(ReadBytes(destination_ + set + L"ExchBackupINI.ini"), ReadBytes(temporary_ + set + L"ExchBackupINI.ini"));
        EXPECT_EQ(Trf_ReadUserProfile(L"ExchVersion"), std::to_wstring(c.version));

        // The journal: the presence, the information and the backup run, each line as specified.
        const std::wstring quotedShort = L"\"" + ShortPath(program_) + L"\\" + c.helper + L"\"";
        const std::wstring work = ShortPath(temporary_) + L"\\";
        std::wstring backup = quotedShort + L" 1" + work;
        std::wstring presence = L"\"" + program_ + L"\\" + c.helper + L"\"" + c.presence;
        if (c.version == 2010) {
            backup = quotedShort + L" 1 \"" + program_ + L"\\VXCOMMON\\\\TmpExchangeBackupSet.txt\" \"" + work +
                     L"OstrovaExchBackupset\\\\\"";
            backup = ReplaceAll(backup, L"\\", L"\\\\");
            presence = ReplaceAll(presence, L"\\", L"\\\\");
        }
        const std::wstring log = journal();
        EXPECT_NE(log.find(L"\tcmd\t" + presence + L"\r\n"), std::wstring::npos) << log;
        EXPECT_NE(log.find(L"\tcmd\t" + backup + L"\r\n"), std::wstring::npos) << log;

        const std::string text = report();
        EXPECT_NE(text.find("data transfer of database 'Broken Store' failed: The store is dismounted."), std::string::npos)
            << text;
        EXPECT_FALSE(PathExists(destination_ + set + L"Second Group\\Broken Store.edb"));
        EXPECT_NE(text.find("Completed Shipping database file  Archive.edb to " + ToAnsi(destination_)), std::string::npos);
    }
}

TEST_F(ExchangeEndToEnd, HangingHelperIsEndedByItsLimitAndByEsc) {
    installExchange(2010);
    // The store's fault acts in the backup run only: the presence and information runs answer.
    demo(std::string(kDemo) + "[Store:stuck]\r\nName=Stuck Store\r\nFault=hang\r\n");
    for (bool byEsc : {false, true}) {
        SCOPED_TRACE(byEsc ? "Esc" : "limit");
        DeleteFileW((program_ + L"\\demo\\journal.txt").c_str());
        Trf_WriteUserProfile(L"ExchBackupWaitSeconds", byEsc ? L"600" : L"3");
        const DriverRun run = drive(destination_, [&] {
            if (!byEsc || journal().find(L"\tfault\thang") == std::wstring::npos) return false;
            const DWORD pid = processId(L"Tessaron.exe");
            HWND wizard = pid ? FindTopWindow(pid, L"frmExchange") : nullptr;
            if (wizard) PostMessageW(wizard, WM_KEYDOWN, VK_ESCAPE, 0);
            return wizard != nullptr;
        });
        EXPECT_EQ(run.exitCode, 2) << run.output;
        EXPECT_NE(run.output.find(byEsc ? "was cancelled" : "did not finish within 3 seconds"), std::string::npos)
            << run.output;
        EXPECT_EQ(processId(L"ostrova2010ExchBkp_tessaron.exe"), 0u);
        EXPECT_FALSE(PathExists(destination_ + L"\\OstrovaExchBackupset"));
    }
}

TEST_F(ExchangeEndToEnd, FullDestinationGives574AndShipsNothing) {
    const std::wstring small = removableDrive(true);
    if (small.empty()) GTEST_SKIP() << "no small removable drive in this prefix (scripts/demo-machine makes F:)";
    installExchange(2003);
    demo(std::string(kDemo) + "[Store:big]\r\nGroup=sg2\r\nName=Big Store\r\nSize=40 MB\r\n");
    const std::wstring destination = small + L"\\TessExch";
    const DriverRun run = drive(destination);
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(run.output.find("message: Insufficient disk space to ship the data"), std::string::npos) << run.output;
    EXPECT_FALSE(PathExists(destination + L"\\OstrovaExchBackupset"));
    DeleteFolderTree(destination);
}

TEST_F(ExchangeEndToEnd, NoExchangeGives399AndNoServerGives400) {
    struct Case {
        int version;
        const char* demoText;
        const char* message;
    } cases[] = {
        {0, kDemo, "message: Unable to continue with the MS Exchange Server backup operation."},
        {2007, "[Demo]\r\nJournal=journal.txt\r\n[Exchange]\r\nPresent=0\r\n",
         "message: Unable to retrieve the information from the MS Exchange Server."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        installExchange(c.version);
        demo(c.demoText);
        const DriverRun run = drive(destination_);
        EXPECT_EQ(run.exitCode, 3) << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
    }
}

}  // namespace
}  // namespace tess::test
