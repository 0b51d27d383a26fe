// A destination drive that drops out in the middle of a run: the copy holds, asks, and goes on by
// itself once the same drive answers again, never writing to another one under its letter.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "common/Files.h"
#include "support/TestSupport.h"
#include "transfer/BlockCopy.h"
#include "transfer/DriveHold.h"
#include "transfer/DriveSteps.h"
#include "transfer/Transfer.h"

namespace tess::test {
namespace {

// The questions a hold put out, left open unless a case replies.
struct Asked {
    std::vector<std::shared_ptr<Question>> questions;
    std::shared_ptr<Question> ask(int message, const std::wstring& text) {
        questions.push_back(std::make_shared<Question>(message, text, kAnswerRetry));
        return questions.back();
    }
};

TEST(DriveHold, WaitsForTheSameDriveAndRefusesAnother) {
    struct Case {
        const char* name;
        std::vector<DriveAnswer> probes;  // what each look finds
        int userReply;                    // given to the first question (0: none)
        HoldEnd end;
        std::vector<int> asked;           // the messages put out, in order
    } cases[] = {
        {"back by itself", {DriveAnswer::kGone, DriveAnswer::kGone, DriveAnswer::kSame}, 0, HoldEnd::kBack, {590}},
        {"another drive, then the right one", {DriveAnswer::kGone, DriveAnswer::kOther, DriveAnswer::kOther, DriveAnswer::kSame},
         0, HoldEnd::kBack, {590, 591}},
        {"Retry while still gone asks again after a look", {DriveAnswer::kGone, DriveAnswer::kGone, DriveAnswer::kSame},
         kAnswerRetry, HoldEnd::kBack, {590, 590}},
        {"Cancel", {DriveAnswer::kGone}, kAnswerCancel, HoldEnd::kCancelled, {590}},
        {"never back", {}, 0, HoldEnd::kTimedOut, {590}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CancelToken cancel;
        Asked asked;
        size_t look = 0;
        DriveHold hold{cancel, L"R:\\", {}, {}, 1, c.probes.empty() ? 30 : kNoTimeLimit};
        hold.ask = [&](int message, const std::wstring& text) {
            auto question = asked.ask(message, text);
            if (c.userReply && asked.questions.size() == 1) question->reply(c.userReply);
            return question;
        };
        hold.probe = [&] { return look < c.probes.size() ? c.probes[look++] : DriveAnswer::kGone; };
        EXPECT_EQ(HoldForDrive(hold), c.end);
        std::vector<int> messages;
        for (const auto& question : asked.questions) {
            messages.push_back(question->code());
            EXPECT_TRUE(question->answered());  // none left on the screen
            EXPECT_NE(question->text().find(L"R:"), std::wstring::npos);
        }
        EXPECT_EQ(messages, c.asked);
    }
    // A cancel of the run ends the hold at once, whatever the drive does.
    CancelToken cancel;
    cancel.cancel();
    Asked asked;
    DriveHold hold{cancel, L"R:\\", [&](int m, const std::wstring& t) { return asked.ask(m, t); },
                   [] { return DriveAnswer::kGone; }, 60000, kNoTimeLimit};
    EXPECT_EQ(HoldForDrive(hold), HoldEnd::kCancelled);
}

// The events of a run on a drive that the test pulls out and puts back.
class DriveSink : public Sink {
public:
    std::function<void(const Event& event)> onBytes;  // the copy's and the read-back's bytes events
    void onEvent(const Event& event) override {
        if ((event.kind == EventKind::kBytesDone || event.kind == EventKind::kVerifyBytes) && onBytes) onBytes(event);
        std::lock_guard<std::mutex> guard(lock_);
        if (event.question) questions_.push_back(event.question);
        if (event.outcome) outcome_ = event.outcome;
    }
    std::shared_ptr<Question> question(size_t index) {
        std::lock_guard<std::mutex> guard(lock_);
        return index < questions_.size() ? questions_[index] : nullptr;
    }
    std::shared_ptr<const Outcome> outcome() {
        std::lock_guard<std::mutex> guard(lock_);
        return outcome_;
    }

private:
    std::mutex lock_;
    std::vector<std::shared_ptr<Question>> questions_;
    std::shared_ptr<const Outcome> outcome_;
};

// A 48 MiB file shipped to the FUSE drive of tests/support/fuse-drive-session.sh, which the test
// unplugs once `unplugAt` of it went by in events of kind `stage`.
struct DriveRun {
    std::wstring drive = EnvironmentValue(L"TESS_FUSE_DRIVE"), gone = EnvironmentValue(L"TESS_FUSE_GONE");
    TempDir dir{L"drop"};
    std::string content = std::string(48u << 20, '\0');
    std::wstring folder = drive + L"\\shipped", target = folder + L"\\db.bak";
    std::wstring report;
    DriveSink sink;
    std::atomic<bool> unplugged{false};

    DriveRun() {
        for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>((i * 131 + i / 4096) & 0xFF);
        WriteBytes(dir.file(L"db.bak"), content);
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    ~DriveRun() {
        DeleteFileW(gone.c_str());
        DeleteFileW(target.c_str());
    }
    std::unique_ptr<Transfer> start(EventKind stage, uint64_t unplugAt) {
        Plan plan;
        plan.items.push_back({L"db", nullptr, {{dir.file(L"db.bak"), target, content.size()}}, 0});
        plan.copier = std::make_shared<BlockFileCopier>();
        plan.verifier = std::make_shared<ReadBackVerifier>();
        plan.options.drivePollMs = 50;
        plan.writeReport = [this](const std::wstring& text) { report += text + L"\r\n"; };
        sink.onBytes = [this, stage, unplugAt](const Event& event) {
            if (event.kind != stage || event.bytes < unplugAt || unplugged.exchange(true)) return;
            WriteBytes(gone, "");
        };
        auto transfer = std::make_unique<Transfer>(std::move(plan), sink);
        transfer->start();
        return transfer;
    }
};

// Unplugged at half the file, another drive put in under the letter (refused, nothing written to
// it), then the right one plugged back.
TEST(DroppedDrive, TheCopyGoesOnFromTheKeptBytesOnTheSameDriveOnly) {
    if (EnvironmentValue(L"TESS_FUSE_DRIVE").empty()) GTEST_SKIP() << "run by tests/support/fuse-drive-session.sh";
    const std::wstring swap = EnvironmentValue(L"TESS_FUSE_SWAP");
    DriveRun run;
    const auto transfer = run.start(EventKind::kBytesDone, run.content.size() / 2);
    DriveSink& sink = run.sink;

    ASSERT_TRUE(WaitFor([&] { return sink.question(0) != nullptr; }, 60000));
    EXPECT_EQ(sink.question(0)->code(), kDriveGoneMessage);
    WriteBytes(swap, "");
    DeleteFileW(run.gone.c_str());
    ASSERT_TRUE(WaitFor([&] { return sink.question(1) != nullptr; }, 60000));
    EXPECT_EQ(sink.question(1)->code(), kOtherDriveMessage);
    EXPECT_FALSE(PathExists(EnvironmentValue(L"TESS_FUSE_OTHER") + L"\\shipped"));  // nothing written to it
    DeleteFileW(swap.c_str());
    ASSERT_TRUE(WaitFor([&] { return sink.outcome() != nullptr; }, 120000));

    const Outcome outcome = *sink.outcome();
    ASSERT_EQ(outcome.count(FileState::kVerified), 1) << run.report;
    EXPECT_EQ(ReadBytes(run.target), run.content);
    EXPECT_NE(run.report.find(L"Resumed at "), std::wstring::npos) << run.report;
    // What was written again is the part after the last whole block the drive kept.
    EXPECT_GE(outcome.writtenBytes, run.content.size());
    EXPECT_LE(outcome.writtenBytes - run.content.size(), run.content.size() / 20) << outcome.writtenBytes;
}

// Unplugged while the whole copy is read back: the read-back holds, asks, and reads the file again
// once the drive is back; nothing is written again.
TEST(DroppedDrive, TheReadBackHoldsAndReadsTheFileAgain) {
    if (EnvironmentValue(L"TESS_FUSE_DRIVE").empty()) GTEST_SKIP() << "run by tests/support/fuse-drive-session.sh";
    DriveRun run;
    const auto transfer = run.start(EventKind::kVerifyBytes, run.content.size() / 4);
    ASSERT_TRUE(WaitFor([&] { return run.sink.question(0) != nullptr; }, 60000));
    EXPECT_EQ(run.sink.question(0)->code(), kDriveGoneMessage);
    DeleteFileW(run.gone.c_str());
    ASSERT_TRUE(WaitFor([&] { return run.sink.outcome() != nullptr; }, 120000));

    const Outcome outcome = *run.sink.outcome();
    ASSERT_EQ(outcome.count(FileState::kVerified), 1) << run.report;
    EXPECT_TRUE(run.sink.question(0)->answered());  // withdrawn once the drive answered
    EXPECT_NE(run.report.find(L"is read back again"), std::wstring::npos) << run.report;
    EXPECT_EQ(outcome.writtenBytes, run.content.size());
}

// A `.partial` whose bytes were altered on the drive is not taken as kept: the copy starts again.
TEST(DroppedDrive, AnAlteredKeptPartStartsAgain) {
    if (EnvironmentValue(L"TESS_FUSE_DRIVE").empty()) GTEST_SKIP() << "run by tests/support/fuse-drive-session.sh";
    DriveRun run;
    std::string kept = run.content.substr(0, 8u << 20);
    kept[5u << 20] ^= 0x5A;
    WriteBytes(run.target + kPartialSuffix, kept);
    std::string sha256;
    CopyStart start;
    ASSERT_EQ(CopyFileBlocks(run.dir.file(L"db.bak"), run.target, nullptr, nullptr, &sha256, &start), kCopyDone);
    EXPECT_EQ(start.keptBytes, 0u);
    EXPECT_EQ(start.startedAgain, L"the kept part differs from the source");
    EXPECT_EQ(ReadBytes(run.target), run.content);
}

}  // namespace
}  // namespace tess::test
