#include "transfer/Manifest.h"

#include <windows.h>

#include <unordered_map>

#include "common/Files.h"
#include "common/Log.h"
#include "common/Text.h"

namespace tess {

const wchar_t kManifestName[] = L"Tessaron-SHA256SUMS.txt";

namespace {

bool isDigest(std::string_view text) {
    if (text.size() != 64) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

std::string lowerHex(std::string_view digest) {
    std::string lower(digest);
    for (char& c : lower)
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

}  // namespace

std::optional<std::wstring> ManifestRelativePath(const std::wstring& folder, const std::wstring& file) {
    std::wstring base = folder;
    while (!base.empty() && (base.back() == L'\\' || base.back() == L'/')) base.pop_back();
    if (file.size() <= base.size() + 1 || !StartsWithNoCase(file, base)) return std::nullopt;
    const wchar_t separator = file[base.size()];
    if (separator != L'\\' && separator != L'/') return std::nullopt;
    return ReplaceAll(file.substr(base.size() + 1), L"\\", L"/");
}

std::string FormatManifest(const std::vector<ManifestEntry>& entries) {
    std::string text;
    for (const auto& entry : entries) text += entry.sha256 + "  " + ToUTF8(entry.path) + "\n";
    return text;
}

std::vector<ManifestEntry> ParseManifest(std::string_view text) {
    std::vector<ManifestEntry> entries;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() < 67 || !isDigest(line.substr(0, 64)) || line[64] != ' ' || (line[65] != ' ' && line[65] != '*'))
            continue;
        entries.push_back({lowerHex(line.substr(0, 64)), FromUTF8(line.substr(66))});
    }
    return entries;
}

// Indexed by the path as the file system compares names (case aside): a set of thousands of
// files compared pairwise would spend seconds in case mapping.
std::vector<ManifestEntry> MergeManifest(std::vector<ManifestEntry> earlier, const std::vector<ManifestEntry>& newer) {
    std::unordered_map<std::wstring, size_t> where;
    for (size_t i = 0; i < earlier.size(); ++i) where.emplace(ToUpper(earlier[i].path), i);
    for (const auto& entry : newer) {
        const auto [at, added] = where.emplace(ToUpper(entry.path), earlier.size());
        if (added) earlier.push_back(entry);
        else earlier[at->second] = entry;
    }
    return earlier;
}

std::optional<std::wstring> UpdateManifest(const std::wstring& folder, const std::vector<ManifestEntry>& entries) {
    const std::wstring path = JoinPath(folder, kManifestName);
    const std::wstring temporary = path + L".partial";
    std::vector<ManifestEntry> earlier;
    if (auto bytes = ReadFileBytes(path)) earlier = ParseManifest(*bytes);
    if (!WriteFileBytes(temporary, FormatManifest(MergeManifest(std::move(earlier), entries)))) {
        TraceError(L"UpdateManifest", L" Reason: cannot write '" + temporary + L"'");
        return std::nullopt;
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        TraceError(L"UpdateManifest", L" Reason: cannot rename to '" + path + L"': " + ErrorDescription(error));
        DeleteFileIfExists(temporary, true);
        return std::nullopt;
    }
    return path;
}

}  // namespace tess
