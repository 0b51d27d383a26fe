#pragma once
// What the local Exchange server holds, as the helper's information run describes it in
// ExchTreeInfo.ini, and the rules of the storage tree on the wizard's backup page: which check
// marks the user may set, how a mark spreads to the neighbours, and which keys a transfer takes.
// Values in, values out: the wizard mirrors the model into its tree view.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::exchange {

// ---- ExchTreeInfo.ini ----

// Reads one value of the file: (section, key) -> text, "" when missing.
using ProfileReader = std::function<std::wstring(const std::wstring& section, const std::wstring& key)>;

// The helper's values are read through a 256-character buffer, so at most 255 characters of a
// value are ever seen (a long store list loses its tail, as it does for the helper's own tools).
constexpr size_t kProfileValueLimit = 255;
std::wstring CutProfileValue(std::wstring_view value);

// The entries of a list value split at `separator`; entries that are blank after trimming are
// skipped, the others are kept as they stand (they are keys and section names).
std::vector<std::wstring> SplitStorageEntries(std::wstring_view value, wchar_t separator);

// The name of the level between the server and its storage groups, without the one trailing "#"
// the helper may leave.
std::wstring AnnotationName(std::wstring_view value);

struct StorageGroup {
    std::wstring name;
    std::vector<std::wstring> stores;
};

// Exchange 2000 to 2007: server, administrative level, storage groups with their stores.
struct StorageInfo {
    std::wstring server;
    std::wstring annotation;
    std::vector<StorageGroup> groups;
};
StorageInfo ReadStorageInfo(const ProfileReader& read);

// Exchange 2010 and 2013: the server and its databases (separated by the backspace character, so
// a "#" belongs to the name).
struct DatabaseListInfo {
    std::wstring server;
    std::vector<std::wstring> databases;
};
DatabaseListInfo ReadDatabaseListInfo(const ProfileReader& read);

// The caption above the 2010 list.
std::wstring ExchangeServerCaption(std::wstring_view server);

// ---- The tree model ----

// Check states as the tree view reports them.
constexpr int kStateUnchecked = 1;
constexpr int kStateChecked = 2;

enum class NodeKind { Server, Administrative, Group, Store };

struct StorageNode {
    NodeKind kind;
    std::wstring key;   // server, server\annotation, server\annotation\group\ (trailing "\"), ...\store
    std::wstring text;  // what the tree shows
    int parent;         // index of the parent node, -1 for the server
    int state;
};

// The nodes in tree order (a parent before its children, children in file order). Groups and
// stores start checked, the two upper levels unchecked.
struct StorageModel {
    std::vector<StorageNode> nodes;
    std::vector<int> children(int index) const;
};
StorageModel BuildStorageModel(const StorageInfo& info);

// Groups and stores carry a folder or file image; the upper levels none, and cannot be ticked.
bool IsSelectable(NodeKind kind);

// What the user's toggle of one check box (to `newState`) does to the model. A tick on the server
// or the administrative level is refused: the model keeps it unticked and the result is the text
// to show (message 23, the node's key, message 24). Otherwise the node's stores follow it, and
// unticking a group or store unticks every node above it. Returns std::nullopt when accepted.
std::optional<std::wstring> ApplyNodeCheck(StorageModel& model, int index, int newState,
                                           const std::function<std::wstring(long code)>& messageText);

// The keys a transfer takes, in tree order: a ticked group once (its stores are not listed), the
// ticked stores of an unticked group. The upper levels are forced unticked on the way.
std::vector<std::wstring> Trf_TraverseTree(StorageModel& model);

// The list mode's selection: the ticked databases in list order.
std::vector<std::wstring> CheckedDatabases(const std::vector<std::wstring>& databases, const std::vector<bool>& checked);

}  // namespace tess::exchange
