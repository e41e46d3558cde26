// IStuffDPF beside the plain work each operation cannot avoid:
//   Find of the last block ....... one pread of marker and header per block
//                                  (the least any scan of a file without an
//                                  index can do), packages of 10 to 10,000
//   LoadBlock, stored ............ pread of the payload into a new array
//   LoadBlock, compressed ........ the UCL decoder alone on the same stream
//   Open, first time ............. open, read and CRC-32 (zlib) the block
//                                  area, close
//   Open again (no checksum) ..... open, read the 520-byte head, close
#include "packages.h"
#include "paired.h"

#include <quenlar/dpf/format_private.h>
#include <quenlar/dpf/stuffdpf.h>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <random>
#include <ucl/ucl.h>
#include <unistd.h>
#include <zlib.h>

using namespace qnl::dpf;

namespace {
constexpr size_t kFindBlockSize = 4 * 1024;
constexpr int kOpenBlocks = 100; // 6.4 MiB for the checksum
constexpr size_t kOpenBlockSize = 64 * 1024;

void Noise(int i, std::vector<char> &data) {
    std::mt19937 gen((unsigned)i);
    for (char &c : data)
        c = (char)(gen() & 0xFF);
}

// Text-like bytes: compressible, but not trivially.
std::vector<unsigned char> Compressible(size_t size) {
    std::vector<unsigned char> data(size);
    std::mt19937 gen(7);
    for (unsigned char &c : data)
        c = (unsigned char)('a' + gen() % 12 + (gen() % 5 == 0 ? 'A' - 'a' : 0));
    return data;
}

struct Fixture {
    bench::TempDir dir;
    std::map<int, std::string> finds; // by block count
    std::string loads, opens;

    Fixture() {
        IStuffDPF = new QStuffDPF;
        if (ucl_init() != UCL_E_OK) std::abort();
        opens = dir.path + "/open.dpf";
        if (!bench::MakePackage(opens, kOpenBlocks, kOpenBlockSize, Noise)) std::abort();
        MakeLoads();
    }
    ~Fixture() {
        delete IStuffDPF;
        IStuffDPF = nullptr;
    }
    const std::string &Find(int blocks) {
        std::string &path = finds[blocks];
        if (path.empty()) {
            path = dir.path + "/find" + std::to_string(blocks) + ".dpf";
            if (!bench::MakePackage(path, blocks, kFindBlockSize, Noise)) std::abort();
        }
        return path;
    }
    // Three blocks: 64 KiB and 1 MiB stored, 1 MiB compressed.
    void MakeLoads() {
        loads = dir.path + "/load.dpf";
        int h = IStuffDPF->Create(loads.c_str());
        const std::vector<unsigned char> text = Compressible(1 << 20);
        struct {
            const char *name;
            unsigned size;
            unsigned char mode;
        } blocks[] = {{"stored64k", 64 << 10, kStored},
                      {"stored1m", 1 << 20, kStored},
                      {"packed1m", 1 << 20, kCompressed}};
        for (auto &wanted : blocks) {
            DPFBlock b;
            memset(&b, 0, sizeof b);
            strcpy(b.name, wanted.name);
            strcpy(b.type, "DAT");
            b.mode = wanted.mode;
            b.size = wanted.size;
            b.data = reinterpret_cast<char *>(const_cast<unsigned char *>(text.data()));
            if (IStuffDPF->AddData(h, &b) <= 0) std::abort();
        }
        IStuffDPF->Close(h);
    }
};

Fixture &Shared() {
    static Fixture fixture;
    return fixture;
}

// The reference scan: marker and header of every block in one pread each,
// to the block named `name`; its marker's offset, or -1.
int64_t ScanHeaders(int fd, const char *name, const char *type) {
    unsigned char h[kBlockOverhead];
    uint64_t at = kBlocksStart;
    while (pread(fd, h, sizeof h, (off_t)at) == (ssize_t)sizeof h) {
        const unsigned char *header = h + kMarkerSize;
        if (strncmp(reinterpret_cast<const char *>(header + kHdrName), name, kNameSize) == 0 &&
            strncmp(reinterpret_cast<const char *>(header + kHdrType), type, kTypeSize) == 0)
            return (int64_t)at;
        at += BlockFileSize(GetLE32(header + kHdrStored));
    }
    return -1;
}

void FindLast(benchmark::State &state) {
    const int blocks = (int)state.range(0);
    const std::string &path = Shared().Find(blocks);
    const std::string name = bench::BlockName(blocks - 1);
    const int h = IStuffDPF->Open(path.c_str());
    const int fd = open(path.c_str(), O_RDONLY);
    DPFBlock b;
    bench::Paired(
        state, "pread per header",
        [&] {
            memset(&b, 0, sizeof b);
            snprintf(b.name, sizeof b.name, "%s", name.c_str());
            strcpy(b.type, "DAT");
            if (IStuffDPF->Find(h, &b) != 1) state.SkipWithError("not found");
        },
        [&] {
            if (ScanHeaders(fd, name.c_str(), "DAT") < 0) state.SkipWithError("no reference");
        });
    close(fd);
    IStuffDPF->Close(h);
}

// The block's payload offset and stored size, found once.
struct Located {
    uint64_t payload;
    uint32_t stored;
};
Located Locate(int fd, const char *name) {
    const int64_t at = ScanHeaders(fd, name, "DAT");
    unsigned char header[kHeaderSize];
    if (at < 0 || pread(fd, header, sizeof header, (off_t)(at + kMarkerSize)) != kHeaderSize)
        std::abort();
    return {(uint64_t)at + kBlockOverhead, GetLE32(header + kHdrStored)};
}

void LoadStored(benchmark::State &state, const char *name) {
    const std::string &path = Shared().loads;
    const int h = IStuffDPF->Open(path.c_str());
    const int fd = open(path.c_str(), O_RDONLY);
    const Located block = Locate(fd, name);
    const size_t padded = PaddedSize(block.stored);
    DPFBlock b;
    bench::Paired(
        state, "pread",
        [&] {
            if (IStuffDPF->LoadBlock(h, "DAT", name, &b) <= 0) state.SkipWithError("load");
            delete[] b.data;
        },
        [&] {
            std::unique_ptr<char[]> data(new char[padded]);
            if (pread(fd, data.get(), padded, (off_t)block.payload) != (ssize_t)padded)
                state.SkipWithError("read");
            benchmark::DoNotOptimize(data.get());
        });
    state.SetBytesProcessed((int64_t)state.iterations() * block.stored);
    close(fd);
    IStuffDPF->Close(h);
}

void LoadCompressed(benchmark::State &state) {
    const std::string &path = Shared().loads;
    const int h = IStuffDPF->Open(path.c_str());
    const int fd = open(path.c_str(), O_RDONLY);
    const Located block = Locate(fd, "packed1m");
    std::vector<unsigned char> stream(block.stored);
    if (pread(fd, stream.data(), stream.size(), (off_t)block.payload) != (ssize_t)stream.size())
        std::abort();
    close(fd);
    const ucl_uint size = 1 << 20;
    DPFBlock b;
    bench::Paired(
        state, "UCL decoder alone",
        [&] {
            if (IStuffDPF->LoadBlock(h, "DAT", "packed1m", &b) != (int)size)
                state.SkipWithError("load");
            delete[] b.data;
        },
        [&] {
            std::unique_ptr<unsigned char[]> data(new unsigned char[size]);
            ucl_uint length = size;
            if (ucl_nrv2b_decompress_safe_8(stream.data(), (ucl_uint)stream.size(), data.get(),
                                            &length, nullptr) != UCL_E_OK)
                state.SkipWithError("decode");
            benchmark::DoNotOptimize(data.get());
        });
    state.SetBytesProcessed((int64_t)state.iterations() * size);
    IStuffDPF->Close(h);
}

// A first open checks the checksum. The table remembers two packages by
// path and length, so three spellings of one path taken in turn are never
// known.
void OpenFirst(benchmark::State &state) {
    const std::string &path = Shared().opens;
    const size_t slash = path.rfind('/');
    const std::string spellings[] = {path, path.substr(0, slash) + "/." + path.substr(slash),
                                     path.substr(0, slash) + "/" + path.substr(slash)};
    int turn = 0;
    std::vector<unsigned char> buffer(64 * 1024);
    bench::Paired(
        state, "read and zlib crc32",
        [&] {
            const int h = IStuffDPF->Open(spellings[turn++ % 3].c_str());
            if (h <= 0) state.SkipWithError("open");
            IStuffDPF->Close(h);
        },
        [&] {
            const int fd = open(path.c_str(), O_RDONLY);
            uLong crc = crc32(0L, Z_NULL, 0);
            off_t at = (off_t)kBlocksStart;
            ssize_t n;
            while ((n = pread(fd, buffer.data(), buffer.size(), at)) > 0) {
                crc = crc32(crc, buffer.data(), (uInt)n);
                at += n;
            }
            close(fd);
            benchmark::DoNotOptimize(crc);
        });
}

void OpenAgain(benchmark::State &state) {
    const std::string &path = Shared().opens;
    IStuffDPF->Close(IStuffDPF->Open(path.c_str()));
    unsigned char head[kBlocksStart];
    bench::Paired(
        state, "open, read head, close",
        [&] {
            const int h = IStuffDPF->Open(path.c_str());
            if (h <= 0) state.SkipWithError("open");
            IStuffDPF->Close(h);
        },
        [&] {
            const int fd = open(path.c_str(), O_RDONLY);
            if (pread(fd, head, sizeof head, 0) != (ssize_t)sizeof head)
                state.SkipWithError("read");
            close(fd);
        });
}
} // namespace

BENCHMARK(FindLast)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(
    benchmark::kMicrosecond);
BENCHMARK_CAPTURE(LoadStored, 64KiB, "stored64k")->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(LoadStored, 1MiB, "stored1m")->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(LoadCompressed)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(OpenFirst)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(OpenAgain)->UseManualTime()->Unit(benchmark::kMicrosecond);
