#include <windows.h>

#include <gtest/gtest.h>

#include "common/CommandLine.h"
#include "common/Files.h"
#include "common/OsVersion.h"
#include "common/Process.h"
#include "common/Text.h"
#include "support/TestSupport.h"

using namespace tess;

namespace {

std::wstring testFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return ParentFolder(path);
}

// The child program copied under a name of the test's choosing, in the test's own folder, so
// that no other process of the prefix carries it.
class ChildProgram {
public:
    ChildProgram(const test::TempDir& dir, const std::wstring& fileName) : path_(dir.file(fileName)) {
        CopyFileW((testFolder() + L"\\common_child.exe").c_str(), path_.c_str(), FALSE);
    }
    const std::wstring& path() const { return path_; }
    UniqueHandle start(const std::wstring& extra = L"") const {
        return RunHiddenProcess(CommandLine().quoted(path_).raw(L"--sleep 30000 " + extra).str());
    }

private:
    std::wstring path_;
};

bool exited(const UniqueHandle& process) { return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0; }

void endChild(UniqueHandle& process) {
    if (process && !exited(process)) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 5000);
    }
}

// Runs the body once with each enumeration method: the snapshot, and the process-status
// functions as Windows 2000 uses them (set through the version seam).
struct MethodCase {
    const char* name;
    bool old;
};
const MethodCase kMethods[] = {{"snapshot", false}, {"process status (Windows 2000)", true}};

class ScopedMethod {
public:
    explicit ScopedMethod(const MethodCase& method) {
        if (method.old) {
            static const OsVersionOverride windows2000{5, 0, 2};
            SetOsVersionForTesting(&windows2000);
        }
    }
    ~ScopedMethod() { SetOsVersionForTesting(nullptr); }
};

std::wstring readUtf8(const std::wstring& path) { return FromUTF8(test::ReadBytes(path)); }

}  // namespace

TEST(ProcessMatch, LastComponentWithoutCaseOrTheStemAgainstTheWantedNamesStart) {
    struct Case {
        const wchar_t* reported;
        const wchar_t* wanted;
        bool matches;
    } cases[] = {
        {L"OstrovaSharepoint.exe", L"ostrovasharepoint.exe", true},
        {L"C:\\Program Files\\Tess\\OstrovaSharepoint.exe", L"OstrovaSharepoint.exe", true},
        {L"C:/odd/form/tool.exe", L"TOOL.EXE", true},
        {L"vxsqldblist_tessaron.exe", L"vxsqldblist_tessaron", true},      // without extension
        {L"vxsqldblist_tessaron.exe", L"vxsqldblist_tessaron.dat", true},  // the stem is what counts
        {L"vxsqldblist_tessaron.exe", L"vxsqldblist_tessa", false},        // shorter than the stem
        {L"vxsqldblist_tessaron.exe", L"xsqldblist_tessaron.exe", false},
        {L"vxsqldblist_tessaron.exe", L"", false},
        {L"a.ex", L"anything.exe", false},  // no stem: the extension rule does not apply
        {L"", L"tool.exe", false},
        {L"C:\\Tools\\", L"tool.exe", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.reported)) + " / " +
                     testing::PrintToString(std::wstring(c.wanted)));
        EXPECT_EQ(ProcessNameMatches(c.reported, c.wanted), c.matches);
    }
}

TEST(ProcessMatch, MethodFollowsTheWindowsVersionBeforeTheHint) {
    using M = EnumerationMethod;
    struct Case {
        int hint;
        unsigned long major, minor, platform;
        M expected;
    } cases[] = {
        {0, 6, 1, 2, M::kSnapshot},        // Vista and later: the hint is ignored
        {2, 10, 0, 2, M::kSnapshot},
        {6, 5, 0, 2, M::kProcessStatus},   // Windows 2000: whatever the hint
        {6, 5, 1, 2, M::kSnapshot},        // XP: the hint decides
        {0, 5, 1, 2, M::kProcessStatus},
        {2, 5, 2, 2, M::kProcessStatus},
        {0, 4, 10, 1, M::kSnapshot},       // the old consumer family
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hint << " on " << c.major << "." << c.minor);
        EXPECT_EQ(ChooseEnumerationMethod(c.hint, c.major, c.minor, c.platform), c.expected);
    }
}

TEST(FindProcess, FindsRealChildrenByNameOrStemAndEndsOnlyTheFirstOfTwo) {
    test::TempDir dir;
    const std::wstring name = L"TessTwin" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    const std::wstring stem = name.substr(0, name.size() - 4);
    ChildProgram child(dir, name);
    const std::pair<std::wstring, bool> cases[] = {
        {ToUpper(name), true},
        {stem, true},
        {stem + L".dat", true},
        {stem.substr(0, stem.size() - 1) + L".exe", false},
        {L"Z" + name, false},
    };
    for (const auto& method : kMethods) {
        SCOPED_TRACE(method.name);
        ScopedMethod scoped(method);
        UniqueHandle first = child.start(), second = child.start();
        ASSERT_TRUE(first && second);
        ASSERT_TRUE(test::WaitFor([&] { return FindProcess(name, false, 6); }));
        for (const auto& [wanted, found] : cases) {
            SCOPED_TRACE(testing::PrintToString(wanted));
            EXPECT_EQ(FindProcess(wanted, false, 6), found);
        }
        EXPECT_FALSE(exited(first) || exited(second)) << "asking without ending must not end it";

        EXPECT_TRUE(FindProcess(ToUpper(name), true, 6));
        EXPECT_NE(exited(first), exited(second)) << "exactly one of the two must have ended";
        DWORD code = 99;
        GetExitCodeProcess((exited(first) ? first : second).get(), &code);
        EXPECT_EQ(code, 0u);

        EXPECT_TRUE(FindProcess(name, true, 6));
        EXPECT_TRUE(exited(first) && exited(second));
        EXPECT_FALSE(FindProcess(name, false, 6));
        EXPECT_FALSE(FindProcess(name, true, 6));
        endChild(first);
        endChild(second);
    }
}

TEST(RunElevated, StartsARealProgramWithItsParametersAndFolder) {
    test::ScopedProgramFolder program;
    test::TempDir dir, work;
    const std::wstring name = L"TessElevated" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    ChildProgram child(dir, name);
    const std::wstring record = dir.file(L"started by runas.txt");
    const std::wstring parameters = CommandLine().raw(L"--record").quoted(record).raw(L"--sleep 0").str();

    // The SQL backup run passes the program file in its quoted form with a blank before the
    // closing quote; both forms must start the same program.
    struct Case {
        std::wstring file;
        bool secondForm;
    } cases[] = {{child.path(), false}, {L"\"" + child.path() + L" \"", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.file));
        DeleteFileIfExists(record);
        long result = c.secondForm ? RunElevated(c.file, L"ignored", work.path(), parameters)
                                   : RunElevated(nullptr, c.file, parameters, work.path());
        EXPECT_EQ(result, 0);
        ASSERT_TRUE(test::WaitFor([&] { return FileExists(record); }));
        auto lines = SplitLines(readUtf8(record));
        ASSERT_GE(lines.size(), 2u);
        auto args = test::SplitCommandLine(lines[0]);
        ASSERT_EQ(args.size(), 5u) << testing::PrintToString(lines[0]);
        EXPECT_EQ(args[2], record);
        EXPECT_TRUE(EqualsNoCase(lines[1], work.path())) << testing::PrintToString(lines[1]);
        EXPECT_TRUE(test::WaitFor([&] { return !FindProcess(name, false, 6); }));
    }
    EXPECT_EQ(RunElevated(nullptr, dir.file(L"missing.exe"), L"", work.path()), -1);
}

TEST(RunHidden, PassesTheBuiltCommandLineToTheChildUnchanged) {
    test::ScopedProgramFolder program;
    test::TempDir dir;
    const std::wstring name = L"TessHidden" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    ChildProgram child(dir, name);
    const std::wstring record = dir.file(L"hidden.txt");
    const std::wstring hostile = L"D:\\Dump \"x\" \\\\ \u00e9\\";
    CommandLine line;
    line.quoted(child.path()).raw(L"--record").quoted(record).raw(L"--sleep").raw(L"0").quoted(hostile);
    EXPECT_TRUE(RunHidden(line.str(), dir.path()));
    ASSERT_TRUE(test::WaitFor([&] { return FileExists(record); }));
    auto args = test::SplitCommandLine(SplitLines(readUtf8(record))[0]);
    ASSERT_EQ(args.size(), 6u);
    EXPECT_EQ(args[5], hostile);
    EXPECT_FALSE(RunHidden(CommandLine().quoted(dir.file(L"missing.exe")).str()));
}
