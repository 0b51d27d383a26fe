#include "exchange/StorageTree.h"

#include "common/Text.h"

namespace tess::exchange {
namespace {

constexpr wchar_t kInfoSection[] = L"VXEXCHINFO";
constexpr wchar_t kDatabaseSeparator = L'\b';

std::wstring readValue(const ProfileReader& read, const std::wstring& section, const std::wstring& key) {
    return CutProfileValue(read(section, key));
}

int addNode(StorageModel& model, NodeKind kind, std::wstring key, std::wstring text, int parent, int state) {
    model.nodes.push_back({kind, std::move(key), std::move(text), parent, state});
    return static_cast<int>(model.nodes.size()) - 1;
}

void setSubtree(StorageModel& model, int index, int state) {
    for (int child : model.children(index)) {
        model.nodes[child].state = state;
        setSubtree(model, child, state);
    }
}

void collectChosen(StorageModel& model, int index, std::vector<std::wstring>& out) {
    StorageNode& node = model.nodes[index];
    if (!IsSelectable(node.kind)) node.state = kStateUnchecked;
    if (node.state == kStateChecked) {
        out.push_back(node.key);  // a ticked group is taken whole
        return;
    }
    if (node.kind == NodeKind::Store) return;
    for (int child : model.children(index)) collectChosen(model, child, out);
}

}  // namespace

std::wstring CutProfileValue(std::wstring_view value) {
    return std::wstring(value.substr(0, kProfileValueLimit));
}

std::vector<std::wstring> SplitStorageEntries(std::wstring_view value, wchar_t separator) {
    std::vector<std::wstring> entries;
    if (value.empty()) return entries;
    for (auto& entry : SplitFullText(value, std::wstring_view(&separator, 1)))
        if (!IsBlank(entry)) entries.push_back(std::move(entry));
    return entries;
}

std::wstring AnnotationName(std::wstring_view value) {
    if (!value.empty() && value.back() == L'#') value.remove_suffix(1);
    return std::wstring(value);
}

StorageInfo ReadStorageInfo(const ProfileReader& read) {
    StorageInfo info;
    info.server = readValue(read, kInfoSection, L"EXCHServer");
    info.annotation = AnnotationName(readValue(read, kInfoSection, L"EXCHAnnotName"));
    for (auto& group : SplitStorageEntries(readValue(read, kInfoSection, L"EXCHInstanceNames"), L'#')) {
        // The group's section is named exactly as the group is written in the list.
        auto stores = SplitStorageEntries(readValue(read, group, L"EXCHDatabaseNames"), L'#');
        info.groups.push_back({std::move(group), std::move(stores)});
    }
    return info;
}

DatabaseListInfo ReadDatabaseListInfo(const ProfileReader& read) {
    DatabaseListInfo info;
    info.server = readValue(read, kInfoSection, L"EXCHServer");
    info.databases = SplitStorageEntries(readValue(read, kInfoSection, L"EXCHDatabaseNames"), kDatabaseSeparator);
    return info;
}

std::wstring ExchangeServerCaption(std::wstring_view server) {
    return L"MS Exchange Server: " + std::wstring(server);
}

std::vector<int> StorageModel::children(int index) const {
    std::vector<int> out;
    for (size_t i = static_cast<size_t>(index) + 1; i < nodes.size(); ++i)
        if (nodes[i].parent == index) out.push_back(static_cast<int>(i));
    return out;
}

StorageModel BuildStorageModel(const StorageInfo& info) {
    StorageModel model;
    const int server = addNode(model, NodeKind::Server, info.server, info.server, -1, kStateUnchecked);
    const std::wstring adminKey = info.server + L"\\" + info.annotation;
    const int admin = addNode(model, NodeKind::Administrative, adminKey, info.annotation, server, kStateUnchecked);
    for (const auto& group : info.groups) {
        const std::wstring groupKey = adminKey + L"\\" + group.name + L"\\";
        const int g = addNode(model, NodeKind::Group, groupKey, group.name, admin, kStateChecked);
        for (const auto& store : group.stores)
            addNode(model, NodeKind::Store, groupKey + store, store, g, kStateChecked);
    }
    return model;
}

bool IsSelectable(NodeKind kind) { return kind == NodeKind::Group || kind == NodeKind::Store; }

std::optional<std::wstring> ApplyNodeCheck(StorageModel& model, int index, int newState,
                                           const std::function<std::wstring(long code)>& messageText) {
    if (index < 0 || static_cast<size_t>(index) >= model.nodes.size()) return std::nullopt;
    StorageNode& node = model.nodes[index];
    if (!IsSelectable(node.kind)) {
        node.state = kStateUnchecked;
        if (newState != kStateChecked) return std::nullopt;
        return messageText(23) + node.key + messageText(24);
    }
    node.state = newState;
    if (newState != kStateChecked)
        for (int up = node.parent; up >= 0; up = model.nodes[up].parent) model.nodes[up].state = newState;
    setSubtree(model, index, newState);
    return std::nullopt;
}

std::vector<std::wstring> Trf_TraverseTree(StorageModel& model) {
    std::vector<std::wstring> chosen;
    // The walk starts below the server, which is never taken itself.
    if (!model.nodes.empty()) {
        model.nodes[0].state = kStateUnchecked;
        for (int child : model.children(0)) collectChosen(model, child, chosen);
    }
    return chosen;
}

std::vector<std::wstring> CheckedDatabases(const std::vector<std::wstring>& databases, const std::vector<bool>& checked) {
    std::vector<std::wstring> out;
    for (size_t i = 0; i < databases.size() && i < checked.size(); ++i)
        if (checked[i]) out.push_back(databases[i]);
    return out;
}

}  // namespace tess::exchange
