// The cost of the DataNet wire form per record: what a send spends on the
// checksum and scrambling, and what a receive spends reassembling and
// checking, for small, medium and the largest payloads.
#include <quenlar/net/wire_private.h>

#include <benchmark/benchmark.h>
#include <cstring>
#include <string>
#include <vector>

using namespace qnl::net;

namespace {

DataNet Sample(std::string &payload) {
    DataNet record;
    record.type = 1;
    record.cmd = 1;
    record.size = (Uint32)payload.size();
    record.data = reinterpret_cast<Uint8 *>(&payload[0]);
    return record;
}

void BM_EncodeRecord(benchmark::State &state) {
    std::string payload((size_t)state.range(0), 'x');
    DataNet record = Sample(payload);
    std::mt19937 generator(1);
    for (auto _ : state) {
        record.aux = NextAux(generator);
        record.crc = Checksum(record);
        size_t length = 0;
        std::unique_ptr<Uint8[]> packet = BuildPacket(record, &length);
        benchmark::DoNotOptimize(packet.get());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (DATANET_HEADER + state.range(0)));
}
BENCHMARK(BM_EncodeRecord)->Arg(16)->Arg(4096)->Arg(DATANET_MAXPAYLOAD);

void BM_DecodeRecord(benchmark::State &state) {
    std::string payload((size_t)state.range(0), 'x');
    DataNet record = Sample(payload);
    // One stream of many copies, each with the aux of its place in the sequence.
    std::mt19937 generator(1);
    const int copies = state.range(0) > 65536 ? 4 : 256;
    std::vector<Uint8> stream;
    for (int i = 0; i < copies; ++i) {
        record.aux = NextAux(generator);
        record.crc = Checksum(record);
        size_t length = 0;
        std::unique_ptr<Uint8[]> packet = BuildPacket(record, &length);
        stream.insert(stream.end(), packet.get(), packet.get() + length);
    }
    for (auto _ : state) {
        PacketReader reader;
        reader.SetMirrorSeed(1);
        size_t at = 0;
        while (at < stream.size()) {
            // Pieces of at most 64 KiB, like socket reads.
            size_t n = std::min({(size_t)65536, (size_t)reader.Wanted(), stream.size() - at});
            memcpy(reader.Space(), stream.data() + at, n);
            at += n;
            if (reader.Commit((int)n) == PacketReader::kComplete) delete[] reader.Take().data;
        }
    }
    state.SetItemsProcessed((int64_t)state.iterations() * copies);
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)stream.size());
}
BENCHMARK(BM_DecodeRecord)->Arg(16)->Arg(4096)->Arg(DATANET_MAXPAYLOAD);

} // namespace
