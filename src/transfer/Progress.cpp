#include "transfer/Progress.h"

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
    const uint64_t s = *meter.secondsLeft;
    wchar_t left[40];
    if (s >= 3600)
        swprintf(left, 40, L"%llu:%02llu:%02llu", s / 3600, s / 60 % 60, s % 60);
    else
        swprintf(left, 40, L"%llu:%02llu", s / 60, s % 60);
    return GetProperSizeValue(static_cast<double>(meter.doneBytes)) + L" of " +
           GetProperSizeValue(static_cast<double>(meter.totalBytes)) + L", " +
           GetProperSizeValue(*meter.bytesPerSecond) + L"/s, " + left + L" left";
}

}  // namespace tess
