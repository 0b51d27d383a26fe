#pragma once
// The SQL Server run as the engine's plan, without any window: the folder checks, the folders
// made ready, one dump step per database (the backup tool, one at a time) and the shipping of
// each dump. The database window and the console program build their runs from it alike.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transfer/Plan.h"

namespace tess::sql {

struct PlanInput {
    std::wstring serverName;   // the server the login settled on (normalised)
    std::wstring temporary;    // trimmed
    std::wstring destination;  // trimmed
    std::vector<std::wstring> databases;
    std::vector<uint64_t> databaseBytes;  // the list tool's size of each database, as far as known
    // SQL Server authentication for the backup tool; none: the server's saved SqlUN and SqlPS.
    std::optional<std::wstring> user, password;
};

// 184 when a folder is missing, 572 when both name the same place, else 0.
int CheckRunFolders(const std::wstring& temporary, const std::wstring& destination);

// The temporary folder is remembered for the server and made; what an earlier run left is
// removed (the dump folder, the file list to ship, the program log and the run report).
void PrepareRunFolders(const PlanInput& input);

// What the dumps of a run came to, for the messages at its end. Written by the dump stage only;
// read after the run's end event.
struct DumpRecords {
    int started = 0;
    std::vector<std::wstring> notStarted;  // databases whose backup tool could not be started
    std::wstring timeouts;                 // one line per database whose backup ran out of time
};

// Each database dumped, then shipped while the next one dumps; the report goes to Log_trace.txt.
Plan BuildRunPlan(const PlanInput& input, const std::shared_ptr<DumpRecords>& records);

}  // namespace tess::sql
