#pragma once
// Finishing a run that was stopped (the program killed, the machine restarted): what its journal
// says is left, checked against the temporary folder and the drive, as a plan of its own.
#include <string>
#include <vector>

#include "transfer/Journal.h"
#include "transfer/Plan.h"

namespace tess {

// The files of the journal not yet proven on the drive, and the items whose dump never finished.
size_t FilesToFinish(const RunJournal& journal);

struct ResumeWork {
    Plan plan;                             // the files left, each from its dump; no dump steps
    std::vector<std::wstring> notShipped;  // report lines: what cannot be shipped, and why
    size_t proven = 0;                     // verified before the stop: in the manifest, skipped
};

// A verified file whose copy is on the drive with its size goes into the manifest and is skipped;
// a whole copy not yet read back goes back to its `.partial` name, so that the copy proves it
// against its dump and the read-back follows; the rest ships from its dump, which must still be
// in the temporary folder with the size and time it had. The plan has the block copy, the
// read-back, the room check and a journal at `journalPath`; its report and wording are the caller's.
ResumeWork PrepareResume(const RunJournal& journal, const std::wstring& journalPath);

// The finish's run report, appended to the report at `reportPath` as a run's: first what cannot
// be shipped, then the run's own lines, a file that fails said as the wizards' runs say it.
void ReportResumeTo(ResumeWork& work, const std::wstring& reportPath);

}  // namespace tess
