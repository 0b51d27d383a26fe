#include "lib/Content.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "common/Files.h"
#include "platform/Handle.h"

namespace tess::companion {
namespace {

constexpr size_t kBlockBytes = 1u << 20;

uint64_t mix(uint64_t z) {  // splitmix64's finaliser
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t word(uint64_t seed, uint64_t index) { return mix(seed + (index + 1) * 0x9E3779B97F4A7C15ull); }

std::wstring temporaryNameFor(const std::wstring& path) {
    return path + L".tmp" + std::to_wstring(GetCurrentProcessId());
}

}  // namespace

void FillPattern(uint64_t seed, uint64_t offset, uint8_t* bytes, size_t count) {
    size_t i = 0;
    // Leading bytes up to a word boundary, whole words, then the tail.
    while (i < count && (offset + i) % 8 != 0) {
        uint64_t pos = offset + i;
        bytes[i++] = static_cast<uint8_t>(word(seed, pos / 8) >> (8 * (pos % 8)));
    }
    uint64_t index = (offset + i) / 8;
    for (; i + 8 <= count; i += 8, ++index) {
        uint64_t w = word(seed, index);
        for (int b = 0; b < 8; ++b) bytes[i + b] = static_cast<uint8_t>(w >> (8 * b));
    }
    while (i < count) {
        uint64_t pos = offset + i;
        bytes[i++] = static_cast<uint8_t>(word(seed, pos / 8) >> (8 * (pos % 8)));
    }
}

std::wstring SystemErrorText(const std::wstring& what, unsigned long error) {
    wchar_t* message = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring reason = message ? message : L"";
    if (message) LocalFree(message);
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' ')) reason.pop_back();
    return what + L" (error " + std::to_wstring(error) + (reason.empty() ? L"" : L": " + reason) + L")";
}

bool CreateFolderTree(const std::wstring& path) {
    if (path.empty() || FolderExists(path)) return !path.empty();
    std::wstring parent = ParentFolder(path);
    if (!parent.empty() && parent != path && !FolderExists(parent) && parent.size() > 2) CreateFolderTree(parent);
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::optional<uint64_t> ContentSize(const ContentSpec& spec, std::wstring* error) {
    if (spec.sourceFile.empty() || spec.sizeBytes != 0) return spec.sizeBytes;
    auto size = FileSize(spec.sourceFile);
    if (!size && error) *error = SystemErrorText(L"Cannot read the source file " + spec.sourceFile, GetLastError());
    return size;
}

WriteResult WriteContent(const ContentSpec& spec, const std::wstring& path, const WriteOptions& options) {
    WriteResult result;
    auto total = ContentSize(spec, &result.error);
    if (!total) return result;

    UniqueFile source;
    if (!spec.sourceFile.empty()) {
        source.reset(CreateFileW(spec.sourceFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!source) {
            result.error = SystemErrorText(L"Cannot open the source file " + spec.sourceFile, GetLastError());
            return result;
        }
    }
    const bool partial = options.partialPercent.has_value();
    const uint64_t target = partial ? *total * *options.partialPercent / 100 : *total;
    const std::wstring writeName = partial ? path : temporaryNameFor(path);
    UniqueFile out(CreateFileW(writeName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!out) {
        result.error = SystemErrorText(L"Cannot create " + path, GetLastError());
        return result;
    }
    auto abandon = [&](std::wstring error) {
        result.error = std::move(error);
        out.reset();
        DeleteFileW(writeName.c_str());
        return result;
    };

    std::vector<uint8_t> block(kBlockBytes);
    uint64_t done = 0;
    const ULONGLONG startMs = GetTickCount64();
    while (done < target) {
        if (options.cancel && options.cancel->load()) return abandon(L"Cancelled after " + std::to_wstring(done) + L" bytes.");
        DWORD count = static_cast<DWORD>(std::min<uint64_t>(kBlockBytes, target - done));
        if (source) {
            DWORD read = 0;
            if (!ReadFile(source.get(), block.data(), count, &read, nullptr))
                return abandon(SystemErrorText(L"Cannot read the source file " + spec.sourceFile, GetLastError()));
            if (read == 0) return abandon(L"The source file " + spec.sourceFile + L" ended early.");
            count = read;
        } else {
            FillPattern(spec.seed, done, block.data(), count);
        }
        DWORD written = 0;
        if (!WriteFile(out.get(), block.data(), count, &written, nullptr) || written != count) {
            DWORD error = GetLastError();
            return abandon(SystemErrorText(L"Cannot write " + path + L" after " + std::to_wstring(done) + L" bytes", error));
        }
        done += written;
        if (options.progress) options.progress(done, target);
        const ULONGLONG dueMs = startMs + options.paceSeconds * 1000ull * done / std::max<uint64_t>(target, 1);
        for (ULONGLONG now = GetTickCount64(); now < dueMs; now = GetTickCount64())
            Sleep(static_cast<DWORD>(std::min<ULONGLONG>(dueMs - now, 100)));
    }
    out.reset();
    if (!partial && !MoveFileExW(writeName.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DWORD error = GetLastError();
        DeleteFileW(writeName.c_str());
        result.error = SystemErrorText(L"Cannot move the finished file to " + path, error);
        return result;
    }
    result.ok = true;
    result.bytesWritten = done;
    return result;
}

bool WriteFileAtomically(const std::wstring& path, const std::string& bytes) {
    std::wstring temp = temporaryNameFor(path);
    if (!WriteFileBytes(temp, bytes)) return false;
    // The program polls status files; while it has one open the rename can be refused for a
    // moment, so try again briefly before giving up.
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
        Sleep(50);
    }
    DeleteFileW(temp.c_str());
    return false;
}

}  // namespace tess::companion
