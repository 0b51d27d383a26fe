// A destination drive that drops out in the middle of a run: the copy holds, asks, and goes on by
// itself once the same drive answers again, never writing to another one under its letter.
#include <windows.h>

#include <gtest/gtest.h>

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
    std::function<void(uint64_t bytes)> onBytes;
    void onEvent(const Event& event) override {
        if (event.kind == EventKind::kBytesDone && onBytes) onBytes(event.bytes);
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

// Needs the FUSE drive of tests/support/fuse-drive-session.sh: unplugged at half the file, another
// drive put in under the letter (refused, nothing written to it), then the right one plugged back.
TEST(DroppedDrive, TheCopyGoesOnFromTheKeptBytesOnTheSameDriveOnly) {
    const std::wstring drive = EnvironmentValue(L"TESS_FUSE_DRIVE");
    if (drive.empty()) GTEST_SKIP() << "run by tests/support/fuse-drive-session.sh";
    const std::wstring gone = EnvironmentValue(L"TESS_FUSE_GONE"), swap = EnvironmentValue(L"TESS_FUSE_SWAP");
    TempDir dir(L"drop");
    std::string content(48u << 20, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>((i * 131 + i / 4096) & 0xFF);
    WriteBytes(dir.file(L"db.bak"), content);
    const std::wstring folder = drive + L"\\shipped";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);

    Plan plan;
    plan.items.push_back({L"db", nullptr, {{dir.file(L"db.bak"), folder + L"\\db.bak", content.size()}}, 0});
    plan.copier = std::make_shared<BlockFileCopier>();
    plan.verifier = std::make_shared<ReadBackVerifier>();
    plan.options.drivePollMs = 50;
    std::wstring report;
    plan.writeReport = [&report](const std::wstring& text) { report += text + L"\r\n"; };
    DriveSink sink;
    bool unplugged = false;
    sink.onBytes = [&](uint64_t bytes) {
        if (unplugged || bytes < content.size() / 2) return;
        WriteBytes(gone, "");
        unplugged = true;
    };
    Transfer transfer(std::move(plan), sink);
    transfer.start();

    ASSERT_TRUE(WaitFor([&] { return sink.question(0) != nullptr; }, 60000));
    EXPECT_EQ(sink.question(0)->code(), kDriveGoneMessage);
    WriteBytes(swap, "");
    DeleteFileW(gone.c_str());
    ASSERT_TRUE(WaitFor([&] { return sink.question(1) != nullptr; }, 60000));
    EXPECT_EQ(sink.question(1)->code(), kOtherDriveMessage);
    EXPECT_FALSE(PathExists(EnvironmentValue(L"TESS_FUSE_OTHER") + L"\\shipped"));  // nothing written to it
    DeleteFileW(swap.c_str());
    ASSERT_TRUE(WaitFor([&] { return sink.outcome() != nullptr; }, 120000));

    const Outcome outcome = *sink.outcome();
    ASSERT_EQ(outcome.count(FileState::kVerified), 1) << report;
    EXPECT_EQ(ReadBytes(folder + L"\\db.bak"), content);
    EXPECT_NE(report.find(L"Resumed at "), std::wstring::npos) << report;
    // What was written again is the part after the last whole block the drive kept.
    EXPECT_GE(outcome.writtenBytes, content.size());
    EXPECT_LE(outcome.writtenBytes - content.size(), content.size() / 20) << outcome.writtenBytes;
    DeleteFileW((folder + L"\\db.bak").c_str());
}

}  // namespace
}  // namespace tess::test
