#pragma once
// The checksum manifest on the destination: one line per shipped file, "<sha256 hex>  <path>",
// the path relative to the manifest's folder with "/" separators, UTF-8 without a byte-order
// mark, so that `sha256sum -c` and PowerShell users check the drive with what they know.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

// Named so that no dump or backup set file can take the name.
extern const wchar_t kManifestName[];

struct ManifestEntry {
    std::string sha256;  // lower-case hex
    std::wstring path;   // relative, "/" separators
};

// The path of `file` relative to `folder`, with "/" separators; none when it is not below it.
std::optional<std::wstring> ManifestRelativePath(const std::wstring& folder, const std::wstring& file);

std::string FormatManifest(const std::vector<ManifestEntry>& entries);
// Lines that are not "<64 hex>  <path>" (a binary-mode "*" is accepted) are dropped.
std::vector<ManifestEntry> ParseManifest(std::string_view text);
// The earlier entries, each replaced in place by a newer one for the same path (paths compare
// without case, as the drive's names do), then the new ones in their order.
std::vector<ManifestEntry> MergeManifest(std::vector<ManifestEntry> earlier, const std::vector<ManifestEntry>& newer);

// Merges `entries` into the manifest of `folder`, written under a temporary name and renamed over
// the old one when complete. The manifest's full path, or none when it could not be written.
std::optional<std::wstring> UpdateManifest(const std::wstring& folder, const std::vector<ManifestEntry>& entries);

}  // namespace tess
