#pragma once
// The benchmarks' clock: the performance counter, in seconds.
#include <windows.h>

inline double BenchSeconds() {
    LARGE_INTEGER frequency, ticks;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&ticks);
    return static_cast<double>(ticks.QuadPart) / static_cast<double>(frequency.QuadPart);
}
