#include "common/Sha256.h"

#include <bcrypt.h>

namespace tess {

Sha256::Sha256() {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0) return;
    algorithm_ = algorithm;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) < 0) return;
    hash_ = hash;
}

Sha256::~Sha256() {
    if (hash_) BCryptDestroyHash(static_cast<BCRYPT_HASH_HANDLE>(hash_));
    if (algorithm_) BCryptCloseAlgorithmProvider(static_cast<BCRYPT_ALG_HANDLE>(algorithm_), 0);
}

void Sha256::add(const void* data, size_t byteCount) {
    auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
    // BCryptHashData takes a 32-bit length.
    while (hash_ && !failed_ && byteCount > 0) {
        const ULONG part = byteCount > (1u << 30) ? (1u << 30) : static_cast<ULONG>(byteCount);
        failed_ = BCryptHashData(static_cast<BCRYPT_HASH_HANDLE>(hash_), bytes, part, 0) < 0;
        bytes += part;
        byteCount -= part;
    }
}

std::string Sha256::finish() {
    UCHAR digest[32];
    if (!hash_ || failed_ || BCryptFinishHash(static_cast<BCRYPT_HASH_HANDLE>(hash_), digest, sizeof digest, 0) < 0)
        return {};
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (UCHAR byte : digest) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 15];
    }
    return hex;
}

BackgroundSha256::BackgroundSha256()
    : work_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), idle_(CreateEventW(nullptr, FALSE, TRUE, nullptr)) {
    if (work_ && idle_ && hash_.ok()) thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
}

BackgroundSha256::~BackgroundSha256() {
    if (thread_) {
        WaitForSingleObject(idle_, INFINITE);
        stop_ = true;
        SetEvent(work_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    if (work_) CloseHandle(work_);
    if (idle_) CloseHandle(idle_);
}

bool BackgroundSha256::ok() const { return hash_.ok(); }

DWORD WINAPI BackgroundSha256::run(void* self) {
    auto* hasher = static_cast<BackgroundSha256*>(self);
    for (;;) {
        WaitForSingleObject(hasher->work_, INFINITE);
        if (hasher->stop_) return 0;
        hasher->hash_.add(hasher->data_, hasher->byteCount_);
        SetEvent(hasher->idle_);
    }
}

void BackgroundSha256::add(const void* data, size_t byteCount) {
    if (!thread_) return hash_.add(data, byteCount);
    WaitForSingleObject(idle_, INFINITE);
    data_ = data;
    byteCount_ = byteCount;
    SetEvent(work_);
}

std::string BackgroundSha256::finish() {
    if (thread_) {
        WaitForSingleObject(idle_, INFINITE);
        SetEvent(idle_);  // the destructor waits for it again
    }
    return hash_.finish();
}

}  // namespace tess
