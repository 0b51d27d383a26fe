// The overlapped SQL Server run through the transfer engine, against each of its phases alone:
//   overlap <temp folder> <dest folder> <databases> <MiB each> <dump MB/s>
// A stand-in dump step writes each dump at the given pace (as a backup tool that the server's disk
// holds back); the real copy and read-back ship it. Prints the phases alone, the overlapped run,
// its ratio to the slower phase and the peak of the temporary folder, as "key=value" lines.
//   readback <temp folder> <dest folder> <files> <MiB each> <key>
// Ships the same files twice: the read-back of file k beside the copy of file k+1 (as the engine
// runs), and each read-back before the next copy starts; prints "<key>_beside_s" and "<key>_after_s".
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
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

// The read-back held behind the copy: the next copy starts only when the previous copy has been
// read back, one file on the drive at a time, as a shipping without a verify stage of its own would.
class Turns {
public:
    void copyStarts() {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [this] { return !unread_; });
        unread_ = true;
    }
    void readBackEnded() {
        std::lock_guard<std::mutex> guard(lock_);
        unread_ = false;
        changed_.notify_all();
    }
    void copyFailed() { readBackEnded(); }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool unread_ = false;
};

class CopyInTurn : public tess::FileCopier {
public:
    explicit CopyInTurn(Turns& turns) : turns_(turns) {}
    tess::CopyResult copy(const tess::PlanFile& file, tess::StepContext& context) override {
        turns_.copyStarts();
        tess::CopyResult result = copier_.copy(file, context);
        if (result.status != tess::StepStatus::kDone) turns_.copyFailed();
        return result;
    }

private:
    Turns& turns_;
    tess::BlockFileCopier copier_;
};

class ReadBackInTurn : public tess::Verifier {
public:
    explicit ReadBackInTurn(Turns& turns) : turns_(turns) {}
    tess::VerifyResult readBack(const std::wstring& target, tess::StepContext& context) override {
        tess::VerifyResult result = verifier_.readBack(target, context);
        turns_.readBackEnded();
        return result;
    }

private:
    Turns& turns_;
    tess::ReadBackVerifier verifier_;
};

int benchReadBack(const std::wstring& temp, const std::wstring& dest, int count, uint64_t mib, const char* key) {
    std::vector<tess::PlanItem> items;
    for (int k = 0; k < count; ++k) {
        const std::wstring name = L"\\file" + std::to_wstring(k) + L".dmp";
        tess::CancelToken never;
        tess::StepContext context(never);
        PacedDump(temp + name, dest + name, mib, 1e6).run(context);
        items.push_back({L"file", nullptr, {{temp + name, dest + name, mib * kBlock}}, 0});
    }
    NoSink sink;
    double seconds[2] = {0, 0};
    int verified[2] = {0, 0};
    for (int after = 0; after < 2; ++after) {
        Turns turns;
        tess::Plan plan = shippingPlan(dest);
        plan.items = items;
        if (after) {
            plan.copier = std::make_shared<CopyInTurn>(turns);
            plan.verifier = std::make_shared<ReadBackInTurn>(turns);
        }
        const double start = BenchSeconds();
        verified[after] = tess::Transfer(std::move(plan), sink).run().count(tess::FileState::kVerified);
        seconds[after] = BenchSeconds() - start;
        for (const auto& item : items) tess::DeleteFileIfExists(item.files[0].target);
    }
    for (const auto& item : items) tess::DeleteFileIfExists(item.files[0].source);
    std::printf("%s_beside_s=%.2f\n%s_after_s=%.2f\n%s_verified=%d\n", key, seconds[0], key, seconds[1], key,
                std::min(verified[0], verified[1]));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"overlap" && argc > 6)
        return benchOverlap(argv[2], argv[3], _wtoi(argv[4]), static_cast<uint64_t>(_wtoi(argv[5])), _wtof(argv[6]));
    if (mode == L"readback" && argc > 6) {
        char key[64];
        std::snprintf(key, sizeof key, "%ls", argv[6]);
        return benchReadBack(argv[2], argv[3], _wtoi(argv[4]), static_cast<uint64_t>(_wtoi(argv[5])), key);
    }
    std::fprintf(stderr, "usage: bench_engine overlap <temp> <dest> <databases> <MiB> <dump MB/s>\n"
                         "       bench_engine readback <temp> <dest> <files> <MiB> <key>\n");
    return 2;
}
