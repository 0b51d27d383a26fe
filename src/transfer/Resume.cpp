#include "transfer/Resume.h"

#include <windows.h>

#include "common/Files.h"
#include "common/Text.h"
#include "transfer/BlockCopy.h"
#include "transfer/DriveHold.h"
#include "transfer/DriveSteps.h"
#include "transfer/Manifest.h"

namespace tess {
namespace {

bool proven(const RunJournal& journal, const JournalFile& file) {
    return file.state == JournalState::kVerified || (file.state == JournalState::kCopied && !journal.verify);
}

// Why the dump cannot be shipped, or nothing when it is as the stopped run left it.
std::wstring dumpProblem(const JournalItem& item, const JournalFile& file) {
    if (!item.dumps) return FileExists(file.source) ? std::wstring() : L"it no longer exists";
    if (!FileExists(file.source)) return L"the dump is no longer in the temporary folder";
    if (FileSize(file.source) != file.bytes || LastWriteTime(file.source) != file.written)
        return L"the dump changed in the temporary folder after it was made";
    return {};
}

}  // namespace

size_t FilesToFinish(const RunJournal& journal) {
    size_t count = 0;
    for (const auto& item : journal.items) {
        count += !item.known;
        for (const auto& file : item.files) count += !proven(journal, file);
    }
    return count;
}

ResumeWork PrepareResume(const RunJournal& journal, const std::wstring& journalPath) {
    ResumeWork work;
    std::vector<ManifestEntry> entries;
    for (const auto& item : journal.items) {
        if (!item.known) {
            work.notShipped.push_back(L"Not shipped " + item.name + L": its dump had not ended when the run stopped");
            continue;
        }
        PlanItem planned{item.name, nullptr, {}, 0, item.dumps};
        for (const auto& file : item.files) {
            const bool onDrive = FileSize(file.target) == file.bytes;
            if (proven(journal, file) && onDrive) {
                if (auto path = ManifestRelativePath(journal.manifestFolder, file.target))
                    entries.push_back({file.sha256, *path});
                ++work.proven;
                continue;
            }
            if (const std::wstring problem = dumpProblem(item, file); !problem.empty()) {
                work.notShipped.push_back(L"Not shipped " + file.source + L": " + problem);
                continue;
            }
            // An unproven copy never keeps its final name; as a kept part it costs a read, not a write.
            const std::wstring partial = file.target + kPartialSuffix;
            if (onDrive && !FileExists(partial)) MoveFileExW(file.target.c_str(), partial.c_str(), MOVEFILE_WRITE_THROUGH);
            Trf_CreateLocalDir(ParentFolder(file.target));
            planned.files.push_back({file.source, file.target, file.bytes});
        }
        if (!planned.files.empty()) work.plan.items.push_back(std::move(planned));
    }
    if (!entries.empty() && !journal.manifestFolder.empty()) UpdateManifest(journal.manifestFolder, entries);
    Plan& plan = work.plan;
    plan.destination = journal.destination;
    plan.manifestFolder = journal.manifestFolder;
    plan.options.verify = journal.verify;
    plan.options.keepDumps = journal.keepDumps;
    ReadDriveWaitSettings(plan.options);
    plan.copier = std::make_shared<BlockFileCopier>();
    plan.verifier = std::make_shared<ReadBackVerifier>();
    const std::wstring destination = journal.destination;
    plan.checkRoom = [destination](uint64_t bytes) { return CheckDestinationRoom(destination, bytes); };
    plan.journal = std::make_shared<Journal>(journalPath, journal.kind);
    return work;
}

void ReportResumeTo(ResumeWork& work, const std::wstring& reportPath) {
    for (const auto& line : work.notShipped) AppendAnsiLine(reportPath, line);
    work.plan.writeReport = [reportPath](const std::wstring& text) { AppendAnsiLine(reportPath, text); };
    work.plan.wording.failed = [](const PlanItem& item, const PlanFile& file, const std::wstring& reason) {
        return L"Failed shipping " + item.name + L" to " + file.target + L": " + reason;
    };
}

}  // namespace tess
