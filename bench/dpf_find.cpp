// Finding and loading the last block of a package of 10, 100 and 1000
// blocks of 64 KiB, beside reading the whole file with plain buffered reads.
#include <quenlar/quenlar.h>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
constexpr unsigned kBlockSize = 64 * 1024;

// Packages are made once per size, in a temporary directory removed at exit.
struct Packages {
    std::string dir;
    std::map<int, std::string> paths;

    Packages() {
        char pattern[] = "/tmp/quenlar-bench-dpf-XXXXXX";
        dir = mkdtemp(pattern) ? pattern : ".";
        IStuffDPF = new QStuffDPF;
    }
    ~Packages() {
        delete IStuffDPF;
        IStuffDPF = nullptr;
        for (auto &p : paths)
            remove(p.second.c_str());
        rmdir(dir.c_str());
    }
    const std::string &Get(int blocks) {
        auto it = paths.find(blocks);
        if (it != paths.end()) return it->second;
        std::string path = dir + "/p" + std::to_string(blocks) + ".dpf";
        std::mt19937 gen(blocks);
        std::vector<char> data(kBlockSize);
        int h = IStuffDPF->Create(path.c_str());
        for (int i = 0; i < blocks; ++i) {
            for (char &c : data)
                c = (char)(gen() & 0xFF);
            DPFBlock b;
            memset(&b, 0, sizeof b);
            snprintf(b.name, sizeof b.name, "block%d", i);
            strcpy(b.type, "DAT");
            b.mode = 1;
            b.size = kBlockSize;
            b.data = data.data();
            IStuffDPF->AddData(h, &b);
        }
        IStuffDPF->Close(h);
        return paths[blocks] = path;
    }
};

Packages &Shared() {
    static Packages packages;
    return packages;
}

std::string LastName(int blocks) {
    return "block" + std::to_string(blocks - 1);
}

void BM_FindLast(benchmark::State &state) {
    const int blocks = (int)state.range(0);
    const std::string &path = Shared().Get(blocks); // creates IStuffDPF first
    int h = IStuffDPF->Open(path.c_str());
    DPFBlock b;
    for (auto _ : state) {
        memset(&b, 0, sizeof b);
        snprintf(b.name, sizeof b.name, "%s", LastName(blocks).c_str());
        strcpy(b.type, "DAT");
        if (IStuffDPF->Find(h, &b) != 1) state.SkipWithError("not found");
    }
    IStuffDPF->Close(h);
}

void BM_LoadLast(benchmark::State &state) {
    const int blocks = (int)state.range(0);
    const std::string &path = Shared().Get(blocks); // creates IStuffDPF first
    int h = IStuffDPF->Open(path.c_str());
    const std::string name = LastName(blocks);
    DPFBlock b;
    for (auto _ : state) {
        if (IStuffDPF->LoadBlock(h, "DAT", name.c_str(), &b) != (int)kBlockSize)
            state.SkipWithError("load");
        delete[] b.data;
    }
    state.SetBytesProcessed((int64_t)state.iterations() * kBlockSize);
    IStuffDPF->Close(h);
}

// The loaders' pattern: open (no checksum pass once known), load, close.
void BM_OpenLoadLastClose(benchmark::State &state) {
    const int blocks = (int)state.range(0);
    const std::string &path = Shared().Get(blocks);
    IStuffDPF->Close(IStuffDPF->Open(path.c_str()));
    const std::string name = LastName(blocks);
    DPFBlock b;
    for (auto _ : state) {
        int h = IStuffDPF->Open(path.c_str());
        if (IStuffDPF->LoadBlock(h, "DAT", name.c_str(), &b) != (int)kBlockSize)
            state.SkipWithError("load");
        delete[] b.data;
        IStuffDPF->Close(h);
    }
}

void BM_ReadWholeFile(benchmark::State &state) {
    const std::string &path = Shared().Get((int)state.range(0));
    std::vector<char> buffer(kBlockSize);
    int64_t total = 0;
    for (auto _ : state) {
        FILE *f = fopen(path.c_str(), "rb");
        size_t n;
        while ((n = fread(buffer.data(), 1, buffer.size(), f)) > 0)
            total += (int64_t)n;
        fclose(f);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(total);
}

void Sizes(benchmark::internal::Benchmark *b) {
    b->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
}
} // namespace

BENCHMARK(BM_FindLast)->Apply(Sizes);
BENCHMARK(BM_LoadLast)->Apply(Sizes);
BENCHMARK(BM_OpenLoadLastClose)->Apply(Sizes);
BENCHMARK(BM_ReadWholeFile)->Apply(Sizes);
