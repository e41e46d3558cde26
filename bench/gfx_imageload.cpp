// IImage->Load of a 640 x 480 32-bit picture from a package, its block
// compressed or stored, by path (open, load, close) and by open handle.
#include <quenlar/quenlar.h>
#include <quenlar/gfx/imageblock.h>

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {
// A package in a directory of its own with the picture twice: "packed"
// (compressed) and "plain" (stored). Made once per process.
struct Package {
    std::string dir, path;
    Package() {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        char name[] = "/tmp/quenlar-bench-XXXXXX";
        if (!mkdtemp(name)) std::abort();
        dir = name;
        path = dir + "/images.dpf";
        if (Quenlar.Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 1) std::abort();
        // A photo-like gradient with noise: compressible, but not trivially.
        SDL_Surface *s =
            SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
        Uint32 seed = 1;
        for (int y = 0; y < 480; ++y) {
            Uint32 *row =
                reinterpret_cast<Uint32 *>(static_cast<Uint8 *>(s->pixels) + y * s->pitch);
            for (int x = 0; x < 640; ++x) {
                seed = seed * 1103515245u + 12345u;
                row[x] = 0xFF000000u | (Uint32)(x * 255 / 640) << 16 |
                         (Uint32)(y * 255 / 480) << 8 | ((seed >> 16) & 0x1F);
            }
        }
        std::vector<Uint8> payload = qnl::EncodeImageBlock(s, qnl::kNoColorKey, 255);
        SDL_FreeSurface(s);
        int h = IStuffDPF->Create(path.c_str());
        for (int mode : {0, 1}) {
            DPFBlock b;
            std::memset(&b, 0, sizeof b);
            std::strcpy(b.name, mode ? "plain" : "packed");
            std::strcpy(b.type, "IMG");
            b.mode = (unsigned char)mode;
            b.size = (unsigned int)payload.size();
            b.data = reinterpret_cast<char *>(payload.data());
            IStuffDPF->AddData(h, &b);
        }
        IStuffDPF->Close(h);
    }
    ~Package() {
        Quenlar.Quit();
        unlink(path.c_str());
        rmdir(dir.c_str());
    }
};
const Package &Shared() {
    static Package package;
    return package;
}
const char *Name(const benchmark::State &state) {
    return state.range(0) ? "plain" : "packed";
}

void LoadByPath(benchmark::State &state) {
    const char *path = Shared().path.c_str();
    for (auto _ : state) {
        SDL_Surface *s = IImage->Load(path, Name(state));
        if (!s) state.SkipWithError("load failed");
        SDL_FreeSurface(s);
    }
    state.SetLabel(Name(state));
}

void LoadByHandle(benchmark::State &state) {
    const int h = IStuffDPF->Open(Shared().path.c_str());
    for (auto _ : state) {
        SDL_Surface *s = IImage->Load(h, Name(state));
        if (!s) state.SkipWithError("load failed");
        SDL_FreeSurface(s);
    }
    IStuffDPF->Close(h);
    state.SetLabel(Name(state));
}
} // namespace

BENCHMARK(LoadByPath)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadByHandle)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
