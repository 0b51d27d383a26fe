#pragma once
// Finding the SQL Server instances of this computer. A 64-bit process (or a 32-bit one on 32-bit
// Windows) reads "InstalledInstances" from the registry; a 32-bit process on 64-bit Windows asks
// WMI's registry provider for both registry views, because its own registry reads would only
// see the 32-bit view.
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tess::sql {

// WMI as the discovery needs it. Wine's registry provider has no GetMultiStringValue, so tests
// give a scripted reader; the real one is made by CreateWmiRegistry.
class WmiRegistry {
public:
    virtual ~WmiRegistry() = default;
    // HKLM keyPath valueName in the 32-bit (view32) or 64-bit view. nullopt on failure; an empty
    // list when the provider reports the key or value missing (return codes 2 and 3).
    virtual std::optional<std::vector<std::wstring>> GetMultiStringValue(bool view32, const std::wstring& keyPath,
                                                                         const std::wstring& valueName) = 0;
    // Win32_Processor 'CPU0' Architecture (0 = x86); nullopt when it cannot be read.
    virtual std::optional<long> ProcessorArchitecture() = 0;
};

std::unique_ptr<WmiRegistry> CreateWmiRegistry();

// The WMI reader: the 32-bit view's names, then (on a processor that is not x86) the 64-bit
// view's, blank entries dropped. A name in both views is listed twice.
std::vector<std::wstring> ReadInstancesThroughWmi(WmiRegistry& wmi);

// The instance names the login offers: through WMI when wow64, else from the registry.
std::vector<std::wstring> DiscoverInstanceNames(bool wow64, WmiRegistry* wmi);

bool IsWow64Process();
// The NetBIOS name of this computer.
std::wstring LocalComputerName();

extern const wchar_t kSqlServerKey[];       // SOFTWARE\Microsoft\Microsoft SQL Server
extern const wchar_t kInstalledInstances[];  // InstalledInstances

}  // namespace tess::sql
