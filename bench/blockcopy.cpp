// The block-copy routine the processor tables select for this machine
// (what screen effects copy rows with) beside memcpy at 64 B, 4 KiB,
// 256 KiB and 8 MiB; and every routine of the tables beside memcpy at
// 4 KiB, about a screen row. One run moves at least 1 MiB.
#include "paired.h"

#include <quenlar/core/blockcopy.h>
#include <quenlar/core/engine.h>
#include <quenlar/platform/cpu.h>

#include <benchmark/benchmark.h>
#include <cstring>
#include <vector>

using qnl::platform::CopyRoutine;

namespace {
struct Named {
    CopyRoutine routine;
    const char *name;
};
const Named kRoutines[] = {
    {CopyRoutine::Plain, "Plain"},    {CopyRoutine::MMX1, "MMX_I"},
    {CopyRoutine::MMX2, "MMX_II"},    {CopyRoutine::MMXV, "MMX_V"},
    {CopyRoutine::SSE2, "SSE_2"},     {CopyRoutine::K7, "K7"},
    {CopyRoutine::Athlon, "Athlon"},  {CopyRoutine::Banias, "Banias"},
    {CopyRoutine::Dothan, "Dothan"},  {CopyRoutine::P4Early, "P4_early"},
    {CopyRoutine::P4Late, "P4_late"},
};

void Copy(benchmark::State &state, QuenlarCopyFn copy, const std::string &label) {
    const size_t n = (size_t)state.range(0);
    const size_t times = n >= (1u << 20) ? 1 : (1u << 20) / n;
    std::vector<unsigned char> src(n, 0x5A), dst(n);
    bench::Paired(
        state, label,
        [&] {
            for (size_t i = 0; i < times; ++i) {
                copy(dst.data(), src.data(), n);
                benchmark::ClobberMemory();
            }
        },
        [&] {
            for (size_t i = 0; i < times; ++i) {
                memcpy(dst.data(), src.data(), n);
                benchmark::ClobberMemory();
            }
        });
    state.SetBytesProcessed((int64_t)(state.iterations() * times * n));
}

// The routine Quenlar.Init would install, as it chooses it.
void Selected(benchmark::State &state) {
    Quenlar.GetCPUFeatures(nullptr);
    std::string label = "memcpy; selected: ";
    for (const Named &r : kRoutines)
        if (qnl::platform::GetCopyRoutine(r.routine) == QuenlarBlockCopy) label += r.name;
    Copy(state, QuenlarBlockCopy, label);
}

const int kRegistered = [] {
    for (const Named &r : kRoutines)
        benchmark::RegisterBenchmark((std::string("Copy/") + r.name).c_str(),
                                     [r](benchmark::State &state) {
                                         Copy(state, qnl::platform::GetCopyRoutine(r.routine),
                                              "memcpy");
                                     })
            ->Arg(4 << 10)
            ->UseManualTime();
    return 0;
}();
} // namespace

BENCHMARK(Selected)->Arg(64)->Arg(4 << 10)->Arg(256 << 10)->Arg(8 << 20)->UseManualTime();
