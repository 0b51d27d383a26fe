#pragma once
// The texts the tools leave for the program, built from the demo server by pure functions.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lib/Demo.h"

namespace tess::companion {

// SQLSrvdbList.txt: per database a name line and a size line (kilobytes, rounded up), each
// ended by CR LF.
std::wstring DatabaseListText(const std::vector<std::pair<std::wstring, uint64_t>>& namesAndBytes);

// ExchTreeInfo.ini: section VXEXCHINFO with EXCHANGE, EXCHServer and EXCHAnnotName, then for
// 2000 to 2007 EXCHInstanceNames and one section per storage group with its "#"-separated
// EXCHDatabaseNames; for 2010 and 2013 EXCHDatabaseNames in VXEXCHINFO separated by code 8.
std::wstring ExchangeTreeInfoText(const DemoExchange& exchange, int generation);

// The key prefix the program gives the stores of a group: server\admin group\group\ .
std::wstring GroupKey(const DemoExchange& exchange, const DemoStorageGroup& group);

// What an Exchange job list asks for: per storage group the stores to back up (2000 to 2007),
// or the stores by name (2010 and 2013). Entries that match nothing are returned as unknown.
struct ExchangeSelection {
    std::vector<std::pair<const DemoStorageGroup*, std::vector<const DemoItem*>>> groups;
    std::vector<const DemoItem*> databases;
    std::vector<std::wstring> unknown;
    bool empty() const { return groups.empty() && databases.empty(); }
};
ExchangeSelection SelectStores(const DemoExchange& exchange, std::wstring_view jobListText, int generation);

// ExchBackupINI.ini of a backup set: the groups and databases it holds.
std::wstring BackupInventoryText(const ExchangeSelection& selection);

// A name made safe as one file-name component (reserved characters become '_').
std::wstring FileNameOf(std::wstring_view name);

}  // namespace tess::companion
