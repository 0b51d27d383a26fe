// Contract tests of the SQL Server backup tool: the real exe in a private program folder, started
// with the command line the program's own builder makes. The database-list tool and library run
// under the program in tests/sql (SqlRetrievalTest), the program's own backup runs in
// tests/sql (SqlRunTest) and end to end; what a malformed line is RequestsTest's.
#include <windows.h>

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "CompanionHarness.h"
#include "common/CommandLine.h"
#include "common/Files.h"
#include "common/Text.h"
#include "lib/Content.h"
#include "sql/SqlLogic.h"

using namespace tess;
using namespace tess::test;

namespace {

const char kDemo[] =
    "[Demo]\r\nComputerName=DEMOSRV\r\n"
    "[Instance:MSSQLSERVER]\r\nLogin.sa=Secret#1\r\n"
    "[Database:fr]\r\nName=Ventes \xC3\xA9t\xC3\xA9\r\nSize=10 KB\r\n"
    "[Database:partial]\r\nName=Half\r\nSize=400000\r\nFault=partial:50\r\n";

bool holdsPattern(const std::wstring& path, const std::wstring& name, uint64_t size) {
    std::string bytes = ReadBytes(path);
    std::vector<uint8_t> expected(size);
    companion::FillPattern(companion::SeedOf(name), 0, expected.data(), expected.size());
    return bytes.size() == size && memcmp(bytes.data(), expected.data(), size) == 0;
}

}  // namespace

// The one-line form the program starts the tool with before Vista (mode glued to the quoted file);
// the elevated form is the one the SQL end-to-end test runs.
TEST(BackupTool, WritesTheDumpOrTheReasonAndTheStatus) {
    Sandbox box(kDemo);
    const std::wstring exe = box.install(L"ostrova_sqlbackup_tessaron.exe");
    const std::wstring dump = box.folder(L"Temp Dir") + L"\\OSTROVASQLTEMP";
    CreateDirectoryW(dump.c_str(), nullptr);
    // database, user, password; exit code, size of the dump left at its final name, a part of the reason
    const std::tuple<std::wstring, std::wstring, std::wstring, DWORD, uint64_t, std::string> cases[] = {
        {L"Ventes \u00e9t\u00e9", L"sa", L"Secret#1", 0, 10240, ""},
        // A quote is valid in a database name but not in a file name.
        {L"Say \"Hi\"", L"", L"", 1, 0, "Database 'Say \"Hi\"' does not exist"},
        {L"Half", L"", L"", 4, 200000, "stopped after 200000 bytes"},
    };
    for (const auto& [db, user, password, exitCode, size, reason] : cases) {
        SCOPED_TRACE(ToUTF8(db));
        DeleteFileW(box.common(L"SQLErrorBackupFile.txt").c_str());
        sql::BackupToolInput in{L"(local)", db, user, password, ShortPath(dump),
                                ShortPath(box.program() + L"\\VXCOMMON"), ShortPath(box.program())};
        EXPECT_EQ(box.run(sql::BuildBackupToolCommand(in).line.str()), exitCode);
        const std::wstring file = dump + L"\\[" + db + L"].dmp";
        EXPECT_TRUE(size ? holdsPattern(file, db, size) : !FileExists(file));
        const std::string error = ReadBytes(box.common(L"SQLErrorBackupFile.txt"));
        EXPECT_NE(error.find(reason), std::string::npos);
        EXPECT_EQ(error.empty(), reason.empty());
        EXPECT_EQ(ReadBytes(box.common(L"sqlserverstatus.txt")), exitCode ? "Failed\r\n" : "Completed\r\n");
    }
    // The trace keeps the request without the password.
    std::string trace = ReadBytes(box.common(L"SQLBackupTraceFile.txt"));
    EXPECT_NE(trace.find("sa ****"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("Secret#1"), std::string::npos);

    EXPECT_EQ(box.run(Quoted(exe) + L" \"1\" \"(local)\" \"[master]\""), 2u);
    EXPECT_NE(ReadBytes(box.common(L"SQLErrorBackupFile.txt")).find("Invalid request"), std::string::npos);
    box.install(L"vxsqldblist_tessaron.exe");
    EXPECT_EQ(box.run(Quoted(box.program() + L"\\vxsqldblist_tessaron.exe") + L" \"2(local)<<<<\" extra"), 2u);
    EXPECT_NE(ReadBytes(box.common(L"SQLError.txt")).find("Invalid request"), std::string::npos);
}
