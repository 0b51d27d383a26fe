// Contract tests of the SQL Server tools: the real exes in a private program folder, started
// with the command lines the program's own builders make.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "CompanionHarness.h"
#include "common/CommandLine.h"
#include "common/Files.h"
#include "common/Helpers.h"
#include "common/Text.h"
#include "lib/Content.h"
#include "sql/SqlLogic.h"

using namespace tess;
using namespace tess::test;

namespace {

const char kDemo[] =
    "[Demo]\r\nComputerName=DEMOSRV\r\n"
    "[Instance:MSSQLSERVER]\r\nLogin.sa=Secret#1\r\nLogin.locked=x\r\nRefuse.locked=Login failed: the account is locked.\r\n"
    "[Instance:SALES]\r\n"
    "[Database:master]\r\nName=master\r\nSize=4 MB\r\n"
    "[Database:sales]\r\nName=Sales 2024\r\nSize=1500000\r\n"
    "[Database:fr]\r\nName=Ventes \xC3\xA9t\xC3\xA9\r\nSize=10 KB\r\n"
    "[Database:partial]\r\nName=Half\r\nSize=400000\r\nFault=partial:50\r\n"
    "[Database:crash]\r\nName=Crashy\r\nSize=1 MB\r\nFault=crash\r\n"
    "[Database:orders]\r\nInstance=SALES\r\nName=Orders\r\nSize=2 KB\r\n";

std::wstring listLine(const Sandbox& box, const std::wstring& argument) {
    return Quoted(box.program() + L"\\vxsqldblist_tessaron.exe") + L" " + argument;
}

sql::BackupToolCommand backupCommand(const Sandbox& box, const std::wstring& db, const std::wstring& dumpFolder,
                                     const std::wstring& user = L"", const std::wstring& password = L"") {
    sql::BackupToolInput in;
    in.server = L"(local)";
    in.database = db;
    in.user = user;
    in.password = password;
    in.dumpFolderShort = ShortPath(dumpFolder);
    in.commonFolderShort = ShortPath(box.program() + L"\\VXCOMMON");
    in.programFolderShort = ShortPath(box.program());
    return sql::BuildBackupToolCommand(in);
}

// The one-line form the program starts the tool with.
std::wstring backupLine(const Sandbox& box, const std::wstring& db, const std::wstring& dumpFolder,
                        const std::wstring& user = L"", const std::wstring& password = L"") {
    return backupCommand(box, db, dumpFolder, user, password).line.str();
}

bool holdsPattern(const std::wstring& path, const std::wstring& name, uint64_t size) {
    std::string bytes = ReadBytes(path);
    if (bytes.size() != size) return false;
    std::vector<uint8_t> expected(bytes.size());
    companion::FillPattern(companion::SeedOf(name), 0, expected.data(), expected.size());
    return memcmp(bytes.data(), expected.data(), bytes.size()) == 0;
}

}  // namespace

// The program's own run of the tools is the SQL end-to-end test's; here, what it does not reach.
// Which logins and server names a description accepts is DemoTest's table, what a malformed line
// is RequestsTest's: here, that the tool answers each kind through its files, the status last.
TEST(DatabaseListTool, LoginsServerNamesAndMalformedLinesDecideWhatIsWritten) {
    auto argument = [](const std::wstring& server, const std::wstring& user, const std::wstring& password) {
        return sql::DbListToolArgument(sql::ChooseAuthMode(user, password), server, user, password);
    };
    struct Case {
        std::wstring argument;
        DWORD exitCode;
        std::string list, error;  // the start of the list; a part of the error
    } cases[] = {
        // Sizes in kilobytes rounded up, names in the ANSI code page.
        {argument(L"(local)", L"SA", L"Secret#1"), 0, "master\r\n4096\r\nSales 2024\r\n1465\r\nVentes \xE9t\xE9\r\n10\r\n", ""},
        {argument(L"DEMOSRV\\SALES", L"", L""), 0, "Orders\r\n2\r\n", ""},
        {argument(L"(local)", L"locked", L"x"), 1, "", "Login failed: the account is locked."},
        {L"\"2(local)<<<<\" extra", 2, "", "Invalid request"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c.argument));
        Sandbox box(kDemo);
        box.install(L"vxsqldblist_tessaron.exe");
        EXPECT_EQ(box.run(listLine(box, c.argument)), c.exitCode);
        const std::string list = ReadBytes(box.common(L"SQLSrvdbList.txt"));
        const std::string error = ReadBytes(box.common(L"SQLError.txt"));
        EXPECT_EQ(list.compare(0, c.list.size(), c.list), 0) << list;
        EXPECT_EQ(list.empty(), c.list.empty());
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_EQ(error.empty(), c.error.empty());
        // The program reads the list once the status says 2: the status is the last file written.
        EXPECT_EQ(ReadBytes(box.common(L"SQLDBStatus.txt")), "2\r\n");
        std::wstring lastWrite;
        for (const auto& r : box.journal())
            if (r.kind == L"wrote") lastWrite = r.fields.at(0);
        EXPECT_EQ(lastWrite, box.common(L"SQLDBStatus.txt"));
    }
}

TEST(DatabaseListTool, HangCrashAndRefusalFaults) {
    {  // A hung tool never writes its status.
        Sandbox box(std::string(kDemo) + "[Faults]\r\nvxsqldblist_tessaron=hang\r\n");
        box.install(L"vxsqldblist_tessaron.exe");
        UniqueHandle process = box.start(listLine(box, L"2(local)<<<<"));
        ASSERT_TRUE(process);
        EXPECT_TRUE(box.hangs(process));
        EXPECT_FALSE(FileExists(box.common(L"SQLDBStatus.txt")));
    }
    struct Case {
        const char* fault;
        DWORD exitCode;
        std::string status, error;
    } cases[] = {
        {"crash", 0xC0000005u, "", ""},
        {"slow:1, fail:Server is paused.", 1, "2\r\n", "Server is paused."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        Sandbox box(std::string(kDemo) + "[Faults]\r\nvxsqldblist_tessaron=" + c.fault + "\r\n");
        box.install(L"vxsqldblist_tessaron.exe");
        EXPECT_EQ(box.run(listLine(box, L"2(local)<<<<")), c.exitCode);
        EXPECT_EQ(ReadBytes(box.common(L"SQLDBStatus.txt")), c.status);
        EXPECT_EQ(ReadBytes(box.common(L"SQLError.txt")), c.error);
        EXPECT_FALSE(FileExists(box.common(L"SQLSrvdbList.txt")));
    }
}

TEST(DatabaseListLibrary, GetDatabaseListWritesTheListOrTheReason) {
    Sandbox box(kDemo);
    HMODULE module = LoadLibraryW(box.install(L"SQLSrvBackup.dll").c_str());
    ASSERT_TRUE(module);
    using Fn = int(__stdcall*)(const char*, const char*, const char*, char*, const char*, const char*, const char*, char*);
    auto getList = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, "GetDatabaseList")));
    ASSERT_TRUE(getList);
    const std::string folder = ToAnsi(box.program());
    char trace[] = "SerTraceFile.txt";
    struct Case {
        const char *server, *user, *password;
        std::string reason;  // empty: the list is written
    } cases[] = {
        {"(local)", "sa", "Secret#1", ""},
        {"ELSEWHERE", "sa", "Secret#1", "does not exist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.server) + " " + c.user);
        DeleteFileW(box.common(L"SQLSrvdbList.txt").c_str());
        char reason[1024] = "";
        EXPECT_EQ(getList(c.server, c.user, c.password, reason, folder.c_str(), "\\VXCOMMON\\SQLSrvdbList.txt",
                          "VXWSchErrorLogFile.txt", trace),
                  c.reason.empty() ? 1 : 0);
        EXPECT_NE(std::string(reason).find(c.reason), std::string::npos) << reason;
        EXPECT_EQ(ReadBytes(box.common(L"SQLSrvdbList.txt")).rfind("master\r\n4096\r\n", 0) == 0, c.reason.empty());
    }
    // The trace names the user but never the password.
    std::string traceText = ReadBytes(box.common(L"SerTraceFile.txt"));
    EXPECT_NE(traceText.find("user 'sa'"), std::string::npos);
    EXPECT_EQ(traceText.find("Secret#1"), std::string::npos);
    FreeLibrary(module);
}

TEST(BackupTool, WritesTheDumpOrTheReasonAndTheStatus) {
    Sandbox box(kDemo);
    box.install(L"ostrova_sqlbackup_tessaron.exe");
    const std::wstring dump = box.folder(L"Temp Dir") + L"\\OSTROVASQLTEMP";
    CreateDirectoryW(dump.c_str(), nullptr);
    struct Case {
        std::wstring db, user, password;
        uint64_t size;      // of the dump written
        std::string error;  // or a part of the reason
    } cases[] = {
        {L"Ventes \u00e9t\u00e9", L"sa", L"Secret#1", 10240, ""},
        {L"master", L"sa", L"nope", 0, "Login failed for user 'sa'."},
        // A quote is valid in a database name but not in a file name.
        {L"Say \"Hi\"", L"", L"", 0, "Database 'Say \"Hi\"' does not exist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c.db));
        DeleteFileW(box.common(L"SQLErrorBackupFile.txt").c_str());
        EXPECT_EQ(box.run(backupLine(box, c.db, dump, c.user, c.password)), c.error.empty() ? 0u : 1u);
        const std::wstring file = dump + L"\\[" + c.db + L"].dmp";
        EXPECT_TRUE(c.error.empty() ? holdsPattern(file, c.db, c.size) : !FileExists(file));
        const std::string error = ReadBytes(box.common(L"SQLErrorBackupFile.txt"));
        EXPECT_NE(error.find(c.error), std::string::npos);
        EXPECT_EQ(error.empty(), c.error.empty());
        EXPECT_EQ(ReadBytes(box.common(L"sqlserverstatus.txt")), c.error.empty() ? "Completed\r\n" : "Failed\r\n");
    }
    EXPECT_EQ(box.first(L"cmd").fields.at(0), backupLine(box, L"Ventes \u00e9t\u00e9", dump, L"sa", L"Secret#1"));
    // The trace keeps the request without the password.
    std::string trace = ReadBytes(box.common(L"SQLBackupTraceFile.txt"));
    EXPECT_NE(trace.find("sa ****"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("Secret#1"), std::string::npos);
}

TEST(BackupTool, TheElevatedFormWithQuotedModeWorksToo) {
    Sandbox box(kDemo);
    const std::wstring exe = box.install(L"ostrova_sqlbackup_tessaron.exe");
    const std::wstring dump = box.folder(L"dumps");
    // ShellExecuteEx puts the quoted file and the parameters (starting with "1") together.
    EXPECT_EQ(box.run(Quoted(exe) + L" " + backupCommand(box, L"master", dump).parameters.str()), 0u);
    EXPECT_EQ(FileSize(dump + L"\\[master].dmp"), 4u << 20);
}

TEST(BackupTool, PartialCrashAndMalformedLines) {
    Sandbox box(kDemo);
    box.install(L"ostrova_sqlbackup_tessaron.exe");
    const std::wstring dump = box.folder(L"dumps");

    EXPECT_EQ(box.run(backupLine(box, L"Half", dump)), 4u);
    EXPECT_EQ(FileSize(dump + L"\\[Half].dmp"), 200000u);
    EXPECT_NE(ReadBytes(box.common(L"SQLErrorBackupFile.txt")).find("stopped after 200000 bytes"), std::string::npos);

    DeleteFileW(box.common(L"SQLErrorBackupFile.txt").c_str());
    EXPECT_EQ(box.run(backupLine(box, L"Crashy", dump)), 0xC0000005u);
    EXPECT_FALSE(FileExists(dump + L"\\[Crashy].dmp"));
    EXPECT_FALSE(FileExists(box.common(L"SQLErrorBackupFile.txt")));

    // Items missing (what they must be is RequestsTest's table).
    EXPECT_EQ(box.run(Quoted(box.program() + L"\\ostrova_sqlbackup_tessaron.exe") + L" \"1\" \"(local)\" \"[master]\""), 2u);
    EXPECT_NE(ReadBytes(box.common(L"SQLErrorBackupFile.txt")).find("Invalid request"), std::string::npos);
}
