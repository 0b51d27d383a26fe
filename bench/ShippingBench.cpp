// Measurements of the shipping's proof, side by side in one process under the same Wine:
//   hash     <file> <dest folder> <rounds>  CopyFileBlocks taking the SHA-256 against the plain copy
//   readback <file> <rounds>                the read-back verification against a plain sequential read
//   once     plain|verify|copy|hashcopy <file> [<dest folder>]   one read or copy, timed
//   digest   <MiB>                          the SHA-256 alone over a buffer in memory
//   encrypt  <file> <dest folder> <rounds>  the encrypted shipping copy against the plain one (with its digest)
//   gcm      <MiB>                          AES-256-GCM alone over a buffer in memory, in 1 MiB chunks
//   resume   <file> <dest folder>           a copy stopped at 80 % and resumed against a fresh copy
// Results are printed as "key=value" lines that scripts/bench turns into the README table.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "common/Files.h"
#include "platform/Handle.h"
#include "transfer/Sha256.h"
#include "transfer/BlockCopy.h"
#include "transfer/Encryption.h"
#include "transfer/ReadBack.h"

namespace {

double mebibytes(const std::wstring& file) { return static_cast<double>(tess::FileSize(file).value_or(0)) / 1048576.0; }

// One shipping copy of the file into the folder: plain, with its digest, or encrypted.
bool shipOnce(const std::wstring& how, const std::wstring& file, const std::wstring& folder) {
    const std::wstring target = folder + L"\\copy.bin";
    std::string digest;
    bool done = false;
    if (how == L"encrypt") {
        static const auto key = tess::ShipmentKey::Generate();
        done = key && tess::EncryptFileTo(file, target, *key).done;
    } else {
        done = tess::CopyFileBlocks(file, target, nullptr, nullptr, how == L"hashcopy" ? &digest : nullptr) == tess::kCopyDone;
    }
    tess::DeleteFileIfExists(target);
    if (!done) std::fprintf(stderr, "the %ls copy failed\n", how.c_str());
    return done;
}

// The two ways in turn (neither always finds the warmer cache), the best of `rounds` each.
int benchPair(const char* key, const wchar_t* plain, const wchar_t* proven, const std::wstring& file,
              const std::wstring& folder, int rounds) {
    const double mb = mebibytes(file);
    double best[2] = {1e9, 1e9};
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 2; ++k) {
            const int which = (round + k) % 2;
            const double start = BenchSeconds();
            if (!shipOnce(which ? proven : plain, file, folder)) return 1;
            const double seconds = BenchSeconds() - start;
            if (seconds < best[which]) best[which] = seconds;
        }
    }
    std::printf("%s_mb=%.0f\n%s_plain_mbps=%.1f\n%s_proven_mbps=%.1f\n%s_ratio_pct=%.1f\n", key, mb, key, mb / best[0],
                key, mb / best[1], key, 100.0 * best[0] / best[1]);
    return 0;
}

int benchGcm(int mb) {
    tess::DataKey key{};
    tess::AesGcm gcm(key);
    std::vector<unsigned char> plain(size_t{1} << 20, 'x'), sealed(plain.size() + tess::kGcmTagBytes);
    unsigned char nonce[12] = {}, aad[37] = {};
    const double start = BenchSeconds();
    for (int i = 0; i < mb; ++i) {
        nonce[11] = static_cast<unsigned char>(i);
        if (!gcm.seal(nonce, aad, sizeof aad, plain.data(), plain.size(), sealed.data())) return 1;
    }
    std::printf("gcm_mbps=%.1f\n", mb / (BenchSeconds() - start));
    return 0;
}

double plainRead(const std::wstring& file) {
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    std::vector<char> buffer(1u << 20);
    const double start = BenchSeconds();
    DWORD got = 0;
    while (ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got) {
    }
    const double seconds = BenchSeconds() - start;
    CloseHandle(h);
    return seconds;
}

int benchReadBack(const std::wstring& file, int rounds) {
    const double mb = mebibytes(file);
    double best[2] = {1e9, 1e9};  // 0: plain read, 1: read-back verification
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 2; ++k) {
            const int which = (round + k) % 2;
            double seconds = 0;
            if (which) {
                const double start = BenchSeconds();
                if (tess::ReadBackSha256(file, nullptr).status != tess::ReadBackStatus::kDone) return 1;
                seconds = BenchSeconds() - start;
            } else {
                seconds = plainRead(file);
                if (seconds < 0) return 1;
            }
            if (seconds < best[which]) best[which] = seconds;
        }
    }
    std::printf("readback_mb=%.0f\nplain_read_mbps=%.1f\nreadback_mbps=%.1f\nreadback_ratio_pct=%.1f\n", mb,
                mb / best[0], mb / best[1], 100.0 * best[0] / best[1]);
    return 0;
}

// One read of the file, plain or verified, or one copy of it into the folder, plain or taking
// its digest, in seconds: the script empties the page cache between such runs where it may (see
// scripts/bench), so that the file comes from the disk.
int benchOnce(const std::wstring& how, const std::wstring& file, const std::wstring& folder) {
    double seconds = -1;
    const double start = BenchSeconds();
    if (how == L"plain") {
        seconds = plainRead(file);
    } else if (how == L"verify") {
        if (tess::ReadBackSha256(file, nullptr).status == tess::ReadBackStatus::kDone) seconds = BenchSeconds() - start;
    } else if (how == L"copy" || how == L"hashcopy" || how == L"encrypt") {
        if (shipOnce(how, file, folder)) seconds = BenchSeconds() - start;
    }
    if (seconds < 0) return 1;
    std::printf("seconds=%.4f\n", seconds);
    return 0;
}

// What a copy stopped at 80 % leaves (a killed process, a drive pulled out): the `.partial` with
// the first 80 % of the source in it.
bool leaveStoppedCopy(const std::wstring& file, const std::wstring& partial, uint64_t bytes) {
    tess::UniqueFile in(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    tess::UniqueFile out(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!in || !out) return false;
    std::vector<char> buffer(size_t{1} << 20);
    while (bytes > 0) {
        DWORD got = 0, put = 0;
        const DWORD want = static_cast<DWORD>(std::min<uint64_t>(bytes, buffer.size()));
        if (!ReadFile(in.get(), buffer.data(), want, &got, nullptr) || got != want) return false;
        if (!WriteFile(out.get(), buffer.data(), got, &put, nullptr) || put != got) return false;
        bytes -= got;
    }
    return FlushFileBuffers(out.get()) != 0;
}

int benchResume(const std::wstring& file, const std::wstring& folder) {
    const uint64_t size = tess::FileSize(file).value_or(0);
    const std::wstring target = folder + L"\\resume.bin";
    std::string digest;
    double start = BenchSeconds();
    if (tess::CopyFileBlocks(file, target, nullptr, nullptr, &digest) != tess::kCopyDone) return 1;
    const double fresh = BenchSeconds() - start;
    tess::DeleteFileIfExists(target);
    if (!leaveStoppedCopy(file, target + tess::kPartialSuffix, size / 10 * 8)) return 1;
    tess::CopyStart begun;
    start = BenchSeconds();
    if (tess::CopyFileBlocks(file, target, nullptr, nullptr, &digest, &begun) != tess::kCopyDone) return 1;
    const double resumed = BenchSeconds() - start;
    tess::DeleteFileIfExists(target);
    std::printf("resume_mb=%.0f\nresume_written_pct=%.1f\nresume_fresh_s=%.3f\nresume_s=%.3f\nresume_ratio=%.3f\n",
                static_cast<double>(size) / 1048576.0, 100.0 * static_cast<double>(size - begun.keptBytes) / static_cast<double>(size),
                fresh, resumed, resumed / fresh);
    return 0;
}

int benchDigest(int mb) {
    std::vector<char> buffer(size_t{1} << 20, 'x');
    tess::Sha256 hash;
    const double start = BenchSeconds();
    for (int i = 0; i < mb; ++i) hash.add(buffer.data(), buffer.size());
    hash.finish();
    std::printf("digest_mbps=%.1f\n", mb / (BenchSeconds() - start));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"hash" && argc >= 5) return benchPair("hash", L"copy", L"hashcopy", argv[2], argv[3], _wtoi(argv[4]));
    if (mode == L"encrypt" && argc >= 5) return benchPair("encrypt", L"hashcopy", L"encrypt", argv[2], argv[3], _wtoi(argv[4]));
    if (mode == L"gcm" && argc >= 3) return benchGcm(_wtoi(argv[2]));
    if (mode == L"readback" && argc >= 4) return benchReadBack(argv[2], _wtoi(argv[3]));
    if (mode == L"once" && argc >= 4) return benchOnce(argv[2], argv[3], argc >= 5 ? argv[4] : L".");
    if (mode == L"digest" && argc >= 3) return benchDigest(_wtoi(argv[2]));
    if (mode == L"resume" && argc >= 4) return benchResume(argv[2], argv[3]);
    std::fprintf(stderr, "usage: bench_shipping hash FILE FOLDER ROUNDS | readback FILE ROUNDS | once plain|verify|copy|hashcopy|encrypt FILE [FOLDER] | digest MIB | encrypt FILE FOLDER ROUNDS | gcm MIB | resume FILE FOLDER\n");
    return 2;
}
