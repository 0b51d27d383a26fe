// TessaronCmd.exe end to end: the real console program and the stand-in companion tools in a
// program folder of the test's own, in a demo machine (the ctest entry test_e2e_cli_demo_machine
// prepares one and then checks the report file against docs/run-report.schema.json and the
// shipped folder with sha256sum -c). The engine's rules have their own tests; here each exit
// code is reached once through the real tools.
#include <gtest/gtest.h>

#include "common/Settings.h"
#include "e2e/EndToEnd.h"
#include "transfer/Encryption.h"
#include "transfer/ShipmentKeys.h"

namespace tess::test {
namespace {

constexpr char kInstance[] = "[Demo]\r\nJournal=journal.txt\r\n\r\n[Instance:MSSQLSERVER]\r\nLogin.sa=Demo#2026\r\n\r\n";

class CliEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        TESS_NEEDS_DEMO_MACHINE(!RemovableDrive(false).empty(), "a removable drive (ctest -R test_e2e_cli_demo_machine)");
        ASSERT_TRUE(InstallProgramCopy(program_));
        destination_ = RemovableDrive(false) + L"\\TessCli-" + std::to_wstring(GetCurrentProcessId());
    }
    void TearDown() override {
        for (const wchar_t* exe : {L"TessaronCmd.exe", L"Tessaron.exe", L"ostrova_sqlbackup_tessaron.exe", L"ostrova64ExchBkp_tessaron.exe"})
            EndProcesses(exe);
        DeleteFolderTree(destination_);
        SetProgramFolderForTesting(L"");
    }

    void databases(const std::string& sections) { WriteBytes(program_ + L"\\demo\\demo.ini", kInstance + sections); }
    // A database whose dump is `bytes` of a pattern, as the backup tool finds it.
    std::string source(const std::wstring& name, size_t bytes) {
        std::string data(bytes, '\0');
        for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 2654435761u) >> 13);
        WriteBytes(dir_.path() + L"\\" + name + L".bak", data);
        return data;
    }
    std::string section(const std::string& name) const {
        return "[Database:" + name + "]\r\nSource=file:" + ToAnsi(dir_.path()) + "\\" + name + ".bak\r\n";
    }
    DriverRun cmd(std::vector<std::wstring> arguments, const std::function<bool(DWORD)>& during = nullptr) {
        return RunProgram(program_ + L"\\TessaronCmd.exe", arguments, dir_.file(L"cmd.txt"), during,
                          CREATE_NEW_CONSOLE | CREATE_NEW_PROCESS_GROUP);
    }
    DriverRun transfer(const std::wstring& destination, std::vector<std::wstring> more = {},
                       const std::function<bool(DWORD)>& during = nullptr) {
        std::vector<std::wstring> arguments{L"sql", L"transfer", L"--server", L"(local)", L"--temp", temporary_, L"--dest", destination};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return cmd(arguments, during);
    }

    // The ctest entry checks each kept report against the schema.
    static void keepReport(const std::wstring& report, const std::wstring& name) {
        if (const wchar_t* folder = _wgetenv(L"TESS_CLI_REPORTS")) CopyFileW(report.c_str(), (std::wstring(folder) + L"\\" + name + L".json").c_str(), FALSE);
    }

    TempDir dir_{L"e2ecli"};
    std::wstring program_ = dir_.path() + L"\\Tess Prog", temporary_ = dir_.path() + L"\\SQL Temp", destination_;
};

// --all ships byte-identical dumps, the report file holds each with its digest, and verify
// accepts the drive until a shipped file is altered. The ctest entry checks the report against
// the schema and the kept folder with sha256sum -c.
TEST_F(CliEndToEnd, TransferAllShipsVerifiedDumpsWithReportAndVerifyCatchesAnAlteredFile) {
    const std::string north = source(L"north", 3 * 1024 * 1024 + 17), south = source(L"south", 70001);
    databases(section("north") + section("south"));
    const std::wstring kept = RemovableDrive(false) + L"\\TessCli-Shipped", report = dir_.file(L"run.json");
    DeleteFolderTree(kept);
    const DriverRun run = transfer(kept, {L"--all", L"--report", report});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(ReadBytes(kept + L"\\[north].dmp"), north);
    EXPECT_EQ(ReadBytes(kept + L"\\[south].dmp"), south);
    const std::string json = ReadBytes(report);
    EXPECT_NE(json.find("\"schemaVersion\": 1"), std::string::npos) << json;
    EXPECT_NE(json.find("\"verified\": 2"), std::string::npos) << json;
    keepReport(report, L"sql");

    const std::wstring altered = destination_ + L"\\altered";
    CreateDirectoryW(destination_.c_str(), nullptr);
    CreateDirectoryW(altered.c_str(), nullptr);
    for (const wchar_t* name : {L"Tessaron-SHA256SUMS.txt", L"[north].dmp", L"[south].dmp"})
        CopyFileW((kept + L"\\" + name).c_str(), (altered + L"\\" + name).c_str(), FALSE);
    EXPECT_EQ(cmd({L"verify", altered}).exitCode, 0);
    std::string changed = south;
    changed[4096] ^= 1;
    WriteBytes(altered + L"\\[south].dmp", changed);
    const DriverRun verify = cmd({L"verify", altered});
    EXPECT_EQ(verify.exitCode, 1) << verify.output;
    EXPECT_NE(verify.output.find("[south].dmp: FAILED"), std::string::npos) << verify.output;
    EXPECT_EQ(verify.output.find("[north].dmp: FAILED"), std::string::npos) << verify.output;
}

// --all ships the 2007 helper's whole set byte for byte beside the store whose backup failed, which
// the exit code and the report give. The ctest entry checks the report and the manifest.
TEST_F(CliEndToEnd, ExchangeTransferAllShipsTheHelpersSet) {
    InstallExchange(2007);
    WriteBytes(program_ + L"\\demo\\demo.ini", kExchangeDemo);
    const std::wstring kept = RemovableDrive(false) + L"\\TessCli-Exchange", temporary = dir_.path() + L"\\Exch Temp";
    const std::wstring report = dir_.file(L"exchange.json"), set = L"\\OstrovaExchBackupset\\";
    DeleteFolderTree(kept);
    const DriverRun run = cmd({L"exchange", L"transfer", L"--all", L"--temp", temporary, L"--dest", kept, L"--keep-dumps", L"--report", report});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    for (const wchar_t* file : {L"First Storage Group\\Mailbox Store.edb", L"First Storage Group\\Public Store.edb",
                                L"Second Group\\Archive.edb", L"ExchBackupINI.ini"}) {
        SCOPED_TRACE(file);
        const std::string shipped = ReadBytes(kept + set + file);
        EXPECT_GT(shipped.size(), 100u);
        EXPECT_EQ(shipped, ReadBytes(temporary + set + file));
    }
    EXPECT_FALSE(PathExists(kept + set + L"Second Group\\Broken Store.edb"));
    EXPECT_NE(run.output.find("Broken Store"), std::string::npos) << run.output;
    keepReport(report, L"exchange");
}

// Ctrl+C on the console the run shares, pressed while the second database's dump hangs: the run
// ends with 4, the backup tool it started is ended, and the destination holds nothing partial
// (the first dump whole, or not at all); resume then finishes what it can.
TEST_F(CliEndToEnd, CtrlCCancelsTheRunEndsTheToolAndLeavesNothingPartial) {
    const std::string north = source(L"north", 3 * 1024 * 1024);
    databases(section("north") + "[Database:stuck]\r\nFault=hang\r\n");
    const std::wstring name = L"TessCliCtrlC-" + std::to_wstring(GetCurrentProcessId());
    HANDLE press = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    ASSERT_TRUE(press);
    const std::wstring journal = program_ + L"\\demo\\journal.txt";
    const DriverRun run = RunProgram(
        BuildBinFolder() + L"\\..\\tests\\console_ctrl_c.exe",
        {name, program_ + L"\\TessaronCmd.exe", L"sql", L"transfer", L"--server", L"(local)", L"--all", L"--temp", temporary_,
         L"--dest", destination_},
        dir_.file(L"ctrlc.txt"),
        [&](DWORD) {
            if (FromUTF8(ReadBytes(journal)).find(L"\tfault\thang") == std::wstring::npos) return false;
            return SetEvent(press) != FALSE;
        },
        CREATE_NEW_CONSOLE);
    CloseHandle(press);
    EXPECT_EQ(run.exitCode, 4) << run.output;
    EXPECT_EQ(CountProcesses(L"ostrova_sqlbackup_tessaron.exe"), 0u);
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((destination_ + L"\\*").c_str(), &found);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found)) {
        const std::wstring file = found.cFileName;
        if (file == L"." || file == L"..") continue;
        SCOPED_TRACE(file);
        EXPECT_TRUE(file == L"Tessaron-SHA256SUMS.txt" || file == L"[north].dmp");
        if (file == L"[north].dmp") {
            EXPECT_EQ(ReadBytes(destination_ + L"\\" + file), north);
        }
    }
    if (find != INVALID_HANDLE_VALUE) FindClose(find);

    // The cancelled run's journal: resume ships what is left of it (the hung dump never ended: 1),
    // then finds nothing to finish.
    const DriverRun resumed = cmd({L"resume"});
    EXPECT_EQ(resumed.exitCode, 1) << resumed.output;
    EXPECT_NE(resumed.output.find("Not shipped stuck: its dump had not ended"), std::string::npos) << resumed.output;
    EXPECT_EQ(ReadBytes(destination_ + L"\\[north].dmp"), north);
    EXPECT_EQ(cmd({L"resume"}).exitCode, 3);
}

// --encrypt ships `.tenc` files only; decrypt restores them byte-identical with the service's key
// or the customer's passphrase, and names a tampered file and restores nothing of it. The key and
// the passphrase are in no file. The ctest entry decrypts the kept folder once more with the
// independent decryptor of tests/e2e.
TEST_F(CliEndToEnd, EncryptedTransferRestoresByteIdenticalAndRefusesTampering) {
    const std::string north = source(L"north", 2 * 1024 * 1024 + 5), south = source(L"south", 70001);
    databases(section("north") + section("south"));
    const std::wstring kept = RemovableDrive(false) + L"\\TessCli-Encrypted", restored = RemovableDrive(false) + L"\\TessCli-Restored";
    DeleteFolderTree(kept);
    DeleteFolderTree(restored);
    const std::string passphrase = "demo passphrase, never written";
    SetEnvironmentVariableW(L"TESS_E2E_PASSPHRASE", FromAnsi(passphrase).c_str());
    const DriverRun run = transfer(kept, {L"--all", L"--encrypt", L"--certificate", TestKeyFile(L"service.cer"),
                                          L"--passphrase-env", L"TESS_E2E_PASSPHRASE"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("The shipment is encrypted"), std::string::npos) << run.output;
    EXPECT_FALSE(FileExists(kept + L"\\[north].dmp"));
    EXPECT_NE(ReadBytes(kept + L"\\Tessaron-SHA256SUMS.txt").find("[north].dmp.tenc"), std::string::npos);

    const DriverRun withKey = cmd({L"decrypt", kept, L"--out", restored, L"--key-file", TestKeyFile(L"service-key.pem")});
    ASSERT_EQ(withKey.exitCode, 0) << withKey.output;
    EXPECT_EQ(ReadBytes(restored + L"\\[north].dmp"), north);
    EXPECT_EQ(ReadBytes(restored + L"\\[south].dmp"), south);
    const std::wstring again = destination_ + L"\\by-passphrase";
    EXPECT_EQ(cmd({L"decrypt", kept, L"--out", again, L"--passphrase-env", L"TESS_E2E_PASSPHRASE"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(again + L"\\[south].dmp"), south);

    std::wstring reason;
    const auto key = UnwrapShipmentKey(ReadBytes(kept + L"\\Tessaron-KEYS.json"), {FromAnsi(passphrase), L""}, reason);
    ASSERT_TRUE(key) << ToUTF8(reason);
    for (const std::wstring& folder : {program_, kept}) {
        SCOPED_TRACE(ToUTF8(folder));
        EXPECT_EQ(FileHolding(folder, passphrase), L"");
        EXPECT_EQ(FileHolding(folder, HexOf(key->key.data(), key->key.size())), L"");
        EXPECT_EQ(FileHolding(folder, std::string(reinterpret_cast<const char*>(key->key.data()), key->key.size())), L"");
    }

    const std::wstring tampered = destination_ + L"\\tampered", out = destination_ + L"\\out";
    CreateDirectoryW(destination_.c_str(), nullptr);
    CreateDirectoryW(tampered.c_str(), nullptr);
    for (const wchar_t* name : {L"Tessaron-KEYS.json", L"[north].dmp.tenc", L"[south].dmp.tenc"})
        CopyFileW((kept + L"\\" + name).c_str(), (tampered + L"\\" + name).c_str(), FALSE);
    std::string changed = ReadBytes(tampered + L"\\[south].dmp.tenc");
    changed[5000] ^= 1;
    WriteBytes(tampered + L"\\[south].dmp.tenc", changed);
    const DriverRun refused = cmd({L"decrypt", tampered, L"--out", out, L"--key-file", TestKeyFile(L"service-key.pem")});
    EXPECT_EQ(refused.exitCode, 1) << refused.output;
    EXPECT_NE(refused.output.find("[south].dmp.tenc: chunk 1 of 1 does not authenticate"), std::string::npos) << refused.output;
    EXPECT_FALSE(PathExists(out + L"\\[south].dmp"));
    EXPECT_EQ(ReadBytes(out + L"\\[north].dmp"), north);
    SetEnvironmentVariableW(L"TESS_E2E_PASSPHRASE", L"a wrong guess");
    const DriverRun wrong = cmd({L"decrypt", kept, L"--out", out, L"--passphrase-env", L"TESS_E2E_PASSPHRASE"});
    EXPECT_EQ(wrong.exitCode, 1) << wrong.output;
    EXPECT_NE(wrong.output.find("the passphrase does not open"), std::string::npos) << wrong.output;
}

// One case per exit code the options and the machine give before or after a run.
TEST_F(CliEndToEnd, ExitCodesForFailureUsageNothingFoundNoRoomAndTheWizardOpen) {
    source(L"north", 200000);
    databases(section("north") + "[Database:broken]\r\nFault=fail:The database is offline.\r\n");
    const DriverRun failed = transfer(destination_, {L"--all"});
    EXPECT_EQ(failed.exitCode, 1) << failed.output;
    EXPECT_TRUE(FileExists(destination_ + L"\\[north].dmp"));
    EXPECT_FALSE(FileExists(destination_ + L"\\[broken].dmp"));

    const DriverRun noChoice = transfer(destination_);
    EXPECT_EQ(noChoice.exitCode, 2);
    EXPECT_NE(noChoice.output.find("needs --all or --database"), std::string::npos) << noChoice.output;
    const DriverRun samePlace = cmd({L"sql", L"transfer", L"--server", L"(local)", L"--all", L"--temp", destination_, L"--dest", destination_});
    EXPECT_EQ(samePlace.exitCode, 2);
    EXPECT_NE(samePlace.output.find("Tessaron 572: "), std::string::npos) << samePlace.output;
    EXPECT_EQ(transfer(destination_, {L"--database", L"nowhere"}).exitCode, 3);

    const std::wstring small = RemovableDrive(true);
    if (!small.empty()) {
        databases("[Database:huge]\r\nSize=64 MB\r\n");
        const DriverRun full = transfer(small + L"\\TessCli", {L"--all"});
        EXPECT_EQ(full.exitCode, 5) << full.output;
        EXPECT_NE(full.output.find("Tessaron 574: "), std::string::npos) << full.output;
        EXPECT_FALSE(FileExists(small + L"\\TessCli\\[huge].dmp"));
    }

    // The wizard holds the machine's one instance while it is open.
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + program_ + L"\\Tessaron.exe\"";
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    bool open = false;
    for (ULONGLONG end = GetTickCount64() + 60000; !open && GetTickCount64() < end;) {
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\Tessaron");
        open = mutex != nullptr;
        if (mutex) CloseHandle(mutex);
        else WaitForSingleObject(pi.hProcess, 100);  // the next look, or at once if the wizard died
    }
    EXPECT_TRUE(open);
    EXPECT_EQ(transfer(destination_, {L"--all"}).exitCode, 6);
    TerminateProcess(pi.hProcess, 0);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

}  // namespace
}  // namespace tess::test
