#include "exchange/ExchangeMessages.h"

#include "common/Units.h"

namespace tess::exchange {

std::wstring InformationTimeoutText(uint64_t limitMs) {
    return L"Unable to retrieve the information from the MS Exchange Server within " + DurationText(limitMs) +
           L".\r\nVerify if it is running, then try again.";
}

std::wstring InformationCancelledText() {
    return L"The retrieval of the information from the MS Exchange Server was cancelled.";
}

std::wstring HelperNotStartedText(const std::wstring& executable) {
    return L"Unable to start '" + executable +
           L"'. Some of the components may be missing. Please Re-install the application.";
}

std::wstring BackupTimeoutText(uint64_t limitMs) {
    return L"The MS Exchange Server backup did not finish within " + DurationText(limitMs) +
           L" and was stopped. Nothing was shipped.";
}

std::wstring RunCancelledText() {
    return L"The MS Exchange Server data transfer was cancelled. Nothing more was shipped.";
}

std::wstring ShippingFailedText(const std::wstring& files) {
    return L"Unable to ship the following file(s) to the destination:\r\n" + files;
}

}  // namespace tess::exchange
