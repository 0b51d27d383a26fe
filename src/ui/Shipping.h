#pragma once
// The shipping steps of a transfer run, shared by the SQL Server and the Exchange runs: the room
// check on the destination, then the block copy of a list of files, each to its own target, with
// the run's totals and progress, Esc to cancel, and the report lines the caller words; then every
// copy read back from the drive and its SHA-256 compared with the source's, and the verified
// files recorded in the checksum manifest of the destination folder.
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
    std::function<std::wstring(const ShipItem&, const std::wstring& reason)> failed;
};

struct ShipRequest {
    std::vector<ShipItem> items;
    ShipReportLines report;
    HWND cancelWindow = nullptr;                      // Esc there cancels the copy
    std::function<void(double percent)> onProgress;   // the window's bar
    std::function<void(const ShipItem&)> onFileStart;  // the window's caption for this file
    // The figures beside the bar (bytes done, throughput, time left); empty text hides them.
    std::function<void(const std::wstring& text)> onFigures;
    // Where the manifest goes; the targets' paths in it are relative to this folder. Empty: no
    // manifest.
    std::wstring manifestFolder;
};

struct ShippedFile {
    ShipItem item;
    int result = 0;       // a CopyResult
    std::string sha256;   // of the source's bytes, when copied
    uint64_t bytes = 0;   // the source's size when the shipping began
    bool verified = false;
};

struct ShipOutcome {
    std::vector<ShippedFile> files;  // every file tried, in order; a cancelled copy is the last
    int shipped = 0;
    int failed = 0;
    bool cancelled = false;
    std::wstring manifest;  // its full path when written
};

// What the items whose source exists weigh together.
uint64_t ShipTotalBytes(const std::vector<ShipItem>& items);

// The room check (CheckDestinationRoom) as a run makes it: why the destination cannot take `bytes` goes to the run
// report, and the result is the message the run ends with (15: unreachable, 574: no room), or 0
// when they fit.
int CheckDestinationForRun(const std::wstring& destinationFolder, uint64_t bytes);

// The run report both transfers write: Log_trace.txt in the common data folder.
std::wstring RunReportPath();
// The run's last question (`questionCode`: see the report?); Yes opens the report with the
// program the system has for it.
void OfferRunReport(int questionCode);
// Seam: what "Yes" opens (the shell's "open" by default; null restores it).
using ReportOpener = void (*)(const std::wstring& path);
void SetReportOpenerForTesting(ReportOpener opener);

// The vxwin.ini key that turns the read-back off ("0", "No", "False" or "Off"); on otherwise.
extern const wchar_t kVerifySettingKey[];
bool ShippingVerificationOn();

// Ships every item in order through the transfer engine (copy and read-back stages), the window's
// bar and figures following its events, stopping at a cancel (Esc on the request's window); a
// failed file is reported and the next one goes on. A copy whose digest differs when read back is removed and counts as failed. The report
// gets "Verified" or the reason per file, and at the end the manifest, the bytes, the time taken
// and the average throughput.
ShipOutcome ShipFiles(const ShipRequest& request);

}  // namespace tess
