// The overlapped SQL Server run through the transfer engine, against each of its phases alone:
//   overlap <temp folder> <dest folder> <databases> <MiB each> <dump MB/s>
// A stand-in dump step writes each dump at the given pace (as a backup tool that the server's disk
// holds back); the real copy and read-back ship it. Prints the phases alone, the overlapped run,
// its ratio to the slower phase and the peak of the temporary folder, as "key=value" lines.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchClock.h"
#include "common/Files.h"
#include "transfer/DriveSteps.h"
#include "transfer/Transfer.h"

namespace {

constexpr DWORD kBlock = 1u << 20;

// Writes one dump of `mib` MiB at `mbps` MB/s; the pace is kept by waiting on the run's cancel.
class PacedDump : public tess::DumpStep {
public:
    PacedDump(std::wstring path, std::wstring target, uint64_t mib, double mbps)
        : path_(std::move(path)), target_(std::move(target)), mib_(mib), mbps_(mbps) {}
    tess::DumpResult run(tess::StepContext& step) override {
        std::vector<char> block(kBlock);
        for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>((i * 2654435761u) >> 11);
        HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return {tess::StepStatus::kFailed, L"cannot create", {}};
        const double start = BenchSeconds();
        for (uint64_t i = 0; i < mib_; ++i) {
            block[0] = static_cast<char>(i);  // every block differs
            DWORD put = 0;
            WriteFile(file, block.data(), kBlock, &put, nullptr);
            const double due = start + static_cast<double>((i + 1) * kBlock) / (mbps_ * 1e6);
            const double ahead = due - BenchSeconds();
            if (ahead > 0 && step.cancel.wait(nullptr, static_cast<uint64_t>(ahead * 1000)) == tess::WaitResult::kCancelled)
                break;
        }
        CloseHandle(file);
        return {tess::StepStatus::kDone, {}, {{path_, target_, mib_ * kBlock}}};
    }

private:
    std::wstring path_, target_;
    uint64_t mib_;
    double mbps_;
};

uint64_t folderBytes(const std::wstring& folder) {
    uint64_t bytes = 0;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            bytes += (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return bytes;
}

class NoSink : public tess::Sink {
public:
    void onEvent(const tess::Event&) override {}
};

tess::Plan shippingPlan(const std::wstring& dest) {
    tess::Plan plan;
    plan.destination = dest;
    plan.copier = std::make_shared<tess::BlockFileCopier>();
    plan.verifier = std::make_shared<tess::ReadBackVerifier>();
    return plan;
}

int benchOverlap(const std::wstring& temp, const std::wstring& dest, int count, uint64_t mib, double mbps) {
    std::vector<std::wstring> dumps, targets;
    for (int k = 0; k < count; ++k) {
        dumps.push_back(temp + L"\\db" + std::to_wstring(k) + L".dmp");
        targets.push_back(dest + L"\\db" + std::to_wstring(k) + L".dmp");
    }
    NoSink sink;
    // The dumps alone, one after the other.
    double start = BenchSeconds();
    for (int k = 0; k < count; ++k) {
        tess::CancelToken never;
        tess::StepContext context(never);
        PacedDump(dumps[k], targets[k], mib, mbps).run(context);
    }
    const double dumpSeconds = BenchSeconds() - start;
    // The shipping alone (copy and read-back) of the same dumps.
    tess::Plan ship = shippingPlan(dest);
    for (int k = 0; k < count; ++k) ship.items.push_back({L"db", nullptr, {{dumps[k], targets[k], mib * kBlock}}, 0});
    start = BenchSeconds();
    tess::Transfer(std::move(ship), sink).run();
    const double shipSeconds = BenchSeconds() - start;
    for (int k = 0; k < count; ++k) {
        tess::DeleteFileIfExists(dumps[k]);
        tess::DeleteFileIfExists(targets[k]);
    }
    // Both overlapped, as the SQL run does them, the temporary folder watched meanwhile.
    tess::Plan run = shippingPlan(dest);
    for (int k = 0; k < count; ++k)
        run.items.push_back({L"db", std::make_shared<PacedDump>(dumps[k], targets[k], mib, mbps), {}, mib * kBlock});
    std::atomic<bool> done{false};
    std::atomic<uint64_t> peak{0};
    std::thread watch([&] {
        while (!done) {
            peak = std::max<uint64_t>(peak, folderBytes(temp));
            Sleep(5);  // a measurement's sampling, not the program's
        }
    });
    start = BenchSeconds();
    const tess::Outcome outcome = tess::Transfer(std::move(run), sink).run();
    const double runSeconds = BenchSeconds() - start;
    done = true;
    watch.join();
    for (int k = 0; k < count; ++k) tess::DeleteFileIfExists(targets[k]);
    const double slower = std::max(dumpSeconds, shipSeconds);
    std::printf("engine_databases=%d\nengine_dump_mib=%llu\nengine_dump_mbps=%.0f\nengine_dump_s=%.2f\nengine_ship_s=%.2f\n"
                "engine_run_s=%.2f\nengine_ratio=%.3f\nengine_verified=%d\nengine_temp_peak_mib=%.0f\nengine_temp_peak_dumps=%.2f\n",
                count, static_cast<unsigned long long>(mib), mbps, dumpSeconds, shipSeconds, runSeconds, runSeconds / slower,
                outcome.count(tess::FileState::kVerified), static_cast<double>(peak) / kBlock,
                static_cast<double>(peak) / static_cast<double>(mib * kBlock));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"overlap" && argc > 6)
        return benchOverlap(argv[2], argv[3], _wtoi(argv[4]), static_cast<uint64_t>(_wtoi(argv[5])), _wtof(argv[6]));
    std::fprintf(stderr, "usage: bench_engine overlap <temp> <dest> <databases> <MiB> <dump MB/s>\n");
    return 2;
}
