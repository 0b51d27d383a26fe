// A run stopped for good (its process killed) and finished by the next start from its journal.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/Files.h"
#include "support/TestSupport.h"
#include "transfer/BlockCopy.h"
#include "transfer/DriveSteps.h"
#include "transfer/Manifest.h"
#include "transfer/Resume.h"
#include "transfer/Transfer.h"

namespace tess::test {
namespace {

class NoSink : public Sink {
public:
    void onEvent(const Event&) override {}
};

std::string patternBytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (size_t k = 0; k < size; ++k) bytes[k] = static_cast<char>((k * 31 + seed * 7 + k / 4093) & 0xff);
    return bytes;
}

// The layout both the killed run and the one that finishes it use; the drive's folder can be one
// the host's sha256sum checks afterwards.
struct Layout {
    explicit Layout(const std::wstring& root, const std::wstring& drive = EnvironmentValue(L"TESS_STOPPED_RUN_DRIVE"))
        : temp(root + L"\\temp"), drive(drive.empty() ? root + L"\\drive" : drive), journal(root + L"\\run.json") {}
    std::wstring temp, drive, journal;
    const std::vector<std::pair<std::wstring, size_t>> files{
        {L"a.bak", 1u << 20}, {L"b \u00e9t\u00e9.bak", 300000}, {L"c.bak", 8u << 20}};
    std::wstring source(size_t k) const { return temp + L"\\" + files[k].first; }
    std::wstring target(size_t k) const { return drive + L"\\" + files[k].first; }
};

// The block copy, stopped for good in the middle of the last file: the process is killed there.
class StallingCopier : public FileCopier {
public:
    explicit StallingCopier(std::wstring stallAt) : stallAt_(std::move(stallAt)) {}
    CopyResult copy(const PlanFile& file, StepContext& context) override {
        if (file.target == stallAt_) {
            const auto addBytes = context.addBytes;
            context.addBytes = [addBytes](uint64_t bytes) {
                addBytes(bytes);
                WaitForSingleObject(GetCurrentProcess(), INFINITE);
            };
        }
        return copier_.copy(file, context);
    }

private:
    std::wstring stallAt_;
    BlockFileCopier copier_;
};

// Started by FinishesAfterTheProcessWasKilled as a process of its own.
TEST(StoppedRun, DISABLED_RunUntilKilled) {
    const Layout layout(EnvironmentValue(L"TESS_STOPPED_RUN"));
    Plan plan;
    PlanItem item{L"Sales", nullptr, {}, 0, true};
    for (size_t k = 0; k < layout.files.size(); ++k)
        item.files.push_back({layout.source(k), layout.target(k), layout.files[k].second});
    plan.items.push_back(item);
    plan.destination = plan.manifestFolder = layout.drive;
    plan.copier = std::make_shared<StallingCopier>(layout.target(layout.files.size() - 1));
    plan.verifier = std::make_shared<ReadBackVerifier>();
    plan.journal = std::make_shared<Journal>(layout.journal, L"SQL Server");
    NoSink sink;
    Transfer(std::move(plan), sink).run();
}

TEST(StoppedRun, FinishesAfterTheProcessWasKilled) {
    TempDir root(L"stop");
    const Layout layout(root.path());
    ASSERT_TRUE(CreateDirectoryW(layout.temp.c_str(), nullptr));
    Trf_CreateLocalDir(layout.drive);
    for (size_t k = 0; k < layout.files.size(); ++k)
        ASSERT_TRUE(WriteFileBytes(layout.source(k), patternBytes(layout.files[k].second, static_cast<unsigned>(k))));

    ScopedEnvironment where(L"TESS_STOPPED_RUN", root.path().c_str());
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(exe) +
                        L"\" --gtest_filter=StoppedRun.DISABLED_RunUntilKilled --gtest_also_run_disabled_tests";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessW(exe, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child));
    UniqueHandle process(child.hProcess), thread(child.hThread);
    const std::wstring lastPartial = layout.target(2) + kPartialSuffix;
    const bool stopped = WaitFor(
        [&] {
            const auto journal = ReadJournal(layout.journal);
            if (!journal || journal->items.size() != 1 || journal->items[0].files.size() != 3) return false;
            const auto& files = journal->items[0].files;
            return files[0].state == JournalState::kVerified && files[1].state == JournalState::kVerified &&
                   files[2].state == JournalState::kCopying && FileSize(lastPartial).value_or(0) > 0;
        },
        60000);
    TerminateProcess(process.get(), 9);
    WaitForSingleObject(process.get(), INFINITE);
    ASSERT_TRUE(stopped) << "the run never reached the middle of its last file";
    EXPECT_FALSE(FileExists(layout.source(0)));  // verified dumps left the temporary folder before the stop

    const auto journal = ReadJournal(layout.journal);
    ASSERT_TRUE(journal);
    EXPECT_EQ(FilesToFinish(*journal), 1u);
    ResumeWork work = PrepareResume(*journal, layout.journal);
    EXPECT_EQ(work.proven, 2u);
    EXPECT_TRUE(work.notShipped.empty());
    ASSERT_EQ(work.plan.items.size(), 1u);
    std::wstring report;
    work.plan.writeReport = [&](const std::wstring& text) { report += text + L"\n"; };
    NoSink sink;
    const Outcome outcome = Transfer(std::move(work.plan), sink).run();

    EXPECT_EQ(outcome.end, RunEnd::kCompleted);
    EXPECT_EQ(outcome.count(FileState::kVerified), 1);
    EXPECT_LT(outcome.writtenBytes, layout.files[2].second);
    EXPECT_NE(report.find(L"Resumed at "), std::wstring::npos) << report;
    EXPECT_FALSE(FileExists(layout.journal));
    EXPECT_FALSE(FileExists(layout.source(2)));
    // Each file listed in the manifest with its digest: tests/transfer/manifest-check.sh runs this
    // test into a folder of the host and checks it there with sha256sum -c.
    for (size_t k = 0; k < layout.files.size(); ++k)
        EXPECT_EQ(ReadFileBytes(layout.target(k)), patternBytes(layout.files[k].second, static_cast<unsigned>(k))) << k;
}

TEST(StoppedRun, WhatIsLeftIsCheckedAgainstTheTemporaryFolderAndTheDrive) {
    TempDir root(L"left");
    const std::wstring temp = root.file(L"temp"), drive = root.file(L"drive");
    ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr) && CreateDirectoryW(drive.c_str(), nullptr));
    const std::string digest(64, 'a');
    struct Case {
        const wchar_t* name;
        JournalState state;
        bool dumpThere, dumpChanged, copyThere;
        bool shipped;  // in the plan of what is left
    } cases[] = {
        {L"verified, its copy on the drive", JournalState::kVerified, false, false, true, false},
        {L"copied, not read back", JournalState::kCopied, true, false, true, true},
        {L"half copied", JournalState::kCopying, true, false, false, true},
        {L"its dump gone", JournalState::kDumped, false, false, false, false},
        {L"its dump changed", JournalState::kDumped, true, true, false, false},
    };
    RunJournal journal;
    journal.destination = journal.manifestFolder = drive;
    JournalItem item{L"Sales", true, true, {}};
    for (const auto& c : cases) {
        const std::wstring source = temp + L"\\" + c.name, target = drive + L"\\" + c.name;
        if (c.dumpThere) {
            ASSERT_TRUE(WriteFileBytes(source, "dump"));
        }
        if (c.copyThere) {
            ASSERT_TRUE(WriteFileBytes(target, "dump"));
        }
        item.files.push_back({source, target, 4, LastWriteTime(source), c.state, 0, digest});
        if (c.dumpChanged) {
            ASSERT_TRUE(WriteFileBytes(source, "dump!"));
        }
    }
    journal.items = {item, JournalItem{L"Unfinished", true, false, {}}};
    EXPECT_EQ(FilesToFinish(journal), 5u);

    const ResumeWork work = PrepareResume(journal, root.file(L"run.json"));
    EXPECT_EQ(work.proven, 1u);
    EXPECT_EQ(work.notShipped.size(), 3u);  // the two dumps and the item never dumped
    ASSERT_EQ(work.plan.items.size(), 1u);
    EXPECT_TRUE(work.plan.items[0].shipsDumps);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool shipped = false;
        for (const auto& file : work.plan.items[0].files) shipped = shipped || file.target == drive + L"\\" + c.name;
        EXPECT_EQ(shipped, c.shipped);
    }
    // A copy not read back is proven again as a kept part, never left at its final name.
    EXPECT_FALSE(FileExists(drive + L"\\copied, not read back"));
    EXPECT_TRUE(FileExists(drive + L"\\copied, not read back" + kPartialSuffix));
    const auto manifest = ReadFileBytes(JoinPath(drive, kManifestName));
    ASSERT_TRUE(manifest);
    const auto entries = ParseManifest(*manifest);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].path, L"verified, its copy on the drive");
}

}  // namespace
}  // namespace tess::test
