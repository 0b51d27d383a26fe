#include "exchange/ExchangeShipping.h"

#include "common/Files.h"
#include "common/Log.h"
#include "common/Text.h"
#include "transfer/BlockCopy.h"
#include "ui/Shipping.h"
#include "exchange/ExchangeLogic.h"
#include "exchange/ExchangeRunSteps.h"

namespace tess::exchange {
namespace {

uint64_t sizeOf(const WIN32_FIND_DATAW& data) {
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool isDots(const wchar_t* name) { return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0; }

// A link in the set is neither listed nor walked into: what it points to is not the helper's
// backup, and nothing outside the set may be shipped or counted.
bool isListed(const WIN32_FIND_DATAW& data) {
    if (isDots(data.cFileName)) return false;
    if (!IsLinkAttributes(data.dwFileAttributes)) return true;
    WriteTrace(std::wstring(L"FindFilesAPI: the link ") + data.cFileName + L" is not followed");
    return false;
}

void listInto(const std::wstring& folder, const std::wstring& pattern, SetListing& listing) {
    std::vector<std::wstring> subfolders;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && isListed(data))
                subfolders.emplace_back(data.cFileName);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    find = FindFirstFileW((folder + pattern).c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !isListed(data)) continue;
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
        if (IsLink(folder)) {
            WriteTrace(L"FindFilesAPI: the set folder " + folder + L" is a link and is not followed");
            return listing;
        }
        listInto(WithTrailingBackslash(folder), pattern, listing);
    } catch (...) {
        WriteTrace(L"Error in FindFilesAPI for Exchange Server Restore, Reason : unexpected failure");
    }
    return listing;
}

std::wstring CreateFolderPath(const std::wstring& relativePath, const std::wstring& baseFolder) {
    std::wstring path = WithTrailingBackslash(baseFolder);
    for (const auto& part : SplitFullText(relativePath, L"\\")) {
        if (part.empty()) continue;
        path += part;
        CreateDirectoryW(path.c_str(), nullptr);
        path += L"\\";
    }
    return path;
}

void CreateSetFolders(const SetListing& listing, const std::wstring& destination) {
    CreateFolderPath(L"OstrovaExchBackupset", destination);
    for (const auto& folder : listing.folders) CreateFolderPath(ShippedPart(folder), destination);
}

}  // namespace tess::exchange

namespace tess::exchange {

ShippingOutcome ShipSetFiles(const ShippingRequest& request) {
    ShipRequest ship;
    for (const auto& file : request.files)
        ship.items.push_back({file, WithTrailingBackslash(request.destination) + ShippedPart(file), AfterLast(file, L"\\")});
    ship.report.reportFile = request.logPath;
    ship.report.started = [](const ShipItem& item) {
        return L"Started Shipping database file " + item.name + L" to " + item.target;
    };
    ship.report.completed = [](const ShipItem& item) {
        return L"Completed Shipping database file  " + item.name + L" to " + item.target;
    };
    ship.report.failed = [](const ShipItem& item, const std::wstring&) {
        return L"Failed Shipping database file " + item.name + L" to " + item.target;
    };
    ship.cancelWindow = request.cancelWindow;
    ship.onProgress = request.onProgress;
    ship.onFigures = request.onFigures;
    ship.manifestFolder = request.destination;
    const ShipOutcome shipped = ShipFiles(ship);
    ShippingOutcome outcome;
    outcome.shipped = shipped.shipped;
    outcome.cancelled = shipped.cancelled;
    for (const auto& file : shipped.files)
        if (file.result != kCopyDone && file.result != kCopyCancelled) outcome.failed.push_back(file.item.name);
    return outcome;
}

}  // namespace tess::exchange
