#pragma once
// Finding the installed Exchange version (GetExchangeVersionInfo) and asking its helper about the
// server (clsExchange): the presence run of the main window's entry check and the information
// run of the wizard's load, both with the Exchtreestatus.txt handshake. The waits keep the
// calling window painted, end at their own time limit or on Esc, and say so.
#include <windows.h>

#include <cstdint>
#include <string>

namespace tess::exchange {

// Writes the ExchVersion and ExchSPNo settings from the installed files.
void GetExchangeVersionInfo();

// A string value under HKEY_LOCAL_MACHINE, cut at its first CR or NUL and trimmed; empty when
// the key or value is missing.
std::wstring ReadRegistryValue(const std::wstring& keyPath, const std::wstring& valueName);

// The ExchVersion setting as an integer.
int CurrentExchVersion();

// Time limits, read from the settings at every run; a missing or zero value gives the default.
//   "ExchPresenceWaitSeconds":    the presence run (default 300 s)
//   "ExchInformationWaitSeconds": the information run (default 900 s)
//   "ExchBackupWaitSeconds":      the backup run (default 86400 s)
uint64_t PresenceWaitLimitMs();
uint64_t InformationWaitLimitMs();
uint64_t BackupWaitLimitMs();

enum class HelperOutcome {
    kDone,        // the helper wrote "2" or ended
    kNotStarted,  // the helper could not be started
    kTimedOut,    // the limit was reached; the helper has been ended
    kCancelled,   // Esc; the helper has been ended
};

// Who waits: the window that keeps painting while the helper works (Esc in it cancels), and
// optionally a control that stays enabled as the cancel button.
struct HelperWaitArgs {
    HWND window = nullptr;
    HWND cancelButton = nullptr;
    uint64_t timeoutMs = 0;  // 0: the limit from the settings
};

class clsExchange {
public:
    explicit clsExchange(HelperWaitArgs wait = {}) : wait_(wait) {}

    // The presence run: EXCHANGE of ExchTreeInfo.ini afterwards, 0 when missing or empty, and 0
    // when the wait ended without the helper (then outcome() tells why and the program log says
    // so; the caller's "not available" message, 400 or 21, is the user's).
    int32_t IsExchange();
    // The information run of the wizard's load: afterwards ExchTreeInfo.ini describes the stores.
    // A wait that ends at its limit, by Esc or without a helper is logged and explained to the
    // user here.
    HelperOutcome RunInformation();
    // How the last run's wait ended.
    HelperOutcome outcome() const { return outcome_; }

    // One INI value as the helpers' files are read: at most 255 characters, empty when missing.
    static std::wstring Trf_ReadExchangeProfile(const std::wstring& section, const std::wstring& key,
                                                const std::wstring& iniPath);
    // A lookup in a backup set's ExchBackupINI.ini (see BackupIniHolds).
    bool ReadExchnageBackupIni(const std::wstring& group, const std::wstring& database, const std::wstring& iniPath,
                               bool groupOnly);

private:
    HelperOutcome runQuery(bool presence);
    HelperWaitArgs wait_;
    HelperOutcome outcome_ = HelperOutcome::kDone;
};

// For the local file tree: whether an entry of a backup set lies outside what its
// ExchBackupINI.ini lists (a storage group when `database` is empty, else a database of `group`).
// A set whose inventory lists no groups marks nothing.
bool OutsideExchangeBackupSet(const std::wstring& setFolder, const std::wstring& group, const std::wstring& database);

// ExchTreeInfo.ini in the program folder.
std::wstring TreeInfoPath();

}  // namespace tess::exchange
