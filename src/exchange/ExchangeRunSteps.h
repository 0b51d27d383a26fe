#pragma once
// What the two halves of the Exchange run (the local backup and the shipping) share; not for
// the wizard.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tess::exchange {

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

class BusyCursor {
public:
    BusyCursor() : previous_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~BusyCursor() { SetCursor(previous_); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    HCURSOR previous_;
};

}  // namespace tess::exchange
