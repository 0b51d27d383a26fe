#pragma once
// Texts of the Exchange steps that the message catalog does not hold: what the program says when
// a bounded wait for a helper ends without a result, and when copies fail. Worded like the
// catalog's own texts.
#include <cstdint>
#include <string>

namespace tess::exchange {

// The information run did not finish within the limit (the helper has been ended).
std::wstring InformationTimeoutText(uint64_t limitMs);
// The information run was cancelled by the user (the helper has been ended).
std::wstring InformationCancelledText();
// The helper could not be started.
std::wstring HelperNotStartedText(const std::wstring& executable);
// The local backup did not finish within the limit (the helper has been ended).
std::wstring BackupTimeoutText(uint64_t limitMs);
// The run was cancelled by the user during the backup or the shipping.
std::wstring RunCancelledText();
// Some files of the backup set could not be copied to the destination.
std::wstring ShippingFailedText(const std::wstring& files);

}  // namespace tess::exchange
