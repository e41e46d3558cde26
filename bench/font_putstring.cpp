// CFont::PutString of an 80-character line onto a 640 x 480 32-bit screen,
// beside the same glyph rectangles blitted with SDL_BlitSurface (the floor
// for a bitmap font) and beside SDL_ttf rendering the line and blitting it
// (what a game does without bitmap fonts). The font is DejaVu Sans at 16
// pixels, made into a sheet as `dpftool add-font --ttf` makes it: keyed
// (24 bits, drawn with TTF_RenderText_Solid as reference) or with alpha
// per pixel (32 bits, TTF_RenderText_Blended).
//
// The Ratio rows give `ratio` = PutString's time / the reference's, from
// the fastest of interleaved runs (below 1: PutString is faster).
#include <quenlar/quenlar.h>
#include <quenlar/gfx/blit.h>

#include "ttf_sheet.h"

#include <SDL_ttf.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {
const char kSans[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char kLine[] =
    "The quick brown fox jumps over the lazy dog; pack my box with five dozen jugs!!!";
static_assert(sizeof kLine == 81, "an 80-character line");

// One glyph blit as PutString makes it.
struct GlyphBlit {
    SDL_Rect src, dst;
};
std::vector<GlyphBlit> *g_recording = nullptr;
int Record(SDL_Surface *src, SDL_Rect *sr, SDL_Surface *dst, SDL_Rect *dr) {
    g_recording->push_back({*sr, *dr});
    return SDL_UpperBlit(src, sr, dst, dr);
}

// A font of each kind, its glyph blits and the TrueType font, made once.
struct Fonts {
    CFont font[2]; // 0 keyed, 1 alpha per pixel
    std::vector<GlyphBlit> blits[2];
    TTF_Font *ttf = nullptr;
    bool ok = false;
    Fonts() {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        if (Quenlar.Init(SDL_INIT_VIDEO) != 1) return;
        Quenlar.resolutionx = 640, Quenlar.resolutiony = 480, Quenlar.colordepth = 32;
        Quenlar.renderer = 1;
        if (Quenlar.SetVideoMode() != 1 || TTF_Init() != 0) return;
        ttf = TTF_OpenFont(kSans, 16);
        for (int kind = 0; kind < 2 && ttf; ++kind) {
            std::string error;
            SDL_Surface *sheet = dpftool::RenderTtfSheet(kSans, 16, SDL_Color{255, 255, 255, 0},
                                                         kind ? 32 : 24, error);
            if (!sheet || font[kind].Create(sheet) != 96) return;
            SDL_FreeSurface(sheet);
            g_recording = &blits[kind];
            qnl::SetBlitFunction(Record);
            font[kind].PutString(Quenlar.screen, 0, 100, kLine);
            qnl::SetBlitFunction(nullptr);
        }
        ok = ttf != nullptr;
    }
    ~Fonts() {
        if (ttf) TTF_CloseFont(ttf);
        TTF_Quit();
        Quenlar.Quit();
    }
};
Fonts &Shared() {
    static Fonts fonts;
    return fonts;
}

const char *KindName(int kind) {
    return kind ? "alpha per pixel" : "colour key";
}

// The three ways of drawing the line.
void OursOnce(int kind) {
    Shared().font[kind].PutString(Quenlar.screen, 0, 100, kLine);
}
void BlitsOnce(int kind) {
    SDL_Surface *sheet = Shared().font[kind].GetSurface();
    for (GlyphBlit g : Shared().blits[kind])
        SDL_BlitSurface(sheet, &g.src, Quenlar.screen, &g.dst);
}
void TtfOnce(int kind) {
    const SDL_Color white = {255, 255, 255, 0};
    SDL_Surface *line = kind ? TTF_RenderText_Blended(Shared().ttf, kLine, white)
                             : TTF_RenderText_Solid(Shared().ttf, kLine, white);
    SDL_Rect at = {0, 100, 0, 0};
    SDL_BlitSurface(line, nullptr, Quenlar.screen, &at);
    SDL_FreeSurface(line);
}

void Run(benchmark::State &state, void (*draw)(int)) {
    if (!Shared().ok) {
        state.SkipWithError("no font (DejaVu Sans and the dummy video driver are needed)");
        return;
    }
    const int kind = (int)state.range(0);
    for (auto _ : state)
        draw(kind);
    state.SetItemsProcessed(state.iterations() * 80);
    state.SetLabel(KindName(kind));
}
void PutString(benchmark::State &state) {
    Run(state, OursOnce);
}
void GlyphBlits(benchmark::State &state) {
    Run(state, BlitsOnce);
}
void TtfRenderAndBlit(benchmark::State &state) {
    Run(state, TtfOnce);
}

// PutString against a reference (0 the glyph blits, 1 SDL_ttf), from the
// fastest of 200 interleaved runs of each: the least disturbed by other
// work on the machine.
void Ratio(benchmark::State &state) {
    if (!Shared().ok) {
        state.SkipWithError("no font");
        return;
    }
    const int kind = (int)state.range(0), reference = (int)state.range(1);
    void (*other)(int) = reference ? TtfOnce : BlitsOnce;
    using Clock = std::chrono::steady_clock;
    double ours = 1e9, theirs = 1e9;
    auto time = [kind](double &best, void (*draw)(int)) {
        const auto start = Clock::now();
        draw(kind);
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    };
    for (auto _ : state) {
        for (int round = 0; round < 200; ++round) {
            time(ours, OursOnce);
            time(theirs, other);
        }
    }
    state.counters["ratio"] = ours / theirs;
    state.SetLabel(std::string(KindName(kind)) +
                   (reference ? ", PutString / SDL_ttf" : ", PutString / SDL_BlitSurface"));
}
} // namespace

BENCHMARK(PutString)->Arg(0)->Arg(1);
BENCHMARK(GlyphBlits)->Arg(0)->Arg(1);
BENCHMARK(TtfRenderAndBlit)->Arg(0)->Arg(1);
BENCHMARK(Ratio)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1})->Iterations(1);
