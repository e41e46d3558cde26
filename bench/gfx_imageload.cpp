// IImage->Load of a 640 x 480 32-bit picture from a package, its block
// stored or compressed, beside what a game would otherwise load the same
// picture with: SDL_image's IMG_Load of it as a PNG file and SDL_LoadBMP of
// it as a BMP file; and beside memcpy of its pixels, the floor.
#include "paired.h"

#include <quenlar/gfx/imageblock.h>
#include <quenlar/gfx/pngwriter.h>
#include <quenlar/quenlar.h>

#include <SDL_image.h>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
// The package holds the picture twice, "packed" (compressed) and "plain"
// (stored); the PNG and BMP files beside it hold it once each.
struct Files {
    std::string dir, package, png, bmp;
    size_t pixelBytes = 0;
    Files() {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        char name[] = "/tmp/quenlar-bench-XXXXXX";
        if (!mkdtemp(name)) std::abort();
        dir = name;
        package = dir + "/images.dpf";
        png = dir + "/image.png";
        bmp = dir + "/image.bmp";
        if (Quenlar.Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 1) std::abort();
        // As a game would: the PNG reader loaded once, not for every picture.
        IMG_Init(IMG_INIT_PNG);
        SDL_Surface *s = Picture();
        pixelBytes = (size_t)s->pitch * s->h;
        std::vector<Uint8> payload = qnl::EncodeImageBlock(s, qnl::kNoColorKey, 255);
        if (qnl::SavePNG(s, png.c_str()) != 1 || SDL_SaveBMP(s, bmp.c_str()) != 0) std::abort();
        SDL_FreeSurface(s);
        int h = IStuffDPF->Create(package.c_str());
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
    ~Files() {
        IMG_Quit();
        Quenlar.Quit();
        for (const std::string &f : {package, png, bmp})
            unlink(f.c_str());
        rmdir(dir.c_str());
    }
    // A photo-like gradient with noise: compressible, but not trivially.
    static SDL_Surface *Picture() {
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
        return s;
    }
};
const Files &Shared() {
    static Files files;
    return files;
}

void Free(benchmark::State &state, SDL_Surface *s) {
    if (!s) state.SkipWithError("load failed");
    SDL_FreeSurface(s);
}

enum Reference { kPng, kBmp, kMemcpy };

// Loads `name` by open handle (or by path) beside the reference.
void Load(benchmark::State &state, const char *name, bool byPath, Reference reference) {
    const Files &f = Shared();
    const int h = IStuffDPF->Open(f.package.c_str());
    std::vector<Uint8> from(f.pixelBytes, 0x5A), to(f.pixelBytes);
    auto ours = [&] {
        Free(state, byPath ? IImage->Load(f.package.c_str(), name) : IImage->Load(h, name));
    };
    switch (reference) {
    case kPng:
        bench::Paired(state, "IMG_Load PNG", ours, [&] { Free(state, IMG_Load(f.png.c_str())); });
        break;
    case kBmp:
        bench::Paired(state, "SDL_LoadBMP", ours, [&] { Free(state, SDL_LoadBMP(f.bmp.c_str())); });
        break;
    case kMemcpy:
        bench::Paired(state, "memcpy of the pixels", ours, [&] {
            std::memcpy(to.data(), from.data(), to.size());
            benchmark::ClobberMemory();
        });
        break;
    }
    IStuffDPF->Close(h);
}
} // namespace

BENCHMARK_CAPTURE(Load, stored_vs_png, "plain", false, kPng)->UseManualTime();
BENCHMARK_CAPTURE(Load, stored_vs_bmp, "plain", false, kBmp)->UseManualTime();
BENCHMARK_CAPTURE(Load, stored_vs_memcpy, "plain", false, kMemcpy)->UseManualTime();
BENCHMARK_CAPTURE(Load, compressed_vs_png, "packed", false, kPng)->UseManualTime();
BENCHMARK_CAPTURE(Load, stored_by_path_vs_bmp, "plain", true, kBmp)->UseManualTime();
