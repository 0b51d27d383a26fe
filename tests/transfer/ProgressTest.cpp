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
