// Measurements of the SQL Server run, side by side in one process under the same Wine:
//   copy  <file> <dest folder>   CopyFileBlocks against CopyFileExW on the same file
//   wait  <sleeper exe> <ms>     processor time while the program waits for a sleeping tool, and
//                                the longest gap between two turns of the window thread's loop
//   gaps  <file> <dest folder>   the longest gap between two message-loop turns while a file ships
// The waits and the copies run on the engine's threads while this thread serves its loop as a
// window's thread does; a thread timer of a few milliseconds keeps the loop turning, so a gap is
// time the thread could not have answered the user.
// Results are printed as "key=value" lines that scripts/bench turns into the README table.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "BenchClock.h"
#include "common/Files.h"
#include "transfer/BlockCopy.h"
#include "sql/SqlBackup.h"
#include "transfer/Transfer.h"
#include "ui/PumpWait.h"
#include "ui/Shipping.h"
#include "ui/WindowSink.h"

namespace {

double processCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](FILETIME f) { return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e7; };
    return seconds(kernel) + seconds(user);
}

double gLastTurn = 0, gLongestGap = 0, gStart = 0, gLongestAt = 0;
void onTurn() {
    const double t = BenchSeconds();
    if (gLastTurn > 0 && t - gLastTurn > gLongestGap) {
        gLongestGap = t - gLastTurn;
        gLongestAt = gLastTurn - gStart;
    }
    gLastTurn = t;
}

int benchCopy(const std::wstring& file, const std::wstring& folder, int rounds) {
    const double mb = static_cast<double>(tess::FileSize(file).value_or(0)) / 1048576.0;
    // 0: CopyFileBlocks (which flushes before it renames), 1: CopyFileExW, 2: CopyFileExW and a
    // flush of the copy, the like-for-like durability.
    double best[3] = {1e9, 1e9, 1e9};
    for (int round = 0; round < rounds; ++round) {
        // Rotate the order so that none always finds a warmer cache.
        for (int k = 0; k < 3; ++k) {
            const int which = (round + k) % 3;
            const std::wstring target = folder + (which ? L"\\copyfileex.bin" : L"\\blocks.bin");
            tess::DeleteFileIfExists(target);
            const double start = BenchSeconds();
            bool ok = which ? CopyFileExW(file.c_str(), target.c_str(), nullptr, nullptr, nullptr, 0) != 0
                            : tess::CopyFileBlocks(file, target) == tess::kCopyDone;
            if (ok && which == 2) {
                HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                ok = h != INVALID_HANDLE_VALUE && FlushFileBuffers(h);
                CloseHandle(h);
            }
            const double seconds = BenchSeconds() - start;
            if (!ok) {
                std::fprintf(stderr, "copy failed (%d)\n", which);
                return 1;
            }
            if (seconds < best[which]) best[which] = seconds;
            tess::DeleteFileIfExists(target);
        }
    }
    std::printf("copy_mb=%.0f\ncopyfileblocks_mbps=%.1f\ncopyfileexw_mbps=%.1f\ncopyfileexw_flushed_mbps=%.1f\n"
                "copy_ratio_pct=%.1f\ncopy_ratio_flushed_pct=%.1f\n",
                mb, mb / best[0], mb / best[1], mb / best[2], 100.0 * best[1] / best[0], 100.0 * best[2] / best[0]);
    return 0;
}

// The wait for the backup tool as a SQL run makes it: the dump stage waits on the tool's process
// and the run's cancel.
class WaitForTool : public tess::DumpStep {
public:
    explicit WaitForTool(uint64_t limitMs) : limitMs_(limitMs) {}
    tess::DumpResult run(tess::StepContext& step) override {
        tess::sql::BackupContext context;
        context.cancel = &step.cancel;
        context.timeoutMs = limitMs_;
        outcome = tess::sql::WaitForBackupToolToEnd(context);
        return {tess::StepStatus::kDone, {}, {}};
    }
    tess::sql::BackupOutcome outcome = tess::sql::BackupOutcome::kFailed;

private:
    uint64_t limitMs_;
};

// A few milliseconds: well below one frame, so the loop turns at least that often when free.
constexpr UINT kLoopTimerMs = 4;

int benchWait(const std::wstring& sleeper, DWORD ms) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + sleeper + L"\" " + std::to_wstring(ms);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 1;
    CloseHandle(pi.hThread);
    const UINT_PTR timer = SetTimer(nullptr, 0, kLoopTimerMs, nullptr);
    const double cpu0 = processCpuSeconds(), wall0 = BenchSeconds();
    gStart = wall0;
    gLastTurn = 0;
    gLongestGap = 0;
    auto step = std::make_shared<WaitForTool>(ms * 3ull);
    tess::Plan plan;
    plan.items.push_back({L"wait", step, {}, 0});
    bool ended = false;
    tess::WindowSink sink([&ended](const tess::Event& event) { ended |= event.kind == tess::EventKind::kEnded; });
    tess::Transfer transfer(std::move(plan), sink);
    transfer.start();
    tess::ServeUntil([&] { return ended; }, nullptr, [&] { transfer.cancel(); });
    const double cpu = processCpuSeconds() - cpu0, wall = BenchSeconds() - wall0;
    KillTimer(nullptr, timer);
    CloseHandle(pi.hProcess);
    std::printf("wait_s=%.2f\nwait_cpu_s=%.3f\nwait_cpu_pct=%.2f\nwait_longest_gap_ms=%.1f\nwait_longest_gap_at_s=%.2f\nwait_outcome=%d\n", wall, cpu,
                100.0 * cpu / wall, gLongestGap * 1000.0, gLongestAt, static_cast<int>(step->outcome));
    return 0;
}

int benchGaps(const std::wstring& file, const std::wstring& folder) {
    HWND window = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    gLastTurn = 0;
    gLongestGap = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, kLoopTimerMs, nullptr);
    const double start = BenchSeconds();
    const std::wstring target = folder + L"\\[ship].dmp";
    // The shipping as a run does it: the engine copies on its thread, the window's thread waits.
    tess::ShipRequest request;
    request.items = {{file, target, L"ship"}};
    request.cancelWindow = window;
    const tess::ShipOutcome outcome = tess::ShipFiles(request);
    const int result = outcome.files.empty() ? tess::kCopyFailed : outcome.files[0].result;
    const double seconds = BenchSeconds() - start;
    KillTimer(nullptr, timer);
    tess::DeleteFileIfExists(target);
    DestroyWindow(window);
    std::printf("ship_s=%.2f\nship_result=%d\nship_longest_gap_ms=%.1f\n", seconds, result, gLongestGap * 1000.0);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    tess::SetPumpTurnHook(onTurn);
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"copy" && argc > 3) return benchCopy(argv[2], argv[3], argc > 4 ? _wtoi(argv[4]) : 2);
    if (mode == L"wait" && argc > 3) return benchWait(argv[2], static_cast<DWORD>(_wtoi(argv[3])));
    if (mode == L"gaps" && argc > 3) return benchGaps(argv[2], argv[3]);
    std::fprintf(stderr, "usage: bench_sql copy|wait|gaps ...\n");
    return 2;
}
