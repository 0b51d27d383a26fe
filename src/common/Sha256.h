#pragma once
// SHA-256 through the system's cryptography (CNG), and a hasher that works on a second thread so
// that a copy or a read does not wait for the digest of the block it just handed over.
#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

namespace tess {

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    bool ok() const { return hash_ != nullptr; }
    void add(const void* data, size_t byteCount);
    // The lower-case hex digest; the object is spent afterwards. Empty when CNG failed.
    std::string finish();

private:
    void* algorithm_ = nullptr;
    void* hash_ = nullptr;
    bool failed_ = false;
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

private:
    static DWORD WINAPI run(void* self);
    Sha256 hash_;
    HANDLE work_ = nullptr;  // a block is waiting
    HANDLE idle_ = nullptr;  // the last block is digested
    HANDLE thread_ = nullptr;
    const void* data_ = nullptr;
    size_t byteCount_ = 0;
    bool stop_ = false;
};

}  // namespace tess
