#include "lib/Outputs.h"

#include "lib/Args.h"
#include "lib/Requests.h"

namespace tess::companion {
namespace {

const wchar_t kCrLf[] = L"\r\n";
constexpr wchar_t kCode8 = L'\b';

std::wstring annotation(const DemoExchange& exchange) {
    std::wstring a = exchange.adminGroup;
    if (!a.empty() && a.back() == L'#') a.pop_back();
    return a;
}

void addStore(std::vector<const DemoItem*>& list, const DemoItem* item) {
    for (const DemoItem* existing : list)
        if (existing == item) return;
    list.push_back(item);
}

}  // namespace

std::wstring DatabaseListText(const std::vector<std::pair<std::wstring, uint64_t>>& namesAndBytes) {
    std::wstring text;
    for (const auto& [name, bytes] : namesAndBytes) {
        text += name + kCrLf;
        text += std::to_wstring((bytes + 1023) / 1024) + kCrLf;
    }
    return text;
}

std::wstring GroupKey(const DemoExchange& exchange, const DemoStorageGroup& group) {
    return exchange.server + L"\\" + annotation(exchange) + L"\\" + group.name + L"\\";
}

std::wstring ExchangeTreeInfoText(const DemoExchange& exchange, int generation) {
    std::wstring text = L"[VXEXCHINFO]\r\n";
    text += L"EXCHANGE=" + std::to_wstring(exchange.present) + kCrLf;
    if (exchange.present == 0) return text;
    text += L"EXCHServer=" + exchange.server + kCrLf;
    // The real helpers end the administrative group with '#'; the program drops one.
    text += L"EXCHAnnotName=" + annotation(exchange) + L"#" + kCrLf;
    if (!HasStorageGroups(generation)) {
        std::wstring names;
        for (const auto& db : exchange.databases) {
            if (!names.empty()) names += kCode8;
            names += db.name;
        }
        text += L"EXCHDatabaseNames=" + names + kCrLf;
        return text;
    }
    std::wstring groups;
    for (const auto& g : exchange.groups) groups += g.name + L"#";
    text += L"EXCHInstanceNames=" + groups + kCrLf;
    for (const auto& g : exchange.groups) {
        std::wstring stores;
        for (const auto& s : g.stores) stores += s.name + L"#";
        text += kCrLf;
        text += L"[" + g.name + L"]" + kCrLf;
        text += L"EXCHDatabaseNames=" + stores + kCrLf;
    }
    return text;
}

ExchangeSelection SelectStores(const DemoExchange& exchange, std::wstring_view jobListText, int generation) {
    ExchangeSelection selection;
    if (!HasStorageGroups(generation)) {
        // One line: code 8 before each database name.
        std::wstring_view line = jobListText.substr(0, jobListText.find_first_of(L"\r\n"));
        size_t start = 0;
        while (start <= line.size()) {
            size_t end = line.find(kCode8, start);
            std::wstring_view name = line.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
            if (!TrimBlanks(name).empty()) {
                const DemoItem* found = nullptr;
                for (const auto& db : exchange.databases)
                    if (db.name == name) found = &db;
                if (found) addStore(selection.databases, found);
                else selection.unknown.emplace_back(name);
            }
            if (end == std::wstring_view::npos) break;
            start = end + 1;
        }
        return selection;
    }
    auto entryFor = [&](const DemoStorageGroup* g) -> std::vector<const DemoItem*>& {
        for (auto& entry : selection.groups)
            if (entry.first == g) return entry.second;
        selection.groups.emplace_back(g, std::vector<const DemoItem*>{});
        return selection.groups.back().second;
    };
    while (!jobListText.empty()) {
        size_t end = jobListText.find(L'\n');
        std::wstring_view line = jobListText.substr(0, end);
        jobListText = end == std::wstring_view::npos ? std::wstring_view() : jobListText.substr(end + 1);
        if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
        line = TrimBlanks(line);
        if (line.empty()) continue;
        bool folder = line.substr(0, 2) == L"D_";
        bool file = line.substr(0, 2) == L"F_";
        std::wstring_view key = line.substr(2);
        bool matched = false;
        for (const auto& g : exchange.groups) {
            std::wstring prefix = GroupKey(exchange, g);
            if (folder && key == prefix) {
                auto& stores = entryFor(&g);
                for (const auto& s : g.stores) addStore(stores, &s);
                matched = true;
            } else if (file && key.size() > prefix.size() && key.substr(0, prefix.size()) == prefix) {
                std::wstring_view store = key.substr(prefix.size());
                for (const auto& s : g.stores) {
                    if (s.name == store) {
                        addStore(entryFor(&g), &s);
                        matched = true;
                    }
                }
            }
        }
        if (!matched) selection.unknown.emplace_back(line);
    }
    return selection;
}

std::wstring BackupInventoryText(const ExchangeSelection& selection) {
    std::wstring text = L"[BACKEDUP STORAGE GROUPS]\r\n";
    text += L"NOSG=" + std::to_wstring(selection.groups.size()) + kCrLf;
    for (size_t i = 0; i < selection.groups.size(); ++i)
        text += L"SG" + std::to_wstring(i + 1) + L"=" + selection.groups[i].first->name + kCrLf;
    for (const auto& [group, stores] : selection.groups) {
        text += kCrLf;
        text += L"[BKP INFO OF->" + group->name + L"]" + kCrLf;
        text += L"NODB=" + std::to_wstring(stores.size()) + kCrLf;
        for (size_t i = 0; i < stores.size(); ++i) text += L"DB" + std::to_wstring(i + 1) + L"=" + stores[i]->name + kCrLf;
    }
    return text;
}

std::wstring FileNameOf(std::wstring_view name) {
    std::wstring out(name);
    for (auto& c : out)
        if (c < 32 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos) c = L'_';
    while (!out.empty() && (out.back() == L'.' || out.back() == L' ')) out.back() = L'_';
    return out.empty() ? L"_" : out;
}

}  // namespace tess::companion
