#pragma once
// The demo server: what the stand-in tools pretend is installed, and the faults they inject.
// Built from the INI description (companions/README.md) by pure functions.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lib/Ini.h"

namespace tess::companion {

// What can go wrong with one tool run or one item. Several may be combined ("slow:2, fail:x").
struct FaultSet {
    bool hang = false;                    // never writes its status and never exits
    bool crash = false;                   // exits abnormally without writing its results
    unsigned slowSeconds = 0;             // takes this long before writing its results
    std::optional<std::wstring> failure;  // reports this error text instead of the result
    std::optional<unsigned> partialPercent;  // leaves a truncated file at the final name
    unsigned paceSeconds = 0;             // spreads the writing of its file over this long

    bool any() const { return hang || crash || slowSeconds || failure || partialPercent || paceSeconds; }
};

// "hang", "crash", "slow:N", "partial:P", "pace:N" separated by ','; "fail:TEXT" takes the rest of the
// value. An empty text or "none" is no fault. Unknown words are an error (returned text).
std::optional<FaultSet> ParseFaults(std::wstring_view text, std::wstring* error = nullptr);
FaultSet Merge(const FaultSet& a, const FaultSet& b);

// "123", "123 B", "64 KB", "20 MB", "5 GB", "1 TB" (powers of 1024). Nothing when malformed.
std::optional<uint64_t> ParseSize(std::wstring_view text);

// Where an item's bytes come from: a deterministic pattern of the stated size, or a file.
struct ContentSpec {
    uint64_t sizeBytes = 0;      // for a file source: 0 means "the file's own size"
    uint64_t seed = 0;           // the pattern's seed (from the name unless given)
    std::wstring sourceFile;     // empty: pattern
};

struct DemoItem {  // a SQL database, an Exchange store or a piece of SharePoint content
    std::wstring name;
    ContentSpec content;
    FaultSet faults;
};

struct DemoLogin {
    std::wstring user, password;
    std::optional<std::wstring> refusal;
};

struct DemoInstance {
    std::wstring name;  // MSSQLSERVER for the default instance
    std::optional<std::wstring> windowsRefusal;
    std::vector<DemoLogin> logins;
    std::vector<DemoItem> databases;
};

struct DemoStorageGroup {
    std::wstring id, name;
    std::vector<DemoItem> stores;
};

struct DemoExchange {
    bool configured = false;
    int present = 1;  // the EXCHANGE value the helpers report
    std::wstring server, adminGroup;
    std::vector<DemoStorageGroup> groups;  // Exchange 2000 to 2007
    std::vector<DemoItem> databases;       // every store in file order (2010, 2013)
};

struct DemoSharePoint {
    std::wstring destination;  // used when the job file names none
    std::vector<DemoItem> content;
};

struct DemoConfig {
    std::wstring computerName;           // a host name accepted besides the real one
    std::wstring journalName = L"journal.txt";
    std::vector<std::pair<std::wstring, FaultSet>> toolFaults;  // by tool name without ".exe"
    std::vector<DemoInstance> instances;
    DemoExchange exchange;
    DemoSharePoint sharePoint;

    FaultSet faultsOf(std::wstring_view tool) const;
    const DemoInstance* instance(std::wstring_view name) const;
};

struct DemoParse {
    DemoConfig config;
    std::vector<std::wstring> errors;  // malformed values, each naming its section and key
};
DemoParse ParseDemo(std::wstring_view iniText);

// FNV-1a over the UTF-16 code units: the default pattern seed of a named item.
uint64_t SeedOf(std::wstring_view name);

// Which instance a server name reaches: "(local)", "local", ".", "localhost" or a known
// computer name, optionally followed by "\" + instance. Nothing when the host is not this one.
std::optional<std::wstring> InstanceNameOf(std::wstring_view server, const std::vector<std::wstring>& localNames);

// Nothing when the login is accepted, else the reason SQL Server would give. An empty user
// means Windows authentication.
std::optional<std::wstring> CheckLogin(const DemoInstance& instance, std::wstring_view user, std::wstring_view password);

const DemoItem* FindDatabase(const DemoInstance& instance, std::wstring_view name);

bool EqualsNoCaseWide(std::wstring_view a, std::wstring_view b);

}  // namespace tess::companion
