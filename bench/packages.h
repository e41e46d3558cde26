// Packages for the benchmarks, made quickly: the blocks but the last are
// appended as raw bytes (AddData searches the whole package for a block of
// the same name first, which would make a package of n blocks cost n^2
// header reads), then the last is added through IStuffDPF, whose Close
// writes the checksum of the whole. Needs IStuffDPF.
#ifndef QUENLAR_BENCH_PACKAGES_H
#define QUENLAR_BENCH_PACKAGES_H

#include <quenlar/dpf/format_private.h>
#include <quenlar/dpf/stuffdpf.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

// A temporary directory, removed with what is in it when this goes.
struct TempDir {
    std::string path;
    TempDir() {
        char pattern[] = "/tmp/quenlar-bench-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        path = pattern;
    }
    ~TempDir() {
        const std::string command = "rm -rf '" + path + "'";
        if (system(command.c_str()) != 0) fprintf(stderr, "could not remove %s\n", path.c_str());
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
};

// The name of block i of MakePackage.
inline std::string BlockName(int i) {
    return "block" + std::to_string(i);
}

// Writes a package of `count` stored blocks "block0".. of type "DAT", each
// `size` bytes made by `fill(i, bytes)`. False when it cannot.
inline bool MakePackage(const std::string &path, int count, size_t size,
                        const std::function<void(int, std::vector<char> &)> &fill) {
    using namespace qnl::dpf;
    int h = IStuffDPF->Create(path.c_str());
    if (h <= 0) return false;
    IStuffDPF->Close(h);
    FILE *f = fopen(path.c_str(), "ab");
    if (!f) return false;
    std::vector<char> data(size);
    unsigned char header[kHeaderSize];
    const std::vector<char> padding(PaddedSize(size) - size, 0);
    for (int i = 0; i + 1 < count; ++i) {
        fill(i, data);
        BuildHeader(header, BlockName(i).c_str(), "DAT", kStored, (uint32_t)size, (uint32_t)size);
        fwrite(kMarker, 1, kMarkerSize, f);
        fwrite(header, 1, kHeaderSize, f);
        fwrite(data.data(), 1, size, f);
        fwrite(padding.data(), 1, padding.size(), f);
    }
    if (fclose(f) != 0) return false;

    h = IStuffDPF->OpenUnverified(path.c_str());
    if (h <= 0) return false;
    fill(count - 1, data);
    DPFBlock b;
    memset(&b, 0, sizeof b);
    snprintf(b.name, sizeof b.name, "%s", BlockName(count - 1).c_str());
    strcpy(b.type, "DAT");
    b.mode = kStored;
    b.size = (unsigned int)size;
    b.data = data.data();
    const bool added = IStuffDPF->AddData(h, &b) > 0;
    IStuffDPF->Close(h);
    return added;
}

} // namespace bench

#endif
