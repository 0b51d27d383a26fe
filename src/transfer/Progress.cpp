#include "transfer/Progress.h"

#include <algorithm>
#include <cstdio>

#include "common/Units.h"

namespace tess {
namespace {

bool settled(const ProgressMeter& meter, uint64_t nowMs) {
    if (meter.totalBytes == 0) return false;
    return nowMs - *meter.startMs >= kProgressSettleMs &&
           static_cast<double>(meter.doneBytes) >= kProgressSettleShare * static_cast<double>(meter.totalBytes);
}

std::optional<double> windowRate(const ProgressMeter& meter) {
    const ProgressSample& first = meter.recent.front();
    const ProgressSample& last = meter.recent.back();
    if (last.ms <= first.ms) return std::nullopt;
    return static_cast<double>(last.bytes - first.bytes) * 1000.0 / static_cast<double>(last.ms - first.ms);
}

std::optional<uint64_t> nextSecondsLeft(const ProgressMeter& meter, uint64_t nowMs, double rate) {
    const uint64_t left = meter.totalBytes > meter.doneBytes ? meter.totalBytes - meter.doneBytes : 0;
    if (left == 0) return 0;
    if (rate <= 0) return meter.secondsLeft;
    const auto estimate = static_cast<uint64_t>(static_cast<double>(left) / rate + 0.999);
    if (!meter.secondsLeft) return estimate;
    const uint64_t elapsed = (nowMs - meter.shownAtMs) / 1000;
    const uint64_t countedDown = *meter.secondsLeft > elapsed ? *meter.secondsLeft - elapsed : 0;
    if (estimate <= countedDown) return estimate;
    return static_cast<double>(estimate) > 1.2 * static_cast<double>(countedDown) + 5 ? estimate : countedDown;
}

// "0:42", "1:05:09".
std::wstring clockText(uint64_t s) {
    wchar_t text[40];
    if (s >= 3600)
        swprintf(text, 40, L"%llu:%02llu:%02llu", s / 3600, s / 60 % 60, s % 60);
    else
        swprintf(text, 40, L"%llu:%02llu", s / 60, s % 60);
    return text;
}

}  // namespace

ProgressMeter StartMeter(uint64_t totalBytes) {
    ProgressMeter meter;
    meter.totalBytes = totalBytes;
    return meter;
}

ProgressMeter AdvanceMeter(ProgressMeter meter, uint64_t nowMs, uint64_t doneBytes) {
    if (!meter.startMs) meter.startMs = nowMs;
    if (nowMs < *meter.startMs) return meter;
    if (doneBytes > meter.doneBytes) meter.doneBytes = doneBytes;
    meter.recent.push_back({nowMs, meter.doneBytes});
    while (meter.recent.size() > 2 && nowMs - meter.recent[1].ms >= kProgressWindowMs) meter.recent.pop_front();
    if (!settled(meter, nowMs)) return meter;
    const std::optional<double> rate = windowRate(meter);
    if (!rate) return meter;
    meter.bytesPerSecond = rate;
    const std::optional<uint64_t> left = nextSecondsLeft(meter, nowMs, *rate);
    if (left != meter.secondsLeft) meter.shownAtMs = nowMs;
    meter.secondsLeft = left;
    return meter;
}

std::wstring ProgressFiguresText(const ProgressMeter& meter) {
    if (!meter.bytesPerSecond || !meter.secondsLeft) return {};
    return GetProperSizeValue(static_cast<double>(meter.doneBytes)) + L" of " +
           GetProperSizeValue(static_cast<double>(meter.totalBytes)) + L", " +
           GetProperSizeValue(*meter.bytesPerSecond) + L"/s, " + clockText(*meter.secondsLeft) + L" left";
}

DumpMeter StartDumpMeter(uint64_t expectedBytes, uint64_t nowMs) {
    DumpMeter meter;
    meter.expectedBytes = expectedBytes;
    meter.startMs = nowMs;
    return meter;
}

DumpMeter AdvanceDumpMeter(DumpMeter meter, uint64_t nowMs, uint64_t bytes) {
    if (meter.ended) return meter;
    if (nowMs > meter.startMs) meter.elapsedMs = std::max(meter.elapsedMs, nowMs - meter.startMs);
    // A tool may write its file anew (the size falls back to 0): the figures follow the file, the
    // bar does not go back.
    meter.bytes = bytes;
    if (meter.expectedBytes) {
        const double share = static_cast<double>(bytes) * 100.0 / static_cast<double>(meter.expectedBytes);
        meter.percent = std::max(meter.percent, std::min(kDumpEstimateCapPercent, share));
    }
    return meter;
}

DumpMeter EndDumpMeter(DumpMeter meter, uint64_t nowMs) {
    meter = AdvanceDumpMeter(std::move(meter), nowMs, meter.bytes);
    meter.ended = true;
    if (meter.expectedBytes) meter.percent = 100;
    return meter;
}

std::wstring DumpFiguresText(const DumpMeter& meter) {
    const std::wstring written = GetProperSizeValue(static_cast<double>(meter.bytes));
    const std::wstring elapsed = clockText(meter.elapsedMs / 1000) + L" elapsed";
    if (!meter.expectedBytes) return written + L" written, " + elapsed;
    return written + L" of about " + GetProperSizeValue(static_cast<double>(meter.expectedBytes)) + L", " + elapsed;
}

}  // namespace tess
