// A benchmark row that measures the SDK's operation beside its reference
// in the same loop: each iteration runs both, alternating which goes first,
// so that both meet the same load on a shared machine and the same state
// of the caches. The row's time is the SDK's (register it with
// UseManualTime()), its label names the reference, and its counter `ratio`
// is SDK time / reference time, the median over the iterations. `make
// bench` prints every row that has a `ratio` counter in its closing table
// (scripts/bench-table.sh), with the reference's time as the row's time
// divided by the ratio.
//
// Operations much shorter than a microsecond should repeat themselves
// inside `ours` and `reference`: each run is timed with the steady clock.
#ifndef QUENLAR_BENCH_PAIRED_H
#define QUENLAR_BENCH_PAIRED_H

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace bench {

template <class Ours, class Reference>
void Paired(benchmark::State &state, const std::string &reference, Ours &&ours,
            Reference &&referenceRun) {
    using Clock = std::chrono::steady_clock;
    auto seconds = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double>(to - from).count();
    };
    std::vector<double> ratios;
    bool oursFirst = true;
    for (auto _ : state) {
        const Clock::time_point t0 = Clock::now();
        if (oursFirst)
            ours();
        else
            referenceRun();
        const Clock::time_point t1 = Clock::now();
        if (oursFirst)
            referenceRun();
        else
            ours();
        const Clock::time_point t2 = Clock::now();
        const double oursTime = oursFirst ? seconds(t0, t1) : seconds(t1, t2);
        const double referenceTime = oursFirst ? seconds(t1, t2) : seconds(t0, t1);
        if (referenceTime > 0) ratios.push_back(oursTime / referenceTime);
        state.SetIterationTime(oursTime);
        oursFirst = !oursFirst;
    }
    // The median of the pairs' ratios: a pair that another process
    // interrupted does not move it.
    if (!ratios.empty()) {
        std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
        state.counters["ratio"] = ratios[ratios.size() / 2];
    }
    state.SetLabel(reference);
}

} // namespace bench

#endif
