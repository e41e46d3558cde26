// Each block-copy routine against memcpy at 64 B, 4 KiB, 256 KiB and 8 MiB.
#include <quenlar/platform/cpu.h>

#include <benchmark/benchmark.h>
#include <cstring>
#include <vector>

using qnl::platform::CopyRoutine;

namespace {

void Copy(benchmark::State &state, CopyRoutine routine) {
    const size_t n = (size_t)state.range(0);
    std::vector<unsigned char> src(n, 0x5A), dst(n);
    qnl::platform::CopyFn copy = qnl::platform::GetCopyRoutine(routine);
    for (auto _ : state) {
        copy(dst.data(), src.data(), n);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)n);
}

void Memcpy(benchmark::State &state) {
    const size_t n = (size_t)state.range(0);
    std::vector<unsigned char> src(n, 0x5A), dst(n);
    for (auto _ : state) {
        memcpy(dst.data(), src.data(), n);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)n);
}

#define SIZES ->Arg(64)->Arg(4 << 10)->Arg(256 << 10)->Arg(8 << 20)

} // namespace

BENCHMARK(Memcpy) SIZES;
BENCHMARK_CAPTURE(Copy, MMX_I, CopyRoutine::MMX1) SIZES;
BENCHMARK_CAPTURE(Copy, MMX_II, CopyRoutine::MMX2) SIZES;
BENCHMARK_CAPTURE(Copy, MMX_V, CopyRoutine::MMXV) SIZES;
BENCHMARK_CAPTURE(Copy, SSE_2, CopyRoutine::SSE2) SIZES;
BENCHMARK_CAPTURE(Copy, K7, CopyRoutine::K7) SIZES;
BENCHMARK_CAPTURE(Copy, Athlon, CopyRoutine::Athlon) SIZES;
BENCHMARK_CAPTURE(Copy, Banias, CopyRoutine::Banias) SIZES;
BENCHMARK_CAPTURE(Copy, Dothan, CopyRoutine::Dothan) SIZES;
BENCHMARK_CAPTURE(Copy, P4_early, CopyRoutine::P4Early) SIZES;
BENCHMARK_CAPTURE(Copy, P4_late, CopyRoutine::P4Late) SIZES;
