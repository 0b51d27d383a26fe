// The figures beside the progress bar over steady, bursty and slow-starting runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "transfer/Progress.h"

using namespace tess;

// Drives a meter through a run: `rate(ms)` bytes per second, sampled every 100 ms.
template <typename Rate>
static std::vector<ProgressMeter> runMeter(uint64_t total, uint64_t untilMs, Rate rate) {
    std::vector<ProgressMeter> steps;
    ProgressMeter meter = StartMeter(total);
    uint64_t done = 0;
    for (uint64_t ms = 0; ms <= untilMs && done < total; ms += 100) {
        done = std::min<uint64_t>(total, done + rate(ms) / 10);
        meter = AdvanceMeter(meter, 1000000 + ms, done);
        steps.push_back(meter);
    }
    return steps;
}

TEST(ShippingProgress, FiguresWaitForEnoughDataAndNeverGoBack) {
    const uint64_t mb = 1000000;
    struct Case {
        const char* what;
        uint64_t total;
        uint64_t (*rate)(uint64_t ms);
        uint64_t firstFigureMs;  // when the figures may first appear
    } cases[] = {
        {"steady", 1000 * mb, [](uint64_t) { return 50 * mb; }, 2000},
        {"bursty", 1000 * mb, [](uint64_t ms) { return ms / 100 % 3 ? 10 * mb : 120 * mb; }, 2000},
        {"slow start, 1 % late", 1000 * mb, [](uint64_t ms) { return ms < 4000 ? mb : 80 * mb; }, 4000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto steps = runMeter(c.total, 60000, c.rate);
        std::optional<uint64_t> lastLeft;
        uint64_t lastDone = 0;
        for (size_t i = 0; i < steps.size(); ++i) {
            const ProgressMeter& m = steps[i];
            const uint64_t ms = i * 100;
            if (ms < c.firstFigureMs) {
                EXPECT_TRUE(ProgressFiguresText(m).empty()) << ms;
            }
            EXPECT_GE(m.doneBytes, lastDone);
            lastDone = m.doneBytes;
            if (lastLeft && m.secondsLeft) {
                EXPECT_LE(*m.secondsLeft, *lastLeft) << ms;
            }
            if (m.secondsLeft) lastLeft = m.secondsLeft;
        }
        EXPECT_FALSE(ProgressFiguresText(steps.back()).empty());
    }
    // A steady pace is reported as it is, and the time left follows from it.
    const auto steady = runMeter(1000 * mb, 6000, [](uint64_t) { return 50 * mb; });
    EXPECT_NEAR(*steady.back().bytesPerSecond, 50.0 * mb, 1.0 * mb);
    EXPECT_NEAR(static_cast<double>(*steady.back().secondsLeft), (1000.0 - 6.0 * 50 - 5) / 50, 1.5);
    // In the windows' size units: 1,048,576 bytes to the MB.
    EXPECT_EQ(ProgressFiguresText(steady.back()).substr(0, 22), L"290.87 MB of 953.67 MB");
}

TEST(DumpProgress, TheEstimateStopsShortOfTheEndUntilTheToolEndedAndNeverGoesBack) {
    const uint64_t mb = 1048576;
    struct Step {
        uint64_t ms, bytes;
        double percent;
    } steps[] = {
        {1000, 100 * mb, 25},   // against the list's 400 MB
        {2000, 300 * mb, 75},
        {3000, 100 * mb, 75},   // the tool wrote its file anew: the bar stays
        {4000, 500 * mb, 95},   // larger than the list said: still short of the end
    };
    DumpMeter meter = StartDumpMeter(400 * mb, 10000);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.ms);
        meter = AdvanceDumpMeter(meter, 10000 + step.ms, step.bytes);
        EXPECT_DOUBLE_EQ(meter.percent, step.percent);
    }
    EXPECT_EQ(DumpFiguresText(meter), L"500.00 MB of about 400.00 MB, 0:04 elapsed");
    meter = EndDumpMeter(meter, 75000);
    EXPECT_DOUBLE_EQ(meter.percent, 100);
    EXPECT_EQ(DumpFiguresText(AdvanceDumpMeter(meter, 99000, 0)), L"500.00 MB of about 400.00 MB, 1:05 elapsed");

    // Without a size (an Exchange set): no bar, the bytes written and the time elapsed.
    DumpMeter set = AdvanceDumpMeter(StartDumpMeter(0, 0), 3725000, 3 * mb);
    EXPECT_DOUBLE_EQ(set.percent, 0);
    EXPECT_EQ(DumpFiguresText(set), L"3.00 MB written, 1:02:05 elapsed");
}
