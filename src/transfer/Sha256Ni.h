#pragma once
// SHA-256 on the processor's SHA extensions. Wine's CNG digests at about 290 MB/s, far below the
// speed of a copy; the instructions digest at well over 1 GB/s on one core, so the proof of a
// shipped file no longer sets the pace of the copy where the processor has them.
#include <cstddef>
#include <cstdint>

namespace tess {

// Whether this processor has the SHA extensions (and SSSE3/SSE4.1, which the rounds also use).
bool Sha256ExtensionsAvailable();

// The compression function over whole 64-byte blocks; `state` holds the eight working words.
void Sha256ExtensionsBlocks(uint32_t state[8], const uint8_t* data, size_t blockCount);

}  // namespace tess
