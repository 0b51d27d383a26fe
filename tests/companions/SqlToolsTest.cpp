// Contract tests of the SQL Server tools: the real exes in a private program folder, started
// with the program's command lines.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "CompanionHarness.h"
#include "common/CommandLine.h"
#include "common/Files.h"
#include "common/Text.h"
#include "lib/Content.h"

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
    "[Database:broken]\r\nName=Broken\r\nSize=1 MB\r\nFault=fail:Backup failed: the database is offline.\r\n"
    "[Database:partial]\r\nName=Half\r\nSize=400000\r\nFault=partial:50\r\n"
    "[Database:crash]\r\nName=Crashy\r\nSize=1 MB\r\nFault=crash\r\n"
    "[Database:hang]\r\nName=Stuck\r\nSize=1 MB\r\nFault=hang\r\n"
    "[Database:slow]\r\nName=Slowly\r\nSize=1000\r\nFault=slow:1\r\n"
    "[Database:orders]\r\nInstance=SALES\r\nName=Orders\r\nSize=2 KB\r\n";

std::wstring listLine(const Sandbox& box, const std::wstring& argument) {
    return Quoted(box.program() + L"\\vxsqldblist_tessaron.exe") + L" " + argument;
}

// The one-line form of the backup tool: short program folder, a blank before the closing
// quote, the mode digit glued to it.
std::wstring backupLine(const Sandbox& box, const std::wstring& db, const std::wstring& dumpFolder,
                        const std::wstring& user = L"", const std::wstring& password = L"", const std::wstring& server = L"(local)") {
    CommandLine line;
    line.quoted(ShortPath(box.program()) + L"\\ostrova_sqlbackup_tessaron.exe ").glue().raw(L"1").quoted(server).quoted(L"[" + db + L"]");
    user.empty() ? line.quoted(L"") : line.raw(user);
    password.empty() ? line.quoted(L"") : line.raw(password);
    CreateDirectoryW((box.program() + L"\\VXCOMMON").c_str(), nullptr);
    line.quoted(ShortPath(dumpFolder)).quoted(ShortPath(box.program() + L"\\VXCOMMON")).raw(L"SQLBackupLog.txt")
        .raw(L"SQLErrorBackupFile.txt").raw(L"sqlserverstatus.txt").raw(L"SQLBackupTraceFile.txt")
        .separator(L"  ").quoted(L"").separator(L" ").quoted(L"").quoted(L"");
    return line.str();
}

bool holdsPattern(const std::wstring& path, const std::wstring& name, uint64_t size) {
    std::string bytes = ReadBytes(path);
    if (bytes.size() != size) return false;
    std::vector<uint8_t> expected(bytes.size());
    companion::FillPattern(companion::SeedOf(name), 0, expected.data(), expected.size());
    return memcmp(bytes.data(), expected.data(), bytes.size()) == 0;
}

}  // namespace

TEST(DatabaseListTool, WindowsLoginWritesTheListThenStatusTwo) {
    Sandbox box(kDemo);
    box.install(L"vxsqldblist_tessaron.exe");
    const std::wstring line = listLine(box, L"2(local)<<<<");
    EXPECT_EQ(box.run(line), 0u);
    EXPECT_EQ(ReadBytes(box.common(L"SQLSrvdbList.txt")),
              "master\r\n4096\r\nSales 2024\r\n1465\r\nVentes \xE9t\xE9\r\n10\r\nBroken\r\n1024\r\nHalf\r\n391\r\n"
              "Crashy\r\n1024\r\nStuck\r\n1024\r\nSlowly\r\n1\r\n");
    EXPECT_EQ(ReadBytes(box.common(L"SQLDBStatus.txt")), "2\r\n");
    EXPECT_FALSE(FileExists(box.common(L"SQLError.txt")));
    // The journal keeps the command line exactly, and the status is the last file written.
    EXPECT_EQ(box.first(L"cmd").fields.at(0), line);
    std::wstring lastWrite;
    for (const auto& r : box.journal())
        if (r.kind == L"wrote") lastWrite = r.fields.at(0);
    EXPECT_EQ(lastWrite, box.common(L"SQLDBStatus.txt"));
}

TEST(DatabaseListTool, LoginsAndServerNamesDecideWhatIsListed) {
    struct Case {
        std::wstring argument;
        DWORD exitCode;
        std::string list, error;
    } cases[] = {
        {L"1(local)<<sa<<Secret#1", 0, "master\r\n", ""},
        {L"2DEMOSRV\\SALES<<<<", 0, "Orders\r\n2\r\n", ""},
        {L"1(local)<<sa<<wrong", 1, "", "Login failed for user 'sa'."},
        {L"1(local)<<locked<<x", 1, "", "Login failed: the account is locked."},
        {L"2FARAWAY<<<<", 1, "", "does not exist or access denied"},
        {L"2(local)\\NOPE<<<<", 1, "", "instance 'NOPE' was not found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c.argument));
        Sandbox box(kDemo);
        box.install(L"vxsqldblist_tessaron.exe");
        EXPECT_EQ(box.run(listLine(box, c.argument)), c.exitCode);
        EXPECT_EQ(ReadBytes(box.common(L"SQLDBStatus.txt")), "2\r\n");
        std::string list = ReadBytes(box.common(L"SQLSrvdbList.txt"));
        std::string error = ReadBytes(box.common(L"SQLError.txt"));
        if (c.list.empty()) {
            EXPECT_TRUE(list.empty());
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        } else {
            EXPECT_EQ(list.compare(0, c.list.size(), c.list), 0) << list;
            EXPECT_TRUE(error.empty());
        }
    }
}

TEST(DatabaseListTool, MalformedLinesAreExplainedNotCrashedOn) {
    for (const wchar_t* argument : {L"", L"9(local)<<<<", L"2(local)", L"\"2(local)<<<<\" extra"}) {
        SCOPED_TRACE(ToUTF8(argument));
        Sandbox box(kDemo);
        box.install(L"vxsqldblist_tessaron.exe");
        EXPECT_EQ(box.run(listLine(box, argument)), 2u);
        EXPECT_NE(ReadBytes(box.common(L"SQLError.txt")).find("Invalid request"), std::string::npos);
        EXPECT_EQ(ReadBytes(box.common(L"SQLDBStatus.txt")), "2\r\n");
        EXPECT_FALSE(FileExists(box.common(L"SQLSrvdbList.txt")));
    }
}

TEST(DatabaseListTool, AMissingDescriptionIsNamedInTheError) {
    Sandbox box(kDemo);
    box.install(L"vxsqldblist_tessaron.exe");
    SetEnvironmentVariableW(L"TESSARON_DEMO", (box.program() + L"\\nowhere\\demo.ini").c_str());
    EXPECT_EQ(box.run(listLine(box, L"2(local)<<<<")), 3u);
    EXPECT_NE(ReadAnsi(box.common(L"SQLError.txt")).find(L"nowhere\\demo.ini"), std::wstring::npos);
    EXPECT_EQ(ReadBytes(box.common(L"SQLDBStatus.txt")), "2\r\n");
}

TEST(DatabaseListTool, ToolFaultsHangCrashOrRefuse) {
    // A hung tool never writes its status and never ends; the test ends it.
    {
        Sandbox box(std::string(kDemo) + "[Faults]\r\nvxsqldblist_tessaron=hang\r\n");
        box.install(L"vxsqldblist_tessaron.exe");
        UniqueHandle process = box.start(listLine(box, L"2(local)<<<<"));
        ASSERT_TRUE(process);
        bool hung = WaitFor([&] {
            for (const auto& r : box.journal())
                if (r.kind == L"fault" && r.fields.at(0) == L"hang") return true;
            return false;
        });
        EXPECT_TRUE(hung);
        EXPECT_EQ(WaitForSingleObject(process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_FALSE(FileExists(box.common(L"SQLDBStatus.txt")));
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 5000);
    }
    {
        Sandbox box(std::string(kDemo) + "[Faults]\r\nvxsqldblist_tessaron=crash\r\n");
        box.install(L"vxsqldblist_tessaron.exe");
        EXPECT_EQ(box.run(listLine(box, L"2(local)<<<<")), 0xC0000005u);
        EXPECT_FALSE(FileExists(box.common(L"SQLDBStatus.txt")));
        EXPECT_FALSE(FileExists(box.common(L"SQLSrvdbList.txt")));
    }
    {
        Sandbox box(std::string(kDemo) + "[Faults]\r\nvxsqldblist_tessaron=slow:1, fail:Server is paused.\r\n");
        box.install(L"vxsqldblist_tessaron.exe");
        EXPECT_EQ(box.run(listLine(box, L"2(local)<<<<")), 1u);
        EXPECT_EQ(ReadBytes(box.common(L"SQLError.txt")), "Server is paused.");
        EXPECT_EQ(ReadBytes(box.common(L"SQLDBStatus.txt")), "2\r\n");
    }
}

TEST(DatabaseListLibrary, GetDatabaseListWritesTheListOrTheReason) {
    Sandbox box(kDemo);
    const std::wstring dll = box.install(L"SQLSrvBackup.dll");
    HMODULE module = LoadLibraryW(dll.c_str());
    ASSERT_TRUE(module);
    using Fn = int(__stdcall*)(const char*, const char*, const char*, char*, const char*, const char*, const char*, char*);
    auto getList = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, "GetDatabaseList")));
    ASSERT_TRUE(getList);
    const std::string folder = ToAnsi(box.program());
    char trace[] = "SerTraceFile.txt";
    struct Case {
        const char *server, *user, *password;
        int result;
        std::string reason;
    } cases[] = {
        {"(local)", "", "", 1, ""},
        {"(local)", "sa", "Secret#1", 1, ""},
        {"(local)", "sa", "bad", 0, "Login failed for user 'sa'."},
        {"ELSEWHERE", "", "", 0, "does not exist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.user) + "/" + c.password);
        DeleteFileW(box.common(L"SQLSrvdbList.txt").c_str());
        char reason[1024] = "";
        EXPECT_EQ(getList(c.server, c.user, c.password, reason, folder.c_str(), "\\VXCOMMON\\SQLSrvdbList.txt",
                          "VXWSchErrorLogFile.txt", trace),
                  c.result);
        if (c.result) {
            EXPECT_EQ(ReadBytes(box.common(L"SQLSrvdbList.txt")).compare(0, 14, "master\r\n4096\r\n"), 0);
            EXPECT_STREQ(reason, "");
        } else {
            EXPECT_NE(std::string(reason).find(c.reason), std::string::npos) << reason;
            EXPECT_FALSE(FileExists(box.common(L"SQLSrvdbList.txt")));
        }
    }
    // The trace names the user but never the password.
    std::string traceText = ReadBytes(box.common(L"SerTraceFile.txt"));
    EXPECT_NE(traceText.find("user 'sa'"), std::string::npos);
    EXPECT_EQ(traceText.find("Secret#1"), std::string::npos);
    EXPECT_EQ(box.first(L"call").fields.at(0), L"GetDatabaseList");
    FreeLibrary(module);
}

TEST(BackupTool, WritesTheDumpWithThePatternBytes) {
    Sandbox box(kDemo);
    box.install(L"ostrova_sqlbackup_tessaron.exe");
    const std::wstring dump = box.folder(L"Temp Dir") + L"\\OSTROVASQLTEMP";
    CreateDirectoryW(dump.c_str(), nullptr);
    struct Case {
        std::wstring db, user, password;
        uint64_t size;
    } cases[] = {
        {L"Sales 2024", L"", L"", 1500000},
        {L"Ventes \u00e9t\u00e9", L"sa", L"Secret#1", 10240},
        {L"Slowly", L"", L"", 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c.db));
        const std::wstring line = backupLine(box, c.db, dump, c.user, c.password);
        EXPECT_EQ(box.run(line), 0u);
        EXPECT_TRUE(holdsPattern(dump + L"\\[" + c.db + L"].dmp", c.db, c.size));
        EXPECT_FALSE(FileExists(box.common(L"SQLErrorBackupFile.txt")));
        EXPECT_EQ(ReadBytes(box.common(L"sqlserverstatus.txt")), "Completed\r\n");
    }
    EXPECT_EQ(box.first(L"cmd").fields.at(0), backupLine(box, L"Sales 2024", dump));
    // The trace keeps the request without the password.
    std::string trace = ReadBytes(box.common(L"SQLBackupTraceFile.txt"));
    EXPECT_NE(trace.find("sa ****"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("Secret#1"), std::string::npos);
}

TEST(BackupTool, TheVistaFormWithQuotedModeWorksToo) {
    Sandbox box(kDemo);
    const std::wstring exe = box.install(L"ostrova_sqlbackup_tessaron.exe");
    const std::wstring dump = box.folder(L"dumps");
    std::wstring line = backupLine(box, L"master", dump);
    // ShellExecuteEx puts the quoted file and the parameters (starting with "1") together.
    line = Quoted(exe) + L" \"1\"" + line.substr(line.find(L"1 \"(local)\"") + 1);
    EXPECT_EQ(box.run(line), 0u);
    EXPECT_EQ(FileSize(dump + L"\\[master].dmp"), 4u << 20);
}

TEST(BackupTool, FailuresLeaveTheirTextAndNoDump) {
    Sandbox box(kDemo);
    box.install(L"ostrova_sqlbackup_tessaron.exe");
    const std::wstring dump = box.folder(L"dumps");
    struct Case {
        std::wstring db, user, password;
        DWORD exitCode;
        std::string error;
    } cases[] = {
        {L"Broken", L"", L"", 1, "Backup failed: the database is offline."},
        {L"Missing", L"", L"", 1, "Database 'Missing' does not exist"},
        {L"master", L"sa", L"nope", 1, "Login failed for user 'sa'."},
        // A quote is valid in a database name but not in a file name.
        {L"Say \"Hi\"", L"", L"", 1, "Database 'Say \"Hi\"' does not exist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c.db));
        DeleteFileW(box.common(L"SQLErrorBackupFile.txt").c_str());
        EXPECT_EQ(box.run(backupLine(box, c.db, dump, c.user, c.password)), c.exitCode);
        EXPECT_NE(ReadBytes(box.common(L"SQLErrorBackupFile.txt")).find(c.error), std::string::npos);
        EXPECT_FALSE(FileExists(dump + L"\\[" + c.db + L"].dmp"));
        EXPECT_EQ(ReadBytes(box.common(L"sqlserverstatus.txt")), "Failed\r\n");
    }
}

TEST(BackupTool, PartialCrashAndHangFaults) {
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

    UniqueHandle process = box.start(backupLine(box, L"Stuck", dump));
    ASSERT_TRUE(process);
    EXPECT_TRUE(WaitFor([&] {
        for (const auto& r : box.journal())
            if (r.kind == L"fault" && r.fields.at(0) == L"hang") return true;
        return false;
    }));
    EXPECT_EQ(WaitForSingleObject(process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(FileExists(dump + L"\\[Stuck].dmp"));
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 5000);
}

TEST(BackupTool, MalformedLinesAreExplained) {
    Sandbox box(kDemo);
    const std::wstring exe = box.install(L"ostrova_sqlbackup_tessaron.exe");
    for (const std::wstring args : {L"", L"\"1\" \"(local)\" \"[master]\"", L"\"1\" \"(local)\" master \"\" \"\" a b c d e f \"\" \"\" \"\""}) {
        SCOPED_TRACE(ToUTF8(args));
        DeleteFileW(box.common(L"SQLErrorBackupFile.txt").c_str());
        EXPECT_EQ(box.run(Quoted(exe) + L" " + args), 2u);
        EXPECT_NE(ReadBytes(box.common(L"SQLErrorBackupFile.txt")).find("Invalid request"), std::string::npos);
    }
}
