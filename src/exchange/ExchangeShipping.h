#pragma once
// The shipping of a backup set: every file below OstrovaExchBackupset copied to the same place
// below the destination, with the run report's lines and the transfer totals.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tess::exchange {

struct ShippingRequest {
    std::wstring destination;         // the folder OstrovaExchBackupset lands in
    std::wstring logPath;             // Log_trace.txt
    std::vector<std::wstring> files;  // below some ...\OstrovaExchBackupset\ folder
    HWND cancelWindow = nullptr;      // Esc here cancels
    std::function<void(double percent)> onProgress;
    std::function<void(const std::wstring& text)> onFigures;  // beside the bar
};

struct ShippingOutcome {
    int shipped = 0;
    std::vector<std::wstring> failed;  // file names that did not arrive whole
    bool cancelled = false;
};

// Copies each existing file to the same place below the destination with the shared shipping
// step (transfer totals, progress, Esc); a copy that fails or is cancelled leaves nothing at its
// final name.
ShippingOutcome ShipSetFiles(const ShippingRequest& request);

}  // namespace tess::exchange
