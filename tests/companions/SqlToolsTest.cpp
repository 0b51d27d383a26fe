// Contract tests of the SQL Server tools: the real exes in a private program folder, started
// with the command lines the program's own builders make. The program's own run of the tools
// (Windows logins, a failing backup, a file source) is the SQL end-to-end test's, a hanging tool
// the Exchange end-to-end test's; which logins and
// server names a description accepts is DemoTest's table, what a malformed line is RequestsTest's.
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
    "[Instance:MSSQLSERVER]\r\nLogin.sa=Secret#1\r\n"
    "[Instance:SALES]\r\n"
    "[Database:master]\r\nName=master\r\nSize=4 MB\r\n"
    "[Database:sales]\r\nName=Sales 2024\r\nSize=1500000\r\n"
    "[Database:fr]\r\nName=Ventes \xC3\xA9t\xC3\xA9\r\nSize=10 KB\r\n"
    "[Database:partial]\r\nName=Half\r\nSize=400000\r\nFault=partial:50\r\n"
    "[Database:orders]\r\nInstance=SALES\r\nName=Orders\r\nSize=2 KB\r\n";

std::wstring listLine(const Sandbox& box, const std::wstring& server, const std::wstring& user = L"",
                      const std::wstring& password = L"") {
    return Quoted(box.program() + L"\\vxsqldblist_tessaron.exe") + L" " +
           sql::DbListToolArgument(sql::ChooseAuthMode(user, password), server, user, password);
}

bool holdsPattern(const std::wstring& path, const std::wstring& name, uint64_t size) {
    std::string bytes = ReadBytes(path);
    std::vector<uint8_t> expected(size);
    companion::FillPattern(companion::SeedOf(name), 0, expected.data(), expected.size());
    return bytes.size() == size && memcmp(bytes.data(), expected.data(), size) == 0;
}

}  // namespace

// The program reads the list once the status says 2: the status is the last file written, and a
// tool that crashes writes none.
TEST(DatabaseListTool, EachOutcomeIsWrittenWithTheStatusLast) {
    struct Case {
        std::string faults;
        std::wstring server, user, password;
        DWORD exitCode;
        std::string list, error, status;  // the start of the list; a part of the error
    } cases[] = {
        // Sizes in kilobytes rounded up, names in the ANSI code page.
        {"", L"(local)", L"SA", L"Secret#1", 0, "master\r\n4096\r\nSales 2024\r\n1465\r\nVentes \xE9t\xE9\r\n10\r\n", "", "2\r\n"},
        {"crash", L"(local)", L"", L"", 0xC0000005u, "", "", ""},
        {"slow:1, fail:Server is paused.", L"(local)", L"", L"", 1, "", "Server is paused.", "2\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults + " " + ToUTF8(c.server + L" " + c.user));
        Sandbox box(std::string(kDemo) + "[Faults]\r\nvxsqldblist_tessaron=" + c.faults + "\r\n");
        box.install(L"vxsqldblist_tessaron.exe");
        EXPECT_EQ(box.run(listLine(box, c.server, c.user, c.password)), c.exitCode);
        const std::string list = ReadBytes(box.common(L"SQLSrvdbList.txt"));
        const std::string error = ReadBytes(box.common(L"SQLError.txt"));
        EXPECT_EQ(list.compare(0, c.list.size(), c.list), 0) << list;
        EXPECT_EQ(list.empty(), c.list.empty());
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_EQ(error.empty(), c.error.empty());
        EXPECT_EQ(ReadBytes(box.common(L"SQLDBStatus.txt")), c.status);
        const std::wstring journal = box.journal();
        const size_t lastWrite = journal.rfind(L"\twrote\t");
        ASSERT_EQ(lastWrite == std::wstring::npos, c.status.empty());
        if (!c.status.empty()) {
            EXPECT_EQ(journal.find(L"\twrote\t" + box.common(L"SQLDBStatus.txt") + L"\t", lastWrite), lastWrite);
        }
    }
    Sandbox box(kDemo);
    box.install(L"vxsqldblist_tessaron.exe");
    EXPECT_EQ(box.run(Quoted(box.program() + L"\\vxsqldblist_tessaron.exe") + L" \"2(local)<<<<\" extra"), 2u);
    EXPECT_NE(ReadBytes(box.common(L"SQLError.txt")).find("Invalid request"), std::string::npos);
}

TEST(DatabaseListLibrary, WritesTheListOrTheReasonAndNeverTracesThePassword) {
    Sandbox box(kDemo);
    HMODULE module = LoadLibraryW(box.install(L"SQLSrvBackup.dll").c_str());
    ASSERT_TRUE(module);
    using Fn = int(__stdcall*)(const char*, const char*, const char*, char*, const char*, const char*, const char*, char*);
    auto getList = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, "GetDatabaseList")));
    ASSERT_TRUE(getList);
    char reason[1024] = "", trace[] = "SerTraceFile.txt";
    EXPECT_EQ(getList("(local)", "sa", "Secret#1", reason, ToAnsi(box.program()).c_str(), "\\VXCOMMON\\SQLSrvdbList.txt",
                      "VXWSchErrorLogFile.txt", trace), 1) << reason;
    EXPECT_EQ(ReadBytes(box.common(L"SQLSrvdbList.txt")).rfind("master\r\n4096\r\n", 0), 0u);
    EXPECT_EQ(getList("ELSEWHERE", "sa", "Secret#1", reason, ToAnsi(box.program()).c_str(), "\\VXCOMMON\\SQLSrvdbList.txt",
                      "VXWSchErrorLogFile.txt", trace), 0);
    EXPECT_NE(std::string(reason).find("does not exist"), std::string::npos) << reason;
    std::string traceText = ReadBytes(box.common(L"SerTraceFile.txt"));
    EXPECT_NE(traceText.find("user 'sa'"), std::string::npos);
    EXPECT_EQ(traceText.find("Secret#1"), std::string::npos);
    FreeLibrary(module);
}

// The one-line form the program starts the tool with before Vista (mode glued to the quoted file);
// the elevated form is the one the SQL end-to-end test runs.
TEST(BackupTool, WritesTheDumpOrTheReasonAndTheStatus) {
    Sandbox box(kDemo);
    const std::wstring exe = box.install(L"ostrova_sqlbackup_tessaron.exe");
    const std::wstring dump = box.folder(L"Temp Dir") + L"\\OSTROVASQLTEMP";
    CreateDirectoryW(dump.c_str(), nullptr);
    struct Case {
        std::wstring db, user, password;
        DWORD exitCode;
        uint64_t size;      // of the dump left at its final name
        std::string error;  // or a part of the reason
    } cases[] = {
        {L"Ventes \u00e9t\u00e9", L"sa", L"Secret#1", 0, 10240, ""},
        // A quote is valid in a database name but not in a file name.
        {L"Say \"Hi\"", L"", L"", 1, 0, "Database 'Say \"Hi\"' does not exist"},
        {L"Half", L"", L"", 4, 200000, "stopped after 200000 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c.db));
        DeleteFileW(box.common(L"SQLErrorBackupFile.txt").c_str());
        sql::BackupToolInput in{L"(local)", c.db, c.user, c.password, ShortPath(dump),
                                ShortPath(box.program() + L"\\VXCOMMON"), ShortPath(box.program())};
        EXPECT_EQ(box.run(sql::BuildBackupToolCommand(in).line.str()), c.exitCode);
        const std::wstring file = dump + L"\\[" + c.db + L"].dmp";
        EXPECT_TRUE(c.size ? holdsPattern(file, c.db, c.size) : !FileExists(file));
        const std::string error = ReadBytes(box.common(L"SQLErrorBackupFile.txt"));
        EXPECT_NE(error.find(c.error), std::string::npos);
        EXPECT_EQ(error.empty(), c.error.empty());
        EXPECT_EQ(ReadBytes(box.common(L"sqlserverstatus.txt")), c.exitCode ? "Failed\r\n" : "Completed\r\n");
    }
    // The trace keeps the request without the password.
    std::string trace = ReadBytes(box.common(L"SQLBackupTraceFile.txt"));
    EXPECT_NE(trace.find("sa ****"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("Secret#1"), std::string::npos);

    EXPECT_EQ(box.run(Quoted(exe) + L" \"1\" \"(local)\" \"[master]\""), 2u);
    EXPECT_NE(ReadBytes(box.common(L"SQLErrorBackupFile.txt")).find("Invalid request"), std::string::npos);
}
