// The engine's rules with stand-in steps and no window: what a failed dump skips, what a cancel
// stops, how far the dumps run ahead of the drive, the report's order, the temporary dumps, and a
// destination that fills up. The stages are made to interleave with gates the test opens.
#include <gtest/gtest.h>

#include <atomic>

#include "transfer/StandInSteps.h"

namespace tess::test {
namespace {

class Bench {
public:
    Bench() {
        plan.destination = drive_.path();
        plan.copier = copier;
        plan.verifier = verifier;
        plan.removeFile = [this](const std::wstring& path) {
            recorder.note(L"removed " + path);
            DeleteFileW(path.c_str());
            return true;
        };
        // The report writer appends under its own lock; the test reads once the run has ended.
        plan.writeReport = [this](const std::wstring& text) { report_ += text + L"\r\n"; };
    }
    std::wstring target(const std::wstring& name) const { return drive_.file(name + L".bak"); }
    static std::wstring dumpOf(const std::wstring& name) { return L"C:\\temp\\" + name + L".bak"; }

    // An item whose dump yields one file of 100 bytes; its tool runs until `tool` opens.
    void addDumped(const std::wstring& name, Gate* tool = nullptr, StepStatus status = StepStatus::kDone) {
        PlanItem item;
        item.name = name;
        item.expectedBytes = 100;
        item.dump = std::make_shared<StandInDump>(recorder, name, PlanFile{dumpOf(name), target(name), 100}, tool, status);
        plan.items.push_back(item);
    }
    void addPlain(const std::wstring& name) {
        plan.items.push_back({name, nullptr, {{L"C:\\data\\" + name, target(name), 100}}, 0});
    }
    // Runs the plan; `during` acts while it runs (opens gates, cancels).
    Outcome run(const std::function<void(Transfer&)>& during = nullptr) {
        {
            Transfer transfer(std::move(plan), recorder);
            transfer.start();
            if (during) during(transfer);
            EXPECT_TRUE(WaitFor([&] { return recorder.outcome() != nullptr; }));
        }  // a run still going is cancelled here, and ends with its outcome all the same
        return *recorder.outcome();
    }
    int at(const std::wstring& step) { return recorder.at(step); }
    const std::wstring& report() const { return report_; }
    // What lies on the drive, partial files included.
    std::set<std::wstring> driveFiles() const {
        std::set<std::wstring> names;
        WIN32_FIND_DATAW found;
        UniqueFind find(FindFirstFileW(drive_.file(L"*").c_str(), &found));
        for (bool more = find.valid(); more; more = FindNextFileW(find.get(), &found))
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
        return names;
    }

    Recorder recorder;
    std::shared_ptr<StandInCopier> copier = std::make_shared<StandInCopier>(recorder);
    std::shared_ptr<StandInVerifier> verifier = std::make_shared<StandInVerifier>(recorder);
    Plan plan;

private:
    TempDir drive_{L"drive"};
    std::wstring report_;
};

TEST(TransferRules, AFailedOrTimedOutDumpSkipsOnlyItsOwnShipping) {
    for (const StepStatus status : {StepStatus::kFailed, StepStatus::kTimedOut}) {
        SCOPED_TRACE(status == StepStatus::kFailed ? "failed" : "timed out");
        Bench bench;
        Gate hangs;  // the timed-out tool never ends by itself
        bench.plan.options.dumpTimeoutMs = 50;
        bench.addDumped(L"alpha");
        bench.addDumped(L"bravo", status == StepStatus::kTimedOut ? &hangs : nullptr, status);
        bench.addDumped(L"charlie");
        const Outcome outcome = bench.run();
        EXPECT_EQ(outcome.end, RunEnd::kCompleted);
        EXPECT_EQ(outcome.items[1].dump, status);
        EXPECT_EQ(outcome.count(FileState::kVerified), 2);
        EXPECT_EQ(bench.driveFiles(), (std::set<std::wstring>{L"alpha.bak", L"charlie.bak"}));
        EXPECT_NE(bench.report().find(L"Not shipped bravo: "), std::wstring::npos) << bench.report();
    }
}

TEST(TransferRules, ACancelStopsEveryStageEndsTheToolAndLeavesNoPartialCopy) {
    Bench bench;
    Gate alphaReadBack, bravoCopy, charlieTool;
    for (const wchar_t* name : {L"alpha", L"bravo"}) bench.addDumped(name);
    bench.addDumped(L"charlie", &charlieTool);
    bench.addDumped(L"delta");
    bench.verifier->gates[bench.target(L"alpha")] = &alphaReadBack;
    bench.copier->gates[bench.target(L"bravo")] = &bravoCopy;
    const Outcome outcome = bench.run([&](Transfer& transfer) {
        // Each stage waits: alpha's read-back, bravo's copy, charlie's tool.
        for (const std::wstring& step : {L"read-back " + bench.target(L"alpha"), L"file started " + bench.target(L"bravo"),
                                         std::wstring(L"dump started charlie")})
            ASSERT_TRUE(bench.recorder.waitFor(step)) << step;
        transfer.cancel();
    });
    EXPECT_EQ(outcome.end, RunEnd::kCancelled);
    EXPECT_GE(bench.at(L"tool ended charlie"), 0);
    EXPECT_GE(bench.at(L"read-back cancelled " + bench.target(L"alpha")), 0);
    EXPECT_EQ(bench.at(L"dump started delta"), -1);
    // Alpha was copied whole before the cancel; nothing else is on the drive, not even in part.
    EXPECT_EQ(bench.driveFiles(), std::set<std::wstring>{L"alpha.bak"});
    EXPECT_EQ(outcome.items[0].files[0].state, FileState::kShipped);
    EXPECT_EQ(outcome.items[1].files[0].state, FileState::kNotShipped);
    EXPECT_NE(bench.report().find(L"The data transfer was cancelled by the user."), std::wstring::npos);
}

TEST(TransferRules, AFullQueueHoldsTheDumpStageBack) {
    Bench bench;
    Gate alphaReadBack;
    for (const wchar_t* name : {L"alpha", L"bravo", L"charlie", L"delta"}) bench.addDumped(name);
    bench.verifier->gates[bench.target(L"alpha")] = &alphaReadBack;
    bench.run([&](Transfer&) {
        ASSERT_TRUE(bench.recorder.waitFor(L"dump held delta"));
        alphaReadBack.open();
    });
    // Bravo is copied and charlie dumped beside alpha's read-back; delta waits until alpha is
    // proven: the temporary folder never holds more than three dumps.
    const int alphaVerified = bench.at(L"verified " + bench.target(L"alpha"));
    EXPECT_LT(bench.at(L"dump ended charlie"), alphaVerified);
    EXPECT_LT(alphaVerified, bench.at(L"dump started delta"));
}

TEST(TransferRules, TheReportKeepsEachItemTogetherInPlanOrder) {
    Bench bench;
    Gate alphaReadBack;
    bench.addDumped(L"alpha");
    bench.addDumped(L"bravo", nullptr, StepStatus::kFailed);
    bench.addPlain(L"charlie");
    bench.verifier->gates[bench.target(L"alpha")] = &alphaReadBack;
    bench.run([&](Transfer&) {
        // Bravo is finished (its dump failed) while alpha's read-back waits.
        ASSERT_TRUE(bench.recorder.waitFor(L"read-back " + bench.target(L"alpha")));
        ASSERT_TRUE(bench.recorder.waitFor(L"dump ended bravo"));
        alphaReadBack.open();
    });
    // The initial of the item each line names, once per run of lines: each item's lines in one block.
    std::wstring order;
    const std::wstring report = bench.report();
    for (size_t start = 0, end; start < report.size(); start = end + 2) {
        end = report.find(L"\r\n", start);
        const std::wstring line = report.substr(start, end - start);
        for (const wchar_t* name : {L"alpha", L"bravo", L"charlie"})
            if (line.find(name) != std::wstring::npos && (order.empty() || order.back() != name[0])) order += name[0];
    }
    EXPECT_EQ(order, L"abc") << report;
}

TEST(TransferRules, ADumpLeavesTheTemporaryFolderOnceItsCopyIsVerified) {
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "KeepTemporaryDumps=1" : "default");
        Bench bench;
        bench.plan.options.keepDumps = keep;
        bench.addDumped(L"alpha");
        bench.addDumped(L"bravo");
        bench.addPlain(L"charlie");
        bench.copier->corrupt.insert(bench.target(L"bravo"));
        bench.run();
        const int removed = bench.at(L"removed " + Bench::dumpOf(L"alpha"));
        if (keep) EXPECT_EQ(removed, -1);
        else EXPECT_GT(removed, bench.at(L"verified " + bench.target(L"alpha")));
        // Bravo's dump stays beside its copy that did not read back (that copy goes); charlie's
        // source is not the run's to remove.
        EXPECT_EQ(bench.at(L"removed " + Bench::dumpOf(L"bravo")), -1);
        EXPECT_EQ(bench.at(L"removed C:\\data\\charlie"), -1);
        EXPECT_EQ(bench.driveFiles(), (std::set<std::wstring>{L"alpha.bak", L"charlie.bak"}));
        EXPECT_EQ(bench.report().find(L"Kept the dump " + Bench::dumpOf(L"alpha")) != std::wstring::npos, keep);
    }
}

TEST(TransferRules, OnceTheLastCopyIsMadeTheFiguresFollowTheReadBack) {
    Bench bench;
    std::atomic<uint64_t> clock{0};
    bench.plan.clockMs = [&clock] { return clock += 100; };  // figures settle without waiting
    bench.addPlain(L"alpha");
    bench.addPlain(L"bravo");
    bench.verifier->byteSteps = 60;
    Gate lastReadBack;
    bench.verifier->gates[bench.target(L"bravo")] = &lastReadBack;
    bench.run([&](Transfer&) {
        // The copy stage's end tells the bytes once more (after its last copy's own event).
        ASSERT_TRUE(WaitFor([&] { return bench.recorder.count(L"bytes 200") == 2; }));
        lastReadBack.open();
    });
    std::vector<std::wstring> figures;
    for (const auto& step : bench.recorder.steps())
        if (step.rfind(L"figures ", 0) == 0) figures.push_back(step.substr(8));
    ASSERT_GE(figures.size(), 2u);
    EXPECT_EQ(figures.back(), L"");  // the run's end hides them
    EXPECT_EQ(figures[figures.size() - 2].rfind(L"Verifying: ", 0), 0u) << figures[figures.size() - 2];
}

TEST(TransferRules, TheDumpsBarMovesWhileTheToolWritesAndFillsOnlyWhenItEnded) {
    Bench bench;
    uint64_t clock = 0;  // the dump stage's alone until the copy starts
    bench.plan.clockMs = [&clock] { return clock += 1000; };
    bench.addDumped(L"alpha");
    std::static_pointer_cast<StandInDump>(bench.plan.items[0].dump)->writes = {40, 120};
    bench.run();
    std::vector<std::wstring> dump;
    for (const auto& step : bench.recorder.steps())
        if (step.rfind(L"dump bytes ", 0) == 0) dump.push_back(step.substr(11));
    EXPECT_EQ(dump, (std::vector<std::wstring>{L"40% 40.00 B of about 100.00 B, 0:01 elapsed",
                                               L"95% 120.00 B of about 100.00 B, 0:02 elapsed",
                                               L"100% 120.00 B of about 100.00 B, 0:03 elapsed"}));
    EXPECT_LT(bench.at(L"dump bytes " + dump.back()), bench.at(L"file started " + bench.target(L"alpha")));
}

TEST(TransferRules, ADestinationWithoutRoomEndsTheShippingAndLeavesNothingPartial) {
    struct Case {
        const char* what;
        size_t noRoomAtCheck;        // 0: the room check always passes
        const wchar_t* fillsDuring;  // the copy that finds the drive full
        std::set<std::wstring> onDrive;
    };
    const Case cases[] = {
        {"no room for the run", 1, nullptr, {}},
        {"no room for bravo's dump", 2, nullptr, {L"alpha.bak"}},
        {"the drive fills during bravo's copy", 0, L"bravo", {L"alpha.bak"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench;
        std::vector<uint64_t> asked;
        bench.plan.checkRoom = [&](uint64_t bytes) {
            asked.push_back(bytes);
            return asked.size() == c.noRoomAtCheck ? DestinationRoom::kNoRoom : DestinationRoom::kFits;
        };
        for (const wchar_t* name : {L"alpha", L"bravo", L"charlie"}) bench.addDumped(name);
        if (c.fillsDuring) bench.copier->noRoom.insert(bench.target(c.fillsDuring));
        const Outcome outcome = bench.run();
        EXPECT_EQ(outcome.end, RunEnd::kNoRoom);
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(asked.front(), 300u);  // before the first copy: all the run is to ship
        EXPECT_EQ(bench.driveFiles(), c.onDrive);
        EXPECT_EQ(outcome.count(FileState::kVerified), static_cast<int>(c.onDrive.size()));
        EXPECT_EQ(bench.at(L"file started " + bench.target(L"charlie")), -1);
        EXPECT_NE(bench.report().find(L"Insufficient disk space to ship the data to "), std::wstring::npos);
    }
}

TEST(TransferRules, AStageWaitsForTheReplyToItsQuestionOrForTheCancel) {
    for (const bool reply : {true, false}) {
        SCOPED_TRACE(reply ? "replied" : "cancelled");
        Bench bench;
        bench.addPlain(L"alpha");
        bench.copier->askAbout.insert(bench.target(L"alpha"));
        const Outcome outcome = bench.run([&](Transfer& transfer) {
            ASSERT_TRUE(bench.recorder.waitFor(L"question Retry?"));
            if (reply) bench.recorder.question()->reply(4);
            else transfer.cancel();
        });
        EXPECT_GE(bench.at(reply ? L"answer 4" : L"answer none"), 0);
        EXPECT_EQ(outcome.end, reply ? RunEnd::kCompleted : RunEnd::kCancelled);
    }
}

TEST(QueueSink, WakesItsReaderOnlyWhenTheQueueStopsBeingEmpty) {
    int wakes = 0;
    QueueSink sink([&] { ++wakes; });
    sink.onEvent({});
    sink.onEvent({});
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(sink.drain().size(), 2u);
    sink.onEvent({});
    EXPECT_EQ(wakes, 2);
}

}  // namespace
}  // namespace tess::test
