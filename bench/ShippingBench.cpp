// Measurements of the shipping's proof, side by side in one process under the same Wine:
//   hash     <file> <dest folder> <rounds>  CopyFileBlocks taking the SHA-256 against the plain copy
//   readback <file> <rounds>                the read-back verification against a plain sequential read
//   once     plain|verify|copy|hashcopy <file> [<dest folder>]   one read or copy, timed
//   digest   <MiB>                          the SHA-256 alone over a buffer in memory
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
#include "transfer/ReadBack.h"

namespace {

double mebibytes(const std::wstring& file) { return static_cast<double>(tess::FileSize(file).value_or(0)) / 1048576.0; }

int benchHash(const std::wstring& file, const std::wstring& folder, int rounds) {
    const double mb = mebibytes(file);
    double best[2] = {1e9, 1e9};  // 0: plain, 1: with the digest
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 2; ++k) {
            const int which = (round + k) % 2;  // neither always finds the warmer cache
            const std::wstring target = folder + L"\\copy.bin";
            std::string digest;
            const double start = BenchSeconds();
            const int result = tess::CopyFileBlocks(file, target, nullptr, nullptr, which ? &digest : nullptr);
            if (result != tess::kCopyDone) {
                std::fprintf(stderr, "copy failed (%d, %s)\n", result, which ? "with the digest" : "plain");
                return 1;
            }
            const double seconds = BenchSeconds() - start;
            if (seconds < best[which]) best[which] = seconds;
            tess::DeleteFileIfExists(target);
        }
    }
    std::printf("hash_mb=%.0f\nhash_plain_mbps=%.1f\nhash_proven_mbps=%.1f\nhash_ratio_pct=%.1f\n", mb, mb / best[0],
                mb / best[1], 100.0 * best[0] / best[1]);
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
    } else if (how == L"copy" || how == L"hashcopy") {
        std::string digest;
        const std::wstring target = folder + L"\\copy.bin";
        if (tess::CopyFileBlocks(file, target, nullptr, nullptr, how == L"hashcopy" ? &digest : nullptr) == tess::kCopyDone)
            seconds = BenchSeconds() - start;
        tess::DeleteFileIfExists(target);
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
    if (mode == L"hash" && argc >= 5) return benchHash(argv[2], argv[3], _wtoi(argv[4]));
    if (mode == L"readback" && argc >= 4) return benchReadBack(argv[2], _wtoi(argv[3]));
    if (mode == L"once" && argc >= 4) return benchOnce(argv[2], argv[3], argc >= 5 ? argv[4] : L".");
    if (mode == L"digest" && argc >= 3) return benchDigest(_wtoi(argv[2]));
    if (mode == L"resume" && argc >= 4) return benchResume(argv[2], argv[3]);
    std::fprintf(stderr, "usage: bench_shipping hash FILE FOLDER ROUNDS | readback FILE ROUNDS | once plain|verify|copy|hashcopy FILE [FOLDER] | digest MIB | resume FILE FOLDER\n");
    return 2;
}
