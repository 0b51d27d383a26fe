#include <windows.h>

#include <gtest/gtest.h>

#include "common/Files.h"
#include "common/Text.h"
#include "feedback/LogBundle.h"
#include "feedback/ReportText.h"
#include "support/TestSupport.h"

using namespace tess;
using namespace tess::feedback;

namespace {

// A log of numbered lines "line NNNNNN <padding>" CR LF, `bytes` long at least.
std::string numberedLog(size_t bytes, size_t lineLength = 50) {
    std::string log;
    for (int n = 0; log.size() < bytes; ++n) {
        std::string line = "line " + std::to_string(n) + " ";
        line.resize(lineLength, 'x');
        log += line + "\r\n";
    }
    return log;
}

}  // namespace

TEST(LogBundle, TailRule) {
    struct Case {
        const char* name;
        std::string log;
        std::wstring tail;
    } cases[] = {
        {"no CR LF at all", "one unterminated line", L""},
        {"one line ending in CR LF", "only line\r\n", L"only%20line\n\n"},
        {"blank lines dropped", "a\r\n\r\n  \t\r\nb\r\n", L"a\nb\n\n"},
        {"unterminated last line kept", "a\r\nlast", L"a\nlast\n\n"},
        {"cut at a lone CR and at NUL", std::string("x\ry\r\nz\0w\r\n", 11), L"x\nz\n\n"},
        {"lone line feed stays inside a line", "a\nb\r\n", L"a%Ab\n\n"},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteBytes(dir.file(L"log.txt"), c.log);
        EXPECT_EQ(TailOfLogFile(dir.file(L"log.txt")), c.tail);
    }
    EXPECT_EQ(TailOfLogFile(dir.file(L"missing.txt")), L"");
}

TEST(LogBundle, ALargeLogGivesOnlyItsLastLinesUpToTheLimit) {
    // 52-byte lines: the 385th line taken brings the count to 20020 bytes, the first at or above 20000.
    const std::string log = numberedLog(100000);
    const auto tail = CollectTail(log, true);
    ASSERT_TRUE(tail.has_value());
    EXPECT_EQ(tail->size(), 385u * 52u);
    EXPECT_EQ(*tail, log.substr(log.size() - tail->size()));

    // Reading from the end gives what reading the whole log gives, also when the first window
    // ends inside a line or holds one line longer than the window.
    test::TempDir dir;
    struct Case {
        const char* name;
        std::string log;
    } cases[] = {
        {"many short lines", numberedLog(300000, 37)},
        {"lines longer than the first window", numberedLog(600000, 100000)},
        {"one huge line then short ones", std::string(200000, 'h') + "\r\n" + numberedLog(5000)},
        {"huge unterminated log", std::string(300000, 'u')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteBytes(dir.file(L"big.txt"), c.log);
        const auto whole = CollectTail(c.log, true);
        ASSERT_TRUE(whole.has_value());
        EXPECT_EQ(TailOfLogFile(dir.file(L"big.txt")), EncodeLines(FromAnsi(*whole)));
    }
    EXPECT_FALSE(CollectTail("end of a line\r\nlast", false).has_value());
}

TEST(LogBundle, SectionsInOrderThenTheRegionalSettings) {
    test::ScopedProgramFolder program;
    CreateDirectoryW((program.path() + L"\\VXCOMMON").c_str(), nullptr);
    test::WriteBytes(program.common(L"VXShpTrace.txt"), "sharepoint\r\n");
    test::WriteBytes(program.common(L"Log_trace.txt"), "run\r\n");
    test::WriteBytes(program.common(L"ExchBackupTrace.txt"), "no line end");
    test::WriteBytes(program.common(L"TmpLogAttach.txt"), "stale");

    const std::wstring text = AppendLogBundle(L"REPORT");
    const std::wstring expectedStart = L"REPORT"
                                       L"\r\n\r\n----------Log_trace-------------\r\nrun\n\n"
                                       L"\r\n\r\n----------- ExchBackupTrace ------------\r\n"
                                       L"\r\n\r\n----------- SharePointBackupTrace ------------\r\nsharepoint\n\n"
                                       L"\r\nSystem language details: \r\n\r\nStandards and format details:\r\nLocale ID: ";
    EXPECT_EQ(text.substr(0, expectedStart.size()), expectedStart);
    const size_t nonUnicode = text.find(L"\r\n\r\nLanguage for non-Unicode programs:\r\nLocale ID: ");
    ASSERT_NE(nonUnicode, std::wstring::npos);
    EXPECT_EQ(text.find(L"\r\n", nonUnicode + 40), std::wstring::npos) << "only the first line of the code page";
    EXPECT_NE(text.find(L"\r\nShort Date: "), std::wstring::npos);
    EXPECT_FALSE(FileExists(program.common(L"TmpLogAttach.txt")));
}
