// The Exchange shipping step against CopyFileExW on the same backup set, in one process under the
// same Wine: every file below <temp>\OstrovaExchBackupset is listed, its folders recreated on the
// destination and shipped with the run report's lines, as the run does after the helper.
//   ship <temp folder> <dest folder> <rounds>
// Prints "key=value" lines for scripts/bench: the best round of each, the shipping step with its
// proof and with the read-back off, CopyFileExW, and CopyFileExW followed by a plain read.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "common/Files.h"
#include "common/Settings.h"
#include "exchange/ExchangeLogic.h"
#include "exchange/ExchangeRunSteps.h"
#include "exchange/ExchangeShipping.h"
#include "ui/Shipping.h"

namespace {

// The set listed and its folders recreated on the destination, as the run does before shipping.
tess::exchange::SetListing prepare(const std::wstring& temp, const std::wstring& dest) {
    using namespace tess::exchange;
    const SetListing listing = FindFilesAPI(temp + L"\\OstrovaExchBackupset", L"*.*");
    CreateSetFolders(listing, dest);
    return listing;
}

double shipRound(const std::wstring& temp, const std::wstring& dest) {
    using namespace tess::exchange;
    const double t0 = BenchSeconds();
    const SetListing listing = prepare(temp, dest);
    ShippingRequest request;
    request.destination = dest;
    request.logPath = dest + L"\\Log_trace.txt";
    request.files = listing.files;
    const ShippingOutcome outcome = ShipSetFiles(request);
    const double seconds = BenchSeconds() - t0;
    if (!outcome.failed.empty() || outcome.cancelled) std::printf("ship_failures=%zu\n", outcome.failed.size());
    return seconds;
}

// The same files and folders with CopyFileExW, found the same way: the listing counts on both
// sides.
double copyRound(const std::wstring& temp, const std::wstring& dest) {
    using namespace tess::exchange;
    const double t0 = BenchSeconds();
    const SetListing listing = prepare(temp, dest);
    for (const auto& file : listing.files) {
        const std::wstring target = dest + L"\\" + ShippedPart(file);
        if (!CopyFileExW(file.c_str(), target.c_str(), nullptr, nullptr, nullptr, 0)) std::printf("copy_failed=1\n");
    }
    return BenchSeconds() - t0;
}

// What the proof is held against: each copy read back once, plainly (buffered, 1 MiB at a time).
double copyAndReadRound(const std::wstring& temp, const std::wstring& dest) {
    const double t0 = BenchSeconds();
    copyRound(temp, dest);
    std::vector<char> buffer(1 << 20);
    for (const auto& file : tess::exchange::FindFilesAPI(dest + L"\\OstrovaExchBackupset", L"*.*").files) {
        HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            std::printf("read_failed=1\n");
            continue;
        }
        DWORD got = 0;
        while (ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got) {
        }
        CloseHandle(h);
    }
    return BenchSeconds() - t0;
}

// 0: the shipping step with its proof, 1: the same with the read-back off (the digest is still
// taken and the manifest written), 2: CopyFileExW, 3: CopyFileExW and a plain read of each copy.
// The destination starts empty.
double timedRound(int which, const std::wstring& temp, const std::wstring& dest, const std::wstring& verifySetting) {
    tess::DeleteFolderTree(dest);
    CreateDirectoryW(dest.c_str(), nullptr);
    tess::Trf_WriteUserProfile(tess::kVerifySettingKey, which == 1 ? L"0" : verifySetting);
    const double seconds = which == 3   ? copyAndReadRound(temp, dest)
                           : which == 2 ? copyRound(temp, dest)
                                        : shipRound(temp, dest);
    tess::Trf_WriteUserProfile(tess::kVerifySettingKey, verifySetting);
    tess::DeleteFolderTree(dest);
    return seconds;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5 || std::wstring(argv[1]) != L"ship") {
        std::fprintf(stderr, "usage: bench_exchange ship <temp folder> <dest folder> <rounds>\n");
        return 2;
    }
    const std::wstring temp = argv[2], dest = argv[3];
    const int rounds = _wtoi(argv[4]);
    const double bytes =
        static_cast<double>(tess::exchange::FindFilesAPI(temp + L"\\OstrovaExchBackupset", L"*.*").totalBytes);
    const std::wstring verifySetting = tess::Trf_ReadUserProfile(tess::kVerifySettingKey);
    double best[4] = {1e30, 1e30, 1e30, 1e30};
    for (int round = 0; round < rounds; ++round) {
        // Rotate the order so that none always meets a warmer cache.
        for (int step = 0; step < 4; ++step) {
            const int which = (round + step) % 4;
            best[which] = std::min(best[which], timedRound(which, temp, dest, verifySetting));
        }
    }
    const double mb = bytes / 1048576.0;
    std::printf("exch_mb=%.1f\nexch_ship_mbps=%.1f\nexch_unverified_ship_mbps=%.1f\nexch_copyfileexw_mbps=%.1f\n"
                "exch_ratio_pct=%.1f\nexch_unverified_ratio_pct=%.1f\nexch_copy_read_mbps=%.1f\nexch_proof_ratio_pct=%.1f\n",
                mb, mb / best[0], mb / best[1], mb / best[2], 100.0 * best[2] / best[0], 100.0 * best[2] / best[1],
                mb / best[3], 100.0 * best[3] / best[0]);
    return 0;
}
