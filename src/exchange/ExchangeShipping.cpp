#include "exchange/ExchangeShipping.h"

#include "common/Files.h"
#include "common/Log.h"
#include "common/Text.h"
#include "common/TransferState.h"
#include "exchange/ExchangeLogic.h"
#include "exchange/ExchangeRunSteps.h"
#include "ui/PumpWait.h"

namespace tess::exchange {
namespace {

std::wstring withSlash(std::wstring path) {
    if (path.empty() || path.back() != L'\\') path += L'\\';
    return path;
}

uint64_t sizeOf(const WIN32_FIND_DATAW& data) {
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool isDots(const wchar_t* name) { return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0; }

void listInto(const std::wstring& folder, const std::wstring& pattern, SetListing& listing) {
    std::vector<std::wstring> subfolders;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !isDots(data.cFileName))
                subfolders.emplace_back(data.cFileName);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    find = FindFirstFileW((folder + pattern).c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (isDots(data.cFileName) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            listing.files.push_back(folder + data.cFileName);
            listing.totalBytes += sizeOf(data);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    for (const auto& name : subfolders) {
        listing.folders.push_back(folder + name + L"\\");
        listInto(folder + name + L"\\", pattern, listing);
    }
}

}  // namespace

SetListing FindFilesAPI(const std::wstring& folder, const std::wstring& pattern) {
    SetListing listing;
    try {
        listInto(withSlash(folder), pattern, listing);
    } catch (...) {
        WriteTrace(L"Error in FindFilesAPI for Exchange Server Restore, Reason : unexpected failure");
    }
    return listing;
}

std::wstring CreateFolderPath(const std::wstring& relativePath, const std::wstring& baseFolder) {
    std::wstring path = withSlash(baseFolder);
    for (const auto& part : SplitFullText(relativePath, L"\\")) {
        if (part.empty()) continue;
        path += part;
        CreateDirectoryW(path.c_str(), nullptr);
        path += L"\\";
    }
    return path;
}

}  // namespace tess::exchange

namespace tess::exchange {
namespace {

struct CopyProgress {
    HWND cancelWindow;
    uint64_t shippedBefore;
    bool cancelled = false;
};

DWORD CALLBACK onChunk(LARGE_INTEGER, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD, HANDLE,
                       HANDLE, LPVOID context) {
    auto* progress = static_cast<CopyProgress*>(context);
    TransferTotals& totals = Totals();
    totals.shippedBytes = progress->shippedBefore + static_cast<uint64_t>(transferred.QuadPart);
    totals.percentShipped = totals.totalBytes ? 100.0 * totals.shippedBytes / totals.totalBytes : 100.0;
    if (totals.onProgress) totals.onProgress(totals.percentShipped);
    if (PumpPaintMessages(progress->cancelWindow)) progress->cancelled = true;
    return progress->cancelled ? PROGRESS_CANCEL : PROGRESS_CONTINUE;
}

// Written beside the target under a temporary name and renamed when whole.
bool copyOne(const std::wstring& source, const std::wstring& target, CopyProgress& progress) {
    const std::wstring partial = target + L".partial";
    BOOL cancel = FALSE;
    if (!CopyFileExW(source.c_str(), partial.c_str(), onChunk, &progress, &cancel, 0) ||
        !MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(partial.c_str());
        return false;
    }
    return true;
}

}  // namespace

ShippingOutcome ShipSetFiles(const ShippingRequest& request) {
    ShippingOutcome outcome;
    TransferTotals& totals = Totals();
    totals.totalBytes = 0;
    totals.shippedBytes = 0;
    totals.percentShipped = 0;
    std::vector<std::wstring> files;
    for (const auto& file : request.files) {
        const auto size = FileSize(file);
        if (!size) continue;
        files.push_back(file);
        totals.totalBytes += *size;
    }
    for (const auto& file : files) {
        const std::wstring name = AfterLast(file, L"\\");
        const std::wstring target = withSlash(request.destination) + ShippedPart(file);
        WriteLogTo(L"Started Shipping database file " + name + L" to " + target, request.logPath);
        CopyProgress progress{request.cancelWindow, totals.shippedBytes};
        if (copyOne(file, target, progress)) {
            ++outcome.shipped;
            WriteLogTo(L"Completed Shipping database file  " + name + L" to " + target, request.logPath);
            continue;
        }
        if (progress.cancelled) {
            outcome.cancelled = true;
            WriteLogTo(L"Shipping of database file " + name + L" was cancelled by the user", request.logPath);
            break;
        }
        outcome.failed.push_back(name);
        WriteLogTo(L"Failed Shipping database file " + name + L" to " + target, request.logPath);
    }
    return outcome;
}

}  // namespace tess::exchange
