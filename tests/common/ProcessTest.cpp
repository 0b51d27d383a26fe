#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "common/CommandLine.h"
#include "common/Files.h"
#include "common/OsVersion.h"
#include "common/Process.h"
#include "common/Text.h"
#include "support/TestSupport.h"

using namespace tess;

namespace {

// The child program copied under a name of the test's choosing, in the test's own folder, so
// that no other process of the prefix carries it; its path.
std::wstring copyChild(const test::TempDir& dir, const std::wstring& fileName) {
    CopyFileW((test::BuildBinFolder() + L"\\..\\tests\\common_child.exe").c_str(), dir.file(fileName).c_str(), FALSE);
    return dir.file(fileName);
}

bool exited(const UniqueHandle& process) { return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0; }

// Ends the process unless it has ended; and the Windows version seam back to the real one, so
// that a failed assertion leaves neither behind.
struct Cleanup {
    std::vector<UniqueHandle*> processes;
    ~Cleanup() {
        SetOsVersionForTesting(nullptr);
        for (UniqueHandle* process : processes)
            if (*process && !exited(*process)) TerminateProcess(process->get(), 1);
    }
};

}  // namespace

TEST(ProcessMatch, LastComponentWithoutCaseOrTheStemAgainstTheWantedNamesStart) {
    const std::tuple<const wchar_t*, const wchar_t*, bool> cases[] = {  // reported, wanted, matches
        {L"OstrovaSharepoint.exe", L"ostrovasharepoint.exe", true},
        {L"C:\\Program Files\\Tess\\OstrovaSharepoint.exe", L"OstrovaSharepoint.exe", true},
        {L"vxsqldblist_tessaron.exe", L"vxsqldblist_tessaron", true},      // without extension
        {L"vxsqldblist_tessaron.exe", L"vxsqldblist_tessaron.dat", true},  // the stem is what counts
        {L"vxsqldblist_tessaron.exe", L"vxsqldblist_tessa", false},        // shorter than the stem
        {L"vxsqldblist_tessaron.exe", L"xsqldblist_tessaron.exe", false},
        {L"vxsqldblist_tessaron.exe", L"", false},
        {L"a.ex", L"anything.exe", false},  // no stem: the extension rule does not apply
        {L"C:\\Tools\\", L"tool.exe", false},
    };
    for (const auto& [reported, wanted, matches] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(reported)) + " / " + testing::PrintToString(std::wstring(wanted)));
        EXPECT_EQ(ProcessNameMatches(reported, wanted), matches);
    }
}

// Which name forms match is ProcessMatch's table; here, that each enumeration method (the
// snapshot, and the process-status functions of Windows 2000) reports the real processes and
// that ending takes one copy at a time.
TEST(FindProcess, FindsRealChildrenAndEndsOnlyTheFirstOfTwo) {
    test::TempDir dir;
    const std::wstring name = L"TessTwin" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    const std::wstring child = CommandLine().quoted(copyChild(dir, name)).raw(L"--sleep 30000").str();
    static const OsVersionOverride windows2000{5, 0, 2};
    for (const OsVersionOverride* version : {static_cast<const OsVersionOverride*>(nullptr), &windows2000}) {
        SCOPED_TRACE(version ? "process status" : "snapshot");
        UniqueHandle first = RunHiddenProcess(child), second = RunHiddenProcess(child);
        Cleanup cleanup{{&first, &second}};
        SetOsVersionForTesting(version);
        ASSERT_TRUE(first && second);
        ASSERT_TRUE(test::WaitFor([&] { return FindProcess(name, false, 6); }));
        EXPECT_FALSE(exited(first) || exited(second)) << "asking without ending must not end it";

        EXPECT_TRUE(FindProcess(ToUpper(name), true, 6));
        EXPECT_NE(exited(first), exited(second)) << "exactly one of the two must have ended";
        DWORD code = 99;
        GetExitCodeProcess((exited(first) ? first : second).get(), &code);
        EXPECT_EQ(code, 0u);

        EXPECT_TRUE(FindProcess(name, true, 6));
        EXPECT_TRUE(exited(first) && exited(second));
        EXPECT_FALSE(FindProcess(name, true, 6));
    }
}

// Each way of starting a tool hands it its arguments, hostile ones included, and its working
// folder unchanged. The SQL backup run passes the program file to the elevated start in its
// quoted form with a blank before the closing quote; both forms must start the same program.
TEST(StartProcess, EachStarterPassesTheArgumentsAndTheFolderUnchanged) {
    test::ScopedProgramFolder program;
    test::TempDir dir, work;
    const std::wstring name = L"TessStarted" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    const std::wstring child = copyChild(dir, name);
    const std::wstring record = dir.file(L"started by runas.txt");
    const std::wstring hostile = L"D:\\Dump \"x\" \\\\ \u00e9\\";
    const std::wstring parameters =
        CommandLine().raw(L"--record").quoted(record).raw(L"--sleep 0").quoted(hostile).str();
    const std::wstring quotedForm = L"\"" + child + L" \"";
    const std::function<bool()> starters[] = {
        [&] { return RunHidden(Quoted(child) + L" " + parameters, work.path()); },
        [&] { return RunElevated(nullptr, child, parameters, work.path()) == 0; },
        [&] { return RunElevated(quotedForm, L"ignored", work.path(), parameters) == 0; },
    };
    for (const auto& start : starters) {
        SCOPED_TRACE(&start - starters);
        DeleteFileIfExists(record);
        EXPECT_TRUE(start());
        ASSERT_TRUE(test::WaitFor([&] { return FileExists(record); }));
        auto lines = SplitLines(FromUTF8(test::ReadBytes(record)));
        ASSERT_GE(lines.size(), 2u);
        auto args = test::SplitCommandLine(lines[0]);
        ASSERT_EQ(args.size(), 6u) << testing::PrintToString(lines[0]);
        EXPECT_EQ(args[2], record);
        EXPECT_EQ(args[5], hostile);
        EXPECT_TRUE(EqualsNoCase(lines[1], work.path())) << testing::PrintToString(lines[1]);
        EXPECT_TRUE(test::WaitFor([&] { return !FindProcess(name, false, 6); }));
    }
    EXPECT_EQ(RunElevated(nullptr, dir.file(L"missing.exe"), L"", work.path()), -1);
    EXPECT_FALSE(RunHidden(Quoted(dir.file(L"missing.exe"))));
}
