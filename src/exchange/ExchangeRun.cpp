// CmdNext of the Exchange wizard: the checks, the local backup (ExchangeBackup.cpp), then the
// shipping of the set folder to the destination with its report, and the temporary folder's
// Browse button.
#include "exchange/ExchangeRun.h"

#include "common/Disks.h"
#include "common/Files.h"
#include "common/Log.h"
#include "common/MessageCatalog.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"
#include "common/TransferState.h"
#include "exchange/ExchangeLogic.h"
#include "exchange/ExchangeMessages.h"
#include "exchange/ExchangeRunSteps.h"
#include "exchange/ExchangeShipping.h"
#include "ui/BrowseDialog.h"
#include "ui/MessageBox.h"
#include "ui/PumpWait.h"
#include "ui/Shipping.h"

namespace tess::exchange {
namespace {

// Step 10: the helper's set log becomes the run report.
void writeRunReport() {
    std::string text;
    if (auto bytes = ReadFileBytes(SetLogPath())) text = RewriteSetLog(*bytes);
    DeleteFileIfExists(SetLogPath(), true);
    EnsureCommonDataFolder();
    WriteFileBytes(RunReportPath(), text);
}

// Step 14: every run that got past the checks ends here.
void reset(ExchangeRunView& view) {
    SetTransferInProgress(false);
    Totals().onProgress = nullptr;
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    view.setRunning(false);
    view.setProgressText(L"", false);
    view.setProgressBarVisible(false);
    PumpPaintMessages();
    ClearLogs();
}

int say(int code) {
    ShowMessage({GetMessageText(code)});
    return code;
}

void askToView(ExchangeRunResult& result) {
    result.askedToView = true;
    OfferRunReport(569);
}

// Steps 6 to 13 after a backup that ended by itself.
void ship(const std::wstring& temporary, const std::wstring& destination, ExchangeRunView& view,
          ExchangeRunResult& result) {
    const SetListing listing = FindFilesAPI(temporary + L"OstrovaExchBackupset", L"*.*");
    writeRunReport();
    // Room for the whole set first: a run that cannot finish leaves nothing on the drive.
    if (const int message = CheckDestinationForRun(destination, listing.totalBytes)) {
        result.messageCode = say(message);
        return;
    }
    CreateSetFolders(listing, destination);

    ShippingRequest request;
    request.destination = destination;
    request.logPath = RunReportPath();
    request.files = listing.files;
    request.cancelWindow = view.window();
    view.setProgressBarVisible(true);
    view.setProgress(0);
    view.setProgressText(L"Shipping data to '" + DisplayDestination(destination) + L"'", true);
    request.onProgress = [&view](double percent) { view.setProgress(percent); };
    request.onFigures = [&view](const std::wstring& text) { view.setProgressFigures(text); };
    const ShippingOutcome shipped = ShipSetFiles(request);
    view.setProgressText(L"", false);
    result.shipped = shipped.shipped;
    result.failedCopies = static_cast<int>(shipped.failed.size());
    if (shipped.cancelled) {
        result.cancelled = true;
        ShowMessage({RunCancelledText(), kIconWarning});
    } else if (!shipped.failed.empty()) {
        std::wstring names;
        for (const auto& file : shipped.failed) names += file + L"\r\n";
        ShowMessage({ShippingFailedText(names), kIconWarning});
    }
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    askToView(result);
}

}  // namespace


ExchangeRunResult CmdNext(const ExchangeRunArgs& args) {
    TraceScope trace(L"CmdNext");
    ExchangeRunResult result;
    ExchangeRunView& view = *args.view;
    const std::wstring temporary = Trim(args.temporaryPath);
    const std::wstring destination = Trim(args.destination);
    if (!temporary.empty() && EqualsNoCase(WithTrailingBackslash(temporary), WithTrailingBackslash(destination))) {
        result.messageCode = say(571);
        return result;
    }
    if (temporary.empty() || destination.empty()) {
        result.messageCode = say(573);
        return result;
    }
    DeleteFileIfExists(RunReportPath(), true);
    view.setRunning(true);
    PumpPaintMessages(view.window());
    ResetWaitCancel();
    try {
        if (!DoExchangeBackup(args, &result)) {
            view.setRunning(false);
            view.setProgressText(L"", false);
            return result;
        }
        BusyCursor busy;
        if (!result.cancelled && !result.helperTimedOut) ship(WithTrailingBackslash(temporary), destination, view, result);
    } catch (...) {
        TraceError(L"CmdNext", L", Reason : unexpected failure");
    }
    reset(view);
    return result;
}

std::optional<std::wstring> btnBrowse_Click(HWND owner) {
    for (;;) {
        BrowsePurpose purpose;
        purpose.exchangeTemp = true;
        std::wstring folder = Trim(ShowLocalFileBrowse(owner, purpose));
        if (folder.empty()) return std::nullopt;
        const std::wstring root = DriveRootOf(folder);
        if (!IsDriveReady(root)) {
            say(15);
            continue;
        }
        if (GetDriveTypeW(root.c_str()) == DRIVE_REMOTE) {
            say(16);
            continue;
        }
        folder = WithTrailingBackslash(folder);
        if (FolderExists(folder)) {
            const DWORD error = TrialWrite(folder);
            if (error != 0) {
                TraceError(L" btnBrowse_Click", L" , Reason : " + std::to_wstring(error) + L"  " + ErrorDescription(error));
                say(error == ERROR_PATH_NOT_FOUND ? 18 : 17);
                continue;
            }
        }
        return folder;
    }
}

}  // namespace tess::exchange
