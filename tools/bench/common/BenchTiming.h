#pragma once
// Timing for the benchmark programs: seconds per call, measured by repeating
// a call for a while, and pairs measured in alternating rounds so that a burst
// of load elsewhere does not hit one side alone.
#include <algorithm>
#include <chrono>

namespace bench {

inline double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Calls f once to warm up, then repeats it until at least `seconds` have
// passed; returns seconds per call.
template <class F> double TimeOnce(F f, double seconds = 0.1)
{
    f();
    int n = 0;
    double start = Now(), t;
    do {
        f();
        ++n;
    } while ((t = Now() - start) < seconds);
    return t / n;
}

// Seconds per call of a and of b in alternating rounds, the best round of
// each.
template <class A, class B> void TimePair(A a, B b, double& ta, double& tb, double seconds = 0.1, int rounds = 5)
{
    ta = tb = 1e9;
    for (int round = 0; round < rounds; ++round) {
        const double x = TimeOnce(a, seconds), y = TimeOnce(b, seconds);
        ta = std::min(ta, x);
        tb = std::min(tb, y);
    }
}

}  // namespace bench
