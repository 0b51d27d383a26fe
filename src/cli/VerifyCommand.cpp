// verify FOLDER: the drive's checksum manifest checked against its files, like `sha256sum -c`.
#include <windows.h>

#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "common/Files.h"
#include "common/Text.h"
#include "platform/Handle.h"
#include "transfer/Manifest.h"
#include "transfer/Sha256.h"

namespace tess::cli {
namespace {

constexpr DWORD kBlockBytes = 1 << 20;

// The file's SHA-256, or the reason it could not be read.
std::pair<std::string, std::wstring> digestOf(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) return {{}, GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND
                                       ? L"missing"
                                       : L"cannot be opened"};
    BackgroundSha256 hash;
    std::vector<char> blocks[2] = {std::vector<char>(kBlockBytes), std::vector<char>(kBlockBytes)};
    for (int turn = 0;; turn ^= 1) {
        DWORD read = 0;
        if (!ReadFile(file.get(), blocks[turn].data(), kBlockBytes, &read, nullptr)) {
            hash.finish();
            return {{}, L"read error"};
        }
        if (read == 0) break;
        hash.add(blocks[turn].data(), read);
    }
    return {hash.finish(), {}};
}

}  // namespace

int Verify(const std::wstring& folderOption, bool json) {
    const std::wstring folder = WithoutTrailingBackslash(Trim(folderOption));
    const auto text = ReadFileBytes(JoinPath(folder, kManifestName));
    const std::vector<ManifestEntry> entries = text ? ParseManifest(*text) : std::vector<ManifestEntry>{};
    if (entries.empty()) {
        SayText(L"There is no checksum manifest (" + std::wstring(kManifestName) + L") in " + folder + L".");
        return kExitNothingFound;
    }
    int failed = 0;
    for (const auto& entry : entries) {
        std::wstring path = entry.path;
        for (auto& c : path)
            if (c == L'/') c = L'\\';
        const auto [digest, problem] = digestOf(JoinPath(folder, path));
        const std::wstring reason = !problem.empty() ? problem : digest != entry.sha256 ? L"checksum differs" : L"";
        if (reason.empty()) continue;
        ++failed;
        if (json)
            Out(FromUTF8(nlohmann::json{{"event", "failed"}, {"path", ToUTF8(entry.path)}, {"reason", ToUTF8(reason)}}.dump(
                -1, ' ', false, nlohmann::json::error_handler_t::replace)));
        else
            Out(entry.path + L": FAILED (" + reason + L")");
    }
    const int total = static_cast<int>(entries.size());
    if (json)
        Out(FromUTF8(nlohmann::json{{"event", "ended"}, {"files", total}, {"failed", failed}}.dump()));
    else
        Out(std::to_wstring(total - failed) + L" of " + std::to_wstring(total) + L" file(s) match");
    return failed ? kExitSomeFailed : kExitShipped;
}

}  // namespace tess::cli
