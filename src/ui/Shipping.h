#pragma once
// The shipping steps of a transfer run, shared by the SQL Server and the Exchange runs: the room
// check on the destination, then the block copy of a list of files, each to its own target, with
// the run's totals and progress, Esc to cancel, and the report lines the caller words.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tess {

struct ShipItem {
    std::wstring source;
    std::wstring target;  // the full path of the copy
    std::wstring name;    // what the report lines call it (a database, a mailbox)
};

// The lines one file adds to the run report (WriteLogTo reportFile); an empty function adds none.
struct ShipReportLines {
    std::wstring reportFile;
    std::function<std::wstring(const ShipItem&)> started;
    std::function<std::wstring(const ShipItem&)> completed;
    std::function<std::wstring(const ShipItem&)> cancelled;
    std::function<std::wstring(const ShipItem&, int copyResult)> failed;
};

struct ShipRequest {
    std::vector<ShipItem> items;
    ShipReportLines report;
    HWND cancelWindow = nullptr;                      // Esc there cancels the copy
    std::function<void(double percent)> onProgress;   // the window's bar
    std::function<void(const ShipItem&)> onFileStart;  // the window's caption for this file
};

struct ShippedFile {
    ShipItem item;
    int result = 0;  // a CopyResult
};

struct ShipOutcome {
    std::vector<ShippedFile> files;  // every file tried, in order; a cancelled copy is the last
    int shipped = 0;
    int failed = 0;
    bool cancelled = false;
};

// What the items whose source exists weigh together.
uint64_t ShipTotalBytes(const std::vector<ShipItem>& items);

enum class RoomCheck { kFits, kUnreachable, kNoRoom };

// Creates the destination folder when it is missing (a new folder on the external drive), then
// tells whether `bytes` fit on its drive: a run that cannot finish ships nothing.
RoomCheck CheckDestinationRoom(const std::wstring& destinationFolder, uint64_t bytes);

// Copies every item in order (the transfer totals cover all of them), stopping at a cancel (Esc,
// or a cancel request the run has not cleared: ResetWaitCancel when the run starts); a failed file
// is reported and the next one goes on.
ShipOutcome ShipFiles(const ShipRequest& request);

}  // namespace tess
