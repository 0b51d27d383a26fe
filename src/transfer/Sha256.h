#pragma once
// SHA-256 on the processor's SHA extensions where it has them, else through the system's
// cryptography (CNG); and a hasher that works on a second thread so
// that a copy or a read does not wait for the digest of the block it just handed over.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Handle.h"

namespace tess {

class Sha256 {
public:
    enum class Engine { kFastest, kSystem };
    // kSystem always uses CNG (tests compare the two engines).
    explicit Sha256(Engine engine = Engine::kFastest);
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    bool ok() const { return own_ || hash_ != nullptr; }
    void add(const void* data, size_t byteCount);
    // The lower-case hex digest; the object is spent afterwards. Empty when CNG failed.
    std::string finish();
    // The digest of what was added so far, the object going on: a resumed copy proves its kept
    // part with the digest of the source's range and carries on hashing the rest into the same state.
    std::string digestSoFar();

private:
    void addOwn(const unsigned char* bytes, size_t byteCount);
    std::string finishOwn();

    void* algorithm_ = nullptr;
    void* hash_ = nullptr;
    bool failed_ = false;
    // The processor's extensions: the working state and the part of a 64-byte block not yet digested.
    bool own_ = false;
    uint32_t state_[8] = {};
    unsigned char pending_[64] = {};
    size_t pendingBytes_ = 0;
    uint64_t totalBytes_ = 0;
};

// Hashes the blocks it is handed on its own thread, one block at a time: add() returns as soon as
// the previous block is digested, so the caller must leave a block untouched until the next add()
// or finish(). Two buffers used in turn keep reading and hashing overlapped.
class BackgroundSha256 {
public:
    BackgroundSha256();
    ~BackgroundSha256();
    BackgroundSha256(const BackgroundSha256&) = delete;
    BackgroundSha256& operator=(const BackgroundSha256&) = delete;

    bool ok() const;
    void add(const void* data, size_t byteCount);
    std::string finish();
    // Once every block handed over is digested; the hasher goes on.
    std::string digestSoFar();

private:
    static DWORD WINAPI run(void* self);
    void start();
    void waitIdle();
    void drain();  // every block handed over digested
    Sha256 hash_;
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;  // a block was handed over or digested
    const void* data_ = nullptr;                              // the block being digested, under lock_
    size_t byteCount_ = 0;
    bool stop_ = false;
    bool started_ = false;
    UniqueHandle thread_;
    // The first block waits here: a file of one block is digested on the caller's thread at
    // finish(), and only a longer one pays for starting the thread.
    const void* firstData_ = nullptr;
    size_t firstByteCount_ = 0;
};

}  // namespace tess
