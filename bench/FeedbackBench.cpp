// The log bundle of a feedback report over large logs: the program folder given holds
// VXCOMMON with the six logs. Prints "key=value" lines for scripts/bench:
//   bundle_ms          the best of three AppendLogBundle runs
//   bundle_chars       the length of the text it built
//   whole_read_ms      reading the six logs whole once (what walking them from the start costs)
//   logs_mb            the logs' total size
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "common/Files.h"
#include "common/ProgramPaths.h"
#include "feedback/LogBundle.h"

namespace {

const wchar_t* const kLogs[] = {L"Log_trace.txt", L"SQLBackupTraceFile.txt", L"BacksetData.txt",
                                L"ExchAPIBackupLog.txt", L"ExchBackupTrace.txt", L"VXShpTrace.txt"};

// Reads every log to its end in 1 MiB blocks; returns the bytes read.
uint64_t readWhole() {
    std::vector<char> block(1 << 20);
    uint64_t total = 0;
    for (const wchar_t* name : kLogs) {
        HANDLE f = CreateFileW(tess::CommonDataFile(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (f == INVALID_HANDLE_VALUE) continue;
        DWORD got = 0;
        while (ReadFile(f, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) && got) total += got;
        CloseHandle(f);
    }
    return total;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        fwprintf(stderr, L"usage: bench_feedback <program folder holding VXCOMMON>\n");
        return 2;
    }
    tess::SetProgramFolderForTesting(argv[1]);
    double best = 1e9;
    size_t chars = 0;
    for (int round = 0; round < 3; ++round) {
        const double start = 1000.0 * BenchSeconds();
        chars = tess::feedback::AppendLogBundle(L"").size();
        best = std::min(best, 1000.0 * BenchSeconds() - start);
    }
    const double start = 1000.0 * BenchSeconds();
    const uint64_t bytes = readWhole();
    const double whole = 1000.0 * BenchSeconds() - start;
    printf("bundle_ms=%.1f\nbundle_chars=%zu\nwhole_read_ms=%.0f\nlogs_mb=%.0f\n", best, chars, whole,
           static_cast<double>(bytes) / 1e6);
    return 0;
}
