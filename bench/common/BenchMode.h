#pragma once

// How a benchmark runs. BENCH_QUICK=1 in the environment makes it a smoke
// run: a few rounds of the same code paths, in seconds, so that ctest keeps
// every benchmark working; its figures then say little. Without it, the full
// run that the figures are quoted from.

#include <QByteArray>
#include <QtGlobal>

namespace Bench {

inline bool quick()
{
    return qEnvironmentVariableIntValue("BENCH_QUICK") > 0;
}

// The full run's amount, or the smoke run's.
template <typename T>
T scaled(T full, T smoke)
{
    return quick() ? smoke : full;
}

// No one sits before a benchmark to answer a box: any box the program would
// open is logged and takes its default answer instead of waiting.
inline void unattended()
{
    qputenv("CORVANE_NONINTERACTIVE", "1");
}

} // namespace Bench
