#pragma once
// Getting the database list of an instance into VXCOMMON\SQLSrvdbList.txt: through the elevated
// database-list tool and its status file (Windows Vista and later), or through GetDatabaseList
// of SQLSrvBackup.dll (older Windows).
#include <windows.h>

#include <cstdint>
#include <string>

#include "sql/SqlLogic.h"

namespace tess::sql {

struct ListRequest {
    std::wstring server;    // normalised
    std::wstring user;      // trimmed
    std::wstring password;  // trimmed
    HWND owner = nullptr;   // owns the elevation prompt; Esc in it cancels the wait
    uint64_t timeoutMs = 0; // 0: the limit from the settings
};

enum class ListOutcome { kSuccess, kFailed, kToolFailed, kTimedOut, kCancelled };

struct ListResult {
    ListOutcome outcome = ListOutcome::kFailed;
    AuthMode mode = AuthMode::kWindows;
    std::wstring reason;  // from SQLError.txt or the library (kFailed)
};

// Deletes the old list, runs the tool or the library, and tests the result. Shows nothing.
ListResult RetrieveDatabaseList(const ListRequest& request);

// The list file exists and holds more than blanks.
bool ListFileHasContent(const std::wstring& path);

// Capacity of the reason buffer handed to GetDatabaseList (bytes, with the terminating NUL).
constexpr size_t kReasonCapacity = 1024;

}  // namespace tess::sql
