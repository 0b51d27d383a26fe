// The report as values: the encoders, the form, the fields' rules, and the logs' tails and
// sections appended to it.
#include <windows.h>

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "common/Files.h"
#include "common/Text.h"
#include "feedback/FrmErrorReport1.h"
#include "feedback/LogBundle.h"
#include "feedback/ReportText.h"
#include "support/TestSupport.h"
#include "ui/MessageBox.h"

using namespace tess;
using namespace tess::feedback;

TEST(ReportText, EncodersPadKeepAndSplitAsTheServerExpects) {
    const std::tuple<std::wstring, std::wstring, std::wstring> cases[] = {  // text; form-encoded, UTF-8 encoded
        {L"abcXYZ019", L"abcXYZ019", L"abcXYZ019"},
        {L"  a b  ", L"a%20b", L"%20%20a%20b%20%20"},  // only the form encoder trims
        {L"a\tb", L"a%09b", L"a%9b"},
        {L"a/b.c", L"a%2Fb%2Ec", L"a/b%2Ec"},
        {L"x\ny", L"x%0Ay", L"x%Ay"},
        {L"\u00e9", L"%E9", L"%C3%A9"},
        {L"\u20ac", L"%20AC", L"%E2%82%AC"},
        {L"a;b@c", L"a%3Bb%40c", L"a%3Bb%40c"},
        {L"   ", L"", L""},
    };
    for (const auto& [text, form, utf8] : cases) {
        SCOPED_TRACE(testing::PrintToString(text));
        EXPECT_EQ(URLEncode(text), form);
        EXPECT_EQ(URLEncodeWebd(text), utf8);
    }
}

TEST(ReportText, MessageLinesGetALineFeedOnlyWhenThereAreSeveral) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"one line", L"one%20line"},
        {L"first\r\nsecond", L"first\nsecond\n"},
        {L"ends\r\n", L"ends\n\n"},
        {L"a\r\n\r\nb c", L"a\n\nb%20c\n"},
    };
    for (const auto& [message, encoded] : cases) {
        SCOPED_TRACE(testing::PrintToString(message));
        EXPECT_EQ(EncodeLines(message), encoded);
    }
}

TEST(ReportText, FormBodyByteForByteOnBothPaths) {
    const std::wstring content = L"header\r\nline%20one\n";
    NotificationForm form = BuildNotificationForm(L"a@x.example;b@x.example", L"Tessaron Ticket : 7", content, L"  ");
    EXPECT_EQ(form.path, L"/cgi-bin/Notify_email");
    EXPECT_EQ(form.body, L"EMAIL=a%40x%2Eexampleb%40x%2Eexample\r\n&SUBJECT=Tessaron%20Ticket%20%3A%207"
                         L"\r\n&CONTENT=header\r\nline%20one\n");

    form = BuildNotificationForm(L"s@x.example", L"S", content, L" me@y.example ");
    EXPECT_EQ(form.path, L"/cgi-bin/Notify_unicode");
    EXPECT_EQ(form.body, L"EMAIL=s%40x%2Eexample\r\n&SUBJECT=S\r\n&CONTENT=header\r\nline%20one\n"
                         L"\r\n&user_email=me%40y%2Eexample");
}

TEST(ReportFields, RulesBeforeASend) {
    const std::tuple<const wchar_t*, const wchar_t*, int, int, bool> cases[] = {  // from, message; code, icon, focus
        {L"", L"", 12, kIconInformation, false},  // the address first, even with no message
        {L" \t", L"hello", 12, kIconInformation, false},
        {L"me@x.example", L"", 14, kIconInformation, true},
        {L"me@x", L"hello", 500, kIconError, false},
        {L"me@x.example", L"hello", 0, 0, false},
    };
    for (const auto& [from, message, code, icon, focusMessage] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(from)));
        const Validation v = ValidateFields(from, message);
        EXPECT_EQ(std::tie(v.message, v.icon, v.focusMessage), std::tie(code, icon, focusMessage));
    }
}

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
    const std::tuple<const char*, std::string, std::wstring> cases[] = {  // what, log; tail
        {"no CR LF at all", "one unterminated line", L""},
        {"one line ending in CR LF", "only line\r\n", L"only%20line\n\n"},
        {"blank lines dropped", "a\r\n\r\n  \t\r\nb\r\n", L"a\nb\n\n"},
        {"unterminated last line kept", "a\r\nlast", L"a\nlast\n\n"},
        {"cut at a lone CR and at NUL", std::string("x\ry\r\nz\0w\r\n", 11), L"x\nz\n\n"},
        {"lone line feed stays inside a line", "a\nb\r\n", L"a%Ab\n\n"},
    };
    test::TempDir dir;
    for (const auto& [name, log, tail] : cases) {
        SCOPED_TRACE(name);
        test::WriteBytes(dir.file(L"log.txt"), log);
        EXPECT_EQ(TailOfLogFile(dir.file(L"log.txt")), tail);
    }
    EXPECT_EQ(TailOfLogFile(dir.file(L"missing.txt")), L"");
}

TEST(LogBundle, ALargeLogGivesOnlyItsLastLinesUpToTheLimit) {
    // 52-byte lines: the 385th line taken brings the count to 20020 bytes, the first at or above 20000.
    const std::string large = numberedLog(100000);
    const auto tail = CollectTail(large, true);
    ASSERT_TRUE(tail.has_value());
    EXPECT_EQ(tail->size(), 385u * 52u);
    EXPECT_EQ(*tail, large.substr(large.size() - tail->size()));

    // Reading from the end gives what reading the whole log gives, also when the first window
    // ends inside a line or holds one line longer than the window.
    test::TempDir dir;
    const std::pair<const char*, std::string> cases[] = {
        {"many short lines", numberedLog(300000, 37)},
        {"lines longer than the first window", numberedLog(600000, 100000)},
        {"one huge line then short ones", std::string(200000, 'h') + "\r\n" + numberedLog(5000)},
        {"huge unterminated log", std::string(300000, 'u')},
    };
    for (const auto& [name, log] : cases) {
        SCOPED_TRACE(name);
        test::WriteBytes(dir.file(L"big.txt"), log);
        const auto whole = CollectTail(log, true);
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
