#include "exchange/ExchangeDetection.h"

#include <optional>

#include "common/Files.h"
#include "common/Log.h"
#include "common/OsVersion.h"
#include "common/Process.h"
#include "common/ProgramPaths.h"
#include "common/Registry.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "common/Units.h"
#include "exchange/ExchangeLogic.h"
#include "exchange/ExchangeMessages.h"
#include "ui/MessageBox.h"
#include "ui/PumpWait.h"

namespace tess::exchange {
namespace {

constexpr DWORD kStatusPollMs = 100;

uint64_t limitMs(const wchar_t* key, uint64_t defaultSeconds) {
    const long long seconds = ParseLeadingInteger(Trf_ReadUserProfile(key));
    return (seconds > 0 ? static_cast<uint64_t>(seconds) : defaultSeconds) * 1000u;
}

// "major.minor.build.revision" of the file's version resource; nullopt when the file is missing,
// an empty text when it has no version resource.
std::optional<std::wstring> fileVersion(const std::wstring& path) {
    if (!FileExists(path)) return std::nullopt;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return std::wstring();
    std::string data(size, '\0');
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || length < sizeof *info)
        return std::wstring();
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionMS)) +
           L"." + std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionLS));
}

std::wstring systemFolder() {
    wchar_t buffer[256] = {};
    const UINT n = GetSystemDirectoryW(buffer, 255);
    return n == 0 || n > 255 ? std::wstring() : Trim(buffer);
}

std::wstring statusFile() { return CommonDataFile(L"Exchtreestatus.txt"); }

void writeStatusOne() {
    EnsureCommonDataFolder();
    DeleteFileIfExists(statusFile(), true);
    WriteFileBytes(statusFile(), "1\r\n");
}

void tellWaitEnded(HelperOutcome outcome, bool presence, const std::wstring& executable, uint64_t limit) {
    const wchar_t* run = presence ? L"presence" : L"information";
    if (outcome == HelperOutcome::kNotStarted) {
        WriteLog(std::wstring(L"The Exchange helper ") + executable + L" could not be started for the " + run + L" run.", kLogError);
        if (!presence) ShowMessage({HelperNotStartedText(executable)});
        return;
    }
    const bool timedOut = outcome == HelperOutcome::kTimedOut;
    WriteLog(std::wstring(L"The Exchange helper's ") + run + L" run was " +
                 (timedOut ? L"stopped at its time limit of " + DurationText(limit) : std::wstring(L"cancelled")) + L".",
             kLogError);
    // The presence run's caller says "not available" (400) in any case; the wizard's load says why.
    if (!presence) ShowMessage({timedOut ? InformationTimeoutText(limit) : InformationCancelledText()});
}

}  // namespace

void GetExchangeVersionInfo() {
    TraceScope trace(L"GetExchangeVersionInfo");
    try {
        std::optional<std::wstring> exifs;
        std::optional<std::wstring> esebcli2;
        const std::wstring system = systemFolder();
        if (!system.empty()) {
            exifs = fileVersion(ExifsPath(system));
            if (!exifs && OSMajorVersion() >= 5) {
                const std::wstring library =
                    ReadRegistryValue(L"SYSTEM\\CurrentControlSet\\Control\\BackupRestore\\DllPaths", L"esebcli2");
                if (!library.empty()) esebcli2 = fileVersion(library);
            }
        }
        const ExchangeVersionInfo info = VersionFromFileVersions(exifs, esebcli2);
        Trf_WriteUserProfile(L"ExchVersion", info.exchVersion);
        Trf_WriteUserProfile(L"ExchSPNo", info.exchSpNo);
    } catch (...) {
        TraceError(L"GetExchangeVersionInfo", L", Reason : unexpected failure");
    }
}

std::wstring ReadRegistryValue(const std::wstring& keyPath, const std::wstring& valueName) {
    try {
        return Trim(TrimAtLineEnd(ReadRegString(HKEY_LOCAL_MACHINE, keyPath, valueName)));
    } catch (...) {
        WriteTrace(L"Error in Reading the value from Registry");
        return {};
    }
}

int CurrentExchVersion() { return ExchVersionNumber(Trf_ReadUserProfile(L"ExchVersion")); }

uint64_t PresenceWaitLimitMs() { return limitMs(L"ExchPresenceWaitSeconds", 300); }
uint64_t InformationWaitLimitMs() { return limitMs(L"ExchInformationWaitSeconds", 900); }
uint64_t BackupWaitLimitMs() { return limitMs(L"ExchBackupWaitSeconds", 86400); }

std::wstring TreeInfoPath() { return ProgramFolder() + L"\\ExchTreeInfo.ini"; }

HelperOutcome clsExchange::runQuery(bool presence) {
    writeStatusOne();
    const int version = CurrentExchVersion();
    const std::wstring executable = HelperFor(version).executable;
    const std::wstring line = QueryCommandLine(version, ProgramFolder(), presence);
    WriteTrace(std::wstring(presence ? L"IsExchange" : L"Form_Load") + L" Cmdline : " + line);
    const uint64_t limit = wait_.timeoutMs ? wait_.timeoutMs : presence ? PresenceWaitLimitMs() : InformationWaitLimitMs();
    UniqueHandle process = RunHiddenProcess(line, ProgramFolder());
    if (!process) {
        tellWaitEnded(HelperOutcome::kNotStarted, presence, executable, limit);
        return HelperOutcome::kNotStarted;
    }
    ResetWaitCancel();
    WaitOptions options;
    options.timeoutMs = limit;
    options.pollMs = kStatusPollMs;
    options.cancelWindow = wait_.window;
    options.cancelButton = wait_.cancelButton;
    // A helper we stop waiting for is ended: it must not rewrite ExchTreeInfo.ini behind the next run.
    const WaitOutcome outcome =
        WaitForProcess(process.get(), options, [&] { return ReadFirstLine(statusFile()) == L"2"; });
    if (outcome == WaitOutcome::kDone) return HelperOutcome::kDone;
    const HelperOutcome result = outcome == WaitOutcome::kCancelled ? HelperOutcome::kCancelled : HelperOutcome::kTimedOut;
    tellWaitEnded(result, presence, executable, limit);
    return result;
}

int32_t clsExchange::IsExchange() {
    TraceScope trace(L"IsExchange");
    try {
        outcome_ = runQuery(true);
        if (outcome_ != HelperOutcome::kDone) return 0;
        const std::wstring value = Trim(Trf_ReadExchangeProfile(L"VXEXCHINFO", L"EXCHANGE", TreeInfoPath()));
        if (value.empty()) return 0;
        const auto result = static_cast<int32_t>(ParseLeadingInteger(value));
        WriteTrace(L"IsExchange = " + std::to_wstring(result));
        return result;
    } catch (...) {
        TraceError(L"IsExchange", L", Reason : unexpected failure");
        return 0;
    }
}

HelperOutcome clsExchange::RunInformation() {
    TraceScope trace(L"RunInformation");
    try {
        outcome_ = runQuery(false);
    } catch (...) {
        TraceError(L"RunInformation", L", Reason : unexpected failure");
        outcome_ = HelperOutcome::kNotStarted;
    }
    return outcome_;
}

std::wstring clsExchange::Trf_ReadExchangeProfile(const std::wstring& section, const std::wstring& key,
                                                  const std::wstring& iniPath) {
    // The helpers' files have always been read through a 256-character buffer: longer values are
    // cut at 255 characters, and code relies on that bound.
    wchar_t buffer[256] = {};
    GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer, 256, iniPath.c_str());
    return buffer;
}

bool clsExchange::ReadExchnageBackupIni(const std::wstring& group, const std::wstring& database,
                                        const std::wstring& iniPath, bool groupOnly) {
    try {
        if (!FileExists(iniPath)) return false;
        return BackupIniHolds(
            [&](const std::wstring& section, const std::wstring& key) {
                return Trf_ReadExchangeProfile(section, key, iniPath);
            },
            group, database, groupOnly);
    } catch (...) {
        WriteTrace(L"Error in ReadExchnageBackupIni(), Reason : unexpected failure");
        return false;
    }
}

bool OutsideExchangeBackupSet(const std::wstring& setFolder, const std::wstring& group, const std::wstring& database) {
    const std::wstring ini = setFolder + L"\\ExchBackupINI.ini";
    if (ParseLeadingInteger(clsExchange::Trf_ReadExchangeProfile(L"BACKEDUP STORAGE GROUPS", L"NOSG", ini)) <= 0)
        return false;
    clsExchange exchange;
    return !exchange.ReadExchnageBackupIni(group, database, ini, database.empty());
}

}  // namespace tess::exchange
