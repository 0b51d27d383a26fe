#pragma once
// The bytes of a dump or backup file: a deterministic pattern that any reader can recompute
// (so a test compares bytes without keeping a copy), or the bytes of a source file. Written by
// streaming in fixed blocks, so a file of several GiB needs no more than one block of memory.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "lib/Demo.h"

namespace tess::companion {

// Fills `count` bytes of the pattern that starts at byte `offset` of a file with this seed.
void FillPattern(uint64_t seed, uint64_t offset, uint8_t* bytes, size_t count);

struct WriteResult {
    bool ok = false;
    uint64_t bytesWritten = 0;
    std::wstring error;  // readable, with the system's reason
};

struct WriteOptions {
    std::optional<unsigned> partialPercent;  // stop after this share, leaving the file short
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(uint64_t done, uint64_t total)> progress;
    unsigned paceSeconds = 0;  // the writing is spread over this long (a slow server's dump)
};

// The size an item's content will have (a file source's own size unless stated).
std::optional<uint64_t> ContentSize(const ContentSpec& spec, std::wstring* error = nullptr);

// Writes the content to `path`. The bytes go to a temporary name beside it and are renamed at
// the end, so a failure or cancel leaves nothing at the final name. A partial write is the
// injected fault and lands at the final name on purpose.
WriteResult WriteContent(const ContentSpec& spec, const std::wstring& path, const WriteOptions& options = {});

// Replaces a small file as a whole (temporary name, then rename).
bool WriteFileAtomically(const std::wstring& path, const std::string& bytes);

// "<text> (<system message>)" for a GetLastError value.
std::wstring SystemErrorText(const std::wstring& what, unsigned long error);

// Creates a folder and its missing parents.
bool CreateFolderTree(const std::wstring& path);

}  // namespace tess::companion
