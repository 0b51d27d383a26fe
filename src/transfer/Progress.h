#pragma once
// The figures beside a run's progress bar: bytes done of the total, the throughput over the last
// few seconds and the time left. Pure: a meter is a value, each step returns the next one.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace tess {

struct ProgressSample {
    uint64_t ms = 0;
    uint64_t bytes = 0;
};

struct ProgressMeter {
    uint64_t totalBytes = 0;
    std::optional<uint64_t> startMs;
    uint64_t doneBytes = 0;
    std::deque<ProgressSample> recent;       // the samples of the smoothing window
    std::optional<double> bytesPerSecond;    // none until there is enough data
    std::optional<uint64_t> secondsLeft;
    uint64_t shownAtMs = 0;                  // when secondsLeft was last set
};

// A figure needs this much run time and this share of the total behind it to mean anything.
constexpr uint64_t kProgressSettleMs = 2000;
constexpr double kProgressSettleShare = 0.01;
// The throughput is what was done over this last stretch.
constexpr uint64_t kProgressWindowMs = 5000;

ProgressMeter StartMeter(uint64_t totalBytes);

// The meter after `doneBytes` were done by `nowMs`. Bytes done never go back; the time left only
// counts down, unless the pace fell so far that the estimate is a fifth longer (a count-down that
// runs out long before the end would be no figure at all).
ProgressMeter AdvanceMeter(ProgressMeter meter, uint64_t nowMs, uint64_t doneBytes);

// "1.25 GB of 4.00 GB, 85.30 MB/s, 0:42 left", each size as GetProperSizeValue writes it (the
// text the windows show sizes in); empty until the meter has figures.
std::wstring ProgressFiguresText(const ProgressMeter& meter);

// A companion tool's dump as it grows in the temporary folder. Its bar is an estimate against the
// size the list tool gave (a dump is seldom exactly the database's size): it stops short of its end
// until the tool has ended, and never goes back. Without a size (an Exchange set) there is no bar,
// only the bytes written so far and the time elapsed.
struct DumpMeter {
    uint64_t expectedBytes = 0;  // 0: not known
    uint64_t startMs = 0;
    uint64_t elapsedMs = 0;
    uint64_t bytes = 0;
    double percent = 0;
    bool ended = false;
};

// Where the estimate stops until the tool has ended.
constexpr double kDumpEstimateCapPercent = 95;

DumpMeter StartDumpMeter(uint64_t expectedBytes, uint64_t nowMs);
// The meter after the dump was seen at `bytes` by `nowMs`.
DumpMeter AdvanceDumpMeter(DumpMeter meter, uint64_t nowMs, uint64_t bytes);
// The tool ended with its dump whole: the bar is full.
DumpMeter EndDumpMeter(DumpMeter meter, uint64_t nowMs);
// "1.20 GB of about 4.00 GB, 0:42 elapsed"; without a size "1.20 GB written, 0:42 elapsed".
std::wstring DumpFiguresText(const DumpMeter& meter);

}  // namespace tess
