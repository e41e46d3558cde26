// The SDK's CRC-32 (qnl::Crc32, behind package checksums, network records
// and Quenlar.CRC32) beside zlib's crc32 on the same bytes, in the same run,
// at 64 B, 4 KiB and 1 MiB. Each iteration checksums about 1 MiB in calls of
// the size with zlib, then the same with the SDK; the benchmark's time is the
// SDK's, the counters give both rates (medians, bytes per second) and
// `ratio`, the median of the SDK's time over zlib's (below 1: faster).
#include <quenlar/core/crc32_private.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <vector>
#include <zlib.h>

namespace {

// Seconds of processor time this thread has used: the machines that run the
// benchmarks are shared, and time spent waiting for a processor is not the
// routine's.
double ThreadSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

template <typename Checksum>
double TimeBatch(const std::vector<unsigned char> &bytes, size_t size, size_t calls,
                 Checksum checksum) {
    Uint32 crc = 0;
    const double start = ThreadSeconds();
    for (size_t i = 0; i < calls; ++i)
        crc = checksum(crc, bytes.data(), size);
    benchmark::DoNotOptimize(crc);
    return ThreadSeconds() - start;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void Crc32(benchmark::State &state) {
    const size_t size = (size_t)state.range(0);
    const size_t calls = std::max<size_t>(1, (1 << 20) / size);
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = (unsigned char)(i * 131 + (i >> 8));
    auto zlib = [](Uint32 crc, const unsigned char *data, size_t n) {
        return (Uint32)crc32(crc, data, (uInt)n);
    };
    auto ours = [](Uint32 crc, const unsigned char *data, size_t n) {
        return qnl::Crc32(crc, data, n);
    };
    std::vector<double> zlibRates, ourRates, ratios;
    const double perBatch = (double)(size * calls);
    for (auto _ : state) {
        double zlibTime = TimeBatch(bytes, size, calls, zlib);
        double ourTime = TimeBatch(bytes, size, calls, ours);
        zlibRates.push_back(perBatch / zlibTime);
        ourRates.push_back(perBatch / ourTime);
        ratios.push_back(ourTime / zlibTime);
        state.SetIterationTime(ourTime);
    }
    state.counters["sdk_B_s"] = Median(ourRates);
    state.counters["ref_B_s"] = Median(zlibRates);
    state.counters["ratio"] = Median(ratios);
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)perBatch);
    state.SetLabel("ref: zlib crc32");
}

} // namespace

BENCHMARK(Crc32)->Arg(64)->Arg(4 << 10)->Arg(1 << 20)->UseManualTime()->Iterations(51);
