// CSprite::Draw against the plain SDL blit it wraps: 1000 draws of a 32 x 32
// colour-keyed sprite frame per frame onto a 640 x 480 surface in the
// screen's format, and 1000 SDL_BlitSurface calls of the same rectangles
// from the same sheet. The Draw row carries `ratio`: Draw's time over the
// plain blits', from the fastest of interleaved runs in the same process.
#include <quenlar/quenlar.h>
#include <quenlar/gfx/spriteblock_private.h>

#include "dummy_screen.h"
#include "packages.h"

#include <benchmark/benchmark.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>

namespace {
constexpr int kSprites = 1000, kFrame = 32, kFrames = 8;

// The engine on the dummy driver, a package with the sprite, the sprite
// loaded and the frame's target. Made once per process.
struct Scene {
    bench::TempDir dir; // removed with the package
    std::string path;
    CSprite *sprite = nullptr;
    SDL_Surface *target = nullptr;
    SDL_Rect places[kSprites];

    Scene() {
        path = dir.path + "/sprites.dpf";
        bench::StartOnDummyScreen();
        target = SDL_ConvertSurface(Quenlar.screen, Quenlar.screen->format, SDL_SWSURFACE);

        // A ball on a magenta ground (the colour key) in each of 8 frames.
        SDL_Surface *sheet = SDL_CreateRGBSurface(SDL_SWSURFACE, kFrame * kFrames, kFrame, 32,
                                                  0xFF0000, 0xFF00, 0xFF, 0);
        SDL_FillRect(sheet, nullptr, 0xFF00FF);
        for (int f = 0; f < kFrames; ++f) {
            SDL_Rect ball = {(Sint16)(f * kFrame + 4 + f), 8, 16, 16};
            SDL_FillRect(sheet, &ball, 0x3366CC);
        }
        qnl::SpriteBlock block;
        block.frameWidth = block.frameHeight = kFrame;
        qnl::SpriteAnimation a;
        a.end = kFrames;
        a.durations.assign(kFrames, 16);
        block.animations = {a};
        std::vector<Uint8> payload = qnl::EncodeSpriteBlock(block, sheet, 0xFF00FF, 255);
        SDL_FreeSurface(sheet);
        const int h = IStuffDPF->Create(path.c_str());
        DPFBlock b;
        std::memset(&b, 0, sizeof b);
        std::strcpy(b.name, "ball");
        std::strcpy(b.type, "SPR2");
        b.mode = 1;
        b.size = (unsigned int)payload.size();
        b.data = reinterpret_cast<char *>(payload.data());
        IStuffDPF->AddData(h, &b);
        sprite = new CSprite;
        if (sprite->Load(h, "ball", "SPR2") != 1) std::abort();
        IStuffDPF->Close(h);

        Uint32 seed = 7;
        for (SDL_Rect &p : places) {
            seed = seed * 1103515245u + 12345u;
            p = {(Sint16)((seed >> 8) % (640 - kFrame)), (Sint16)((seed >> 20) % (480 - kFrame)),
                 kFrame, kFrame};
        }
    }
    ~Scene() {
        delete sprite;
        SDL_FreeSurface(target);
        Quenlar.Quit();
    }
};
Scene &Shared() {
    static Scene scene;
    return scene;
}

void DrawFrame(Scene &s) {
    for (const SDL_Rect &p : s.places) {
        s.sprite->SetPosition(p.x, p.y);
        s.sprite->Draw(s.target);
    }
}

// The same rectangles: frame n of the sheet, as Draw would pick it.
void BlitFrame(Scene &s, int frame) {
    SDL_Surface *sheet = s.sprite->GetSurface();
    for (const SDL_Rect &p : s.places) {
        SDL_Rect src = {(Sint16)(frame * kFrame), 0, kFrame, kFrame}, at = p;
        SDL_BlitSurface(sheet, &src, s.target, &at);
    }
}

double Fastest(const std::function<void()> &run, double best) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::min(
        best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

void SpriteDraw(benchmark::State &state) {
    Scene &s = Shared();
    for (auto _ : state)
        DrawFrame(s);
    state.SetItemsProcessed(state.iterations() * kSprites);
    // Both from the fastest of 50 interleaved frames: the least disturbed.
    double draw = 1e9, plain = 1e9;
    for (int round = 0; round < 50; ++round) {
        draw = Fastest([&] { DrawFrame(s); }, draw);
        plain = Fastest([&] { BlitFrame(s, round % kFrames); }, plain);
    }
    state.counters["ratio"] = draw / plain;
}

void PlainBlit(benchmark::State &state) {
    Scene &s = Shared();
    int frame = 0;
    for (auto _ : state)
        BlitFrame(s, frame++ % kFrames);
    state.SetItemsProcessed(state.iterations() * kSprites);
}
} // namespace

BENCHMARK(SpriteDraw)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainBlit)->Unit(benchmark::kMicrosecond);
