// The console program's decisions that a script relies on: the exit code a run's outcome gives,
// the pace of the progress lines when nobody watches a console, and a stopped run finished by
// resume.
#include <windows.h>

#include <gtest/gtest.h>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ConsoleSink.h"
#include "cli/RunReport.h"
#include "common/Files.h"
#include "support/TestSupport.h"
#include "transfer/BlockCopy.h"
#include "transfer/DriveHold.h"
#include "transfer/Journal.h"

namespace tess::cli {
namespace {

Outcome outcomeOf(RunEnd end, std::optional<StepStatus> dump, std::vector<FileState> states) {
    Outcome outcome;
    outcome.end = end;
    ItemOutcome item;
    item.dump = dump;
    for (FileState state : states) item.files.push_back({{}, state, {}, 0, {}, 0});
    outcome.items.push_back(item);
    return outcome;
}

TEST(ConsoleRun, ExitCodeFollowsWhatArrived) {
    using S = FileState;
    const struct {
        const char* what;
        Outcome outcome;
        bool verify;
        int code;
    } cases[] = {
        {"all verified", outcomeOf(RunEnd::kCompleted, StepStatus::kDone, {S::kVerified, S::kVerified}), true, 0},
        {"copied but never read back", outcomeOf(RunEnd::kCompleted, StepStatus::kDone, {S::kShipped}), true, 1},
        {"copied with verification off", outcomeOf(RunEnd::kCompleted, StepStatus::kDone, {S::kShipped}), false, 0},
        {"one copy failed", outcomeOf(RunEnd::kCompleted, StepStatus::kDone, {S::kVerified, S::kFailed}), true, 1},
        {"a dump failed, nothing to ship", outcomeOf(RunEnd::kCompleted, StepStatus::kFailed, {}), true, 1},
        {"a dump timed out", outcomeOf(RunEnd::kCompleted, StepStatus::kTimedOut, {}), true, 1},
        {"cancelled after a verified file", outcomeOf(RunEnd::kCancelled, StepStatus::kDone, {S::kVerified}), true, 4},
        {"the drive filled up", outcomeOf(RunEnd::kNoRoom, StepStatus::kDone, {S::kNotShipped}), true, 5},
        {"the drive went away", outcomeOf(RunEnd::kUnreachable, StepStatus::kDone, {S::kNotShipped}), true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ExitCodeOf(c.outcome, c.verify), c.code);
    }
}

// Figures come with every bytes event; to a file they are thinned to one a second, and the JSON
// lines of the copy and the read-back are paced apart so one cannot starve the other. A question
// is answered at once with its safe answer, or the stage waiting on it would hang the run.
TEST(ConsoleRun, ProgressIsPacedAndQuestionsTakeTheSafeAnswer) {
    uint64_t now = 0;
    std::vector<std::wstring> lines;
    ConsoleSink text(false, 1000, [&](const std::wstring& line) { lines.push_back(line); }, [&] { return now; });
    Event figures;
    figures.kind = EventKind::kFigures;
    figures.text = L"1 MB of 2 MB";
    for (now = 0; now < 3000; now += 50) text.onEvent(figures);
    EXPECT_EQ(lines.size(), 3u);

    lines.clear();
    ConsoleSink json(true, 1000, [&](const std::wstring& line) { lines.push_back(line); }, [&] { return now; });
    Event copy, verify;
    copy.kind = EventKind::kBytesDone;
    verify.kind = EventKind::kVerifyBytes;
    for (int i = 0; i < 10; ++i) json.onEvent(copy), json.onEvent(verify);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find(L"verifyProgress"), std::wstring::npos);

    Event ask;
    ask.kind = EventKind::kQuestion;
    ask.question = std::make_shared<Question>(15, L"The drive is not ready.", 2);
    json.onEvent(ask);
    CancelToken never;
    EXPECT_EQ(ask.question->wait(never), std::optional<int>(2));
    // A question about the drive is left to the run, which withdraws it once the drive is back.
    ask.question = std::make_shared<Question>(kDriveGoneMessage, L"The drive R:\\ is not ready.", kAnswerRetry);
    json.onEvent(ask);
    EXPECT_FALSE(ask.question->answered());
}

// resume finishes what the journal says is left, or drops it; a second resume finds nothing.
TEST(ResumeCommand, FinishesTheStoppedRunOrDiscardsIt) {
    test::ScopedProgramFolder program;
    ASSERT_TRUE(CreateDirectoryW((program.path() + L"\\VXCOMMON").c_str(), nullptr));
    test::TempDir dir(L"resume");
    const std::wstring temp = dir.file(L"temp"), drive = dir.file(L"drive");
    ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr) && CreateDirectoryW(drive.c_str(), nullptr));
    std::string content(1u << 20, '\0');
    for (size_t k = 0; k < content.size(); ++k) content[k] = static_cast<char>(k * 7 + k / 997);
    const std::wstring dump = temp + L"\\Sales.bak", target = drive + L"\\Sales.bak";
    const auto stoppedRun = [&](const std::wstring& source) {
        RunJournal journal;
        journal.kind = L"SQL Server";
        journal.destination = journal.manifestFolder = drive;
        journal.items = {{L"Sales", true, true, {{source, target, content.size(), LastWriteTime(source), JournalState::kCopying, 0, {}}}}};
        return ReplaceFileContents(RunJournalPath(), FormatJournal(journal));
    };
    ASSERT_TRUE(WriteFileBytes(dump, content));
    ASSERT_TRUE(WriteFileBytes(target + kPartialSuffix, content.substr(0, 256u << 10)));
    ASSERT_TRUE(stoppedRun(dump));
    const std::wstring report = dir.file(L"run.json");
    EXPECT_EQ(FinishStoppedRun({false, report, true}), kExitShipped);
    EXPECT_EQ(ReadFileBytes(target), content);
    EXPECT_FALSE(FileExists(RunJournalPath()));
    EXPECT_NE(ReadAnsiText(program.common(L"Log_trace.txt")).find(L"Resumed at 262144 bytes"), std::wstring::npos);
    const auto json = ReadFileBytes(report);
    ASSERT_TRUE(json);
    EXPECT_EQ(nlohmann::json::parse(*json)["command"], "resume");
    EXPECT_EQ(FinishStoppedRun({}), kExitNothingFound);

    // A dump gone from the temporary folder is said, not shipped; --discard drops the journal.
    ASSERT_TRUE(stoppedRun(dump));
    EXPECT_EQ(FinishStoppedRun({}), kExitSomeFailed);
    ASSERT_TRUE(stoppedRun(dump));
    EXPECT_EQ(FinishStoppedRun({true, {}, false}), kExitShipped);
    EXPECT_FALSE(FileExists(RunJournalPath()));
}

}  // namespace
}  // namespace tess::cli
