#pragma once
// What the two halves of the Exchange run (the local backup and the shipping) share; not for
// the wizard.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "exchange/ExchangeDetection.h"
#include "exchange/ExchangeRun.h"
#include "transfer/CancelToken.h"

namespace tess::exchange {

// On the window's thread, before the helper: the selection checked (20), the selection recorded as the backup set and the logs prepared. The message code that
// stopped it (shown already), else 0.
int PrepareHelperBackup(const ExchangeRunArgs& args);
// The helper's local backup, on the engine's dump stage: the job files, the helper started and
// waited for on its process handle and `cancel`, at most `limitMs`; a helper still running at the
// limit or the cancel is ended. The result's backupRan, helperTimedOut, cancelled and failed follow.
// `setWritten` gets the bytes of the set so far, a few times a second while the helper runs.
HelperOutcome RunHelperBackup(const ExchangeRunArgs& args, const CancelToken& cancel, uint64_t limitMs,
                              ExchangeRunResult& result, const std::function<void(uint64_t bytes)>& setWritten = nullptr);
// The limit of the helper's backup: the run's own, else ExchBackupWaitSeconds.
uint64_t HelperLimitMs(const ExchangeRunArgs& args);

// VXCOMMON\logs\VXExchangeServerBkset.txt, the helper's log of the set.
std::wstring SetLogPath();

// Replaces the set's record in BacksetData.txt by name + selection text.
void Sch_SaveSqlServerBackupset(const std::wstring& setName, const std::wstring& selectionText);

// What FindFilesAPI lists below a folder: folders (with a trailing "\") and files, depth first
// as the helper's tree is walked, and the files' total size.
struct SetListing {
    std::vector<std::wstring> folders;
    std::vector<std::wstring> files;
    uint64_t totalBytes = 0;
};
SetListing FindFilesAPI(const std::wstring& folder, const std::wstring& pattern);

// Creates each level of the relative path below the base; the last folder built.
std::wstring CreateFolderPath(const std::wstring& relativePath, const std::wstring& baseFolder);
// The set folder and every folder of the listing recreated below the destination (the set
// folder itself too: the helper's inventory lies directly in it).
void CreateSetFolders(const SetListing& listing, const std::wstring& destination);

}  // namespace tess::exchange
