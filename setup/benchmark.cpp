// The general tab's benchmark: clock reads, CRC-32 passes and blits, each
// counted for one second, weighted into points. The loops hold nothing but
// the work measured and the clock read that ends them.
#include "setup/panel.h"

#include <quenlar/core/clock.h>
#include <quenlar/quenlar.h>

#include <cstdlib>

namespace {

constexpr Uint32 kSecond = 1000;            // ms each count runs
constexpr int kCrcBlock = 32 * 1024 * 1024; // bytes
constexpr int kArenaWidth = 800, kArenaHeight = 600;
constexpr int kSquares = 5;
const int kSquareSize[kSquares] = {16, 32, 64, 128, 256};
const Uint32 kSquareColor[kSquares] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF};

// Whether a second has passed since `start` (the clock wraps).
bool SecondPassed(Uint32 start) {
    return QuenlarTicks() - start >= kSecond;
}

uint64_t CountClockReads() {
    uint64_t reads = 0;
    const Uint32 start = QuenlarTicks();
    do
        ++reads;
    while (!SecondPassed(start));
    return reads;
}

uint64_t CountCrcPasses(const MachineProbes &machine) {
    // The block's contents do not matter: it is read, never used.
    void *block = std::malloc(kCrcBlock);
    if (!block) return 0;
    uint64_t passes = 0;
    const Uint32 start = QuenlarTicks();
    do {
        machine.crc32(block, kCrcBlock);
        ++passes;
    } while (!SecondPassed(start));
    std::free(block);
    return passes;
}

// A 32-bit surface in the display's format, filled with 0xRRGGBB.
SDL_Surface *FilledSurface(int w, int h, Uint32 rgb) {
    SDL_Surface *raw = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    if (!raw) return nullptr;
    SDL_Surface *s = Quenlar.screen ? SDL_DisplayFormat(raw) : nullptr;
    SDL_FreeSurface(raw);
    if (s) SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, rgb >> 16, rgb >> 8 & 0xFF, rgb & 0xFF));
    return s;
}

// Bounces the square across the arena for a second; the number of blits.
uint64_t CountBlits(SDL_Surface *square, SDL_Surface *arena) {
    const int size = square->w;
    int x = 0, y = 0, dx = 1, dy = 1;
    uint64_t blits = 0;
    const Uint32 start = QuenlarTicks();
    do {
        x += dx;
        y += dy;
        SDL_Rect at = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
        SDL_BlitSurface(square, nullptr, arena, &at);
        ++blits;
        if (x + size > arena->w) dx = -dx;
        if (y + size > arena->h) dy = -dy;
        if (x < 1) dx = -dx;
        if (y < 1) dy = -dy;
    } while (!SecondPassed(start));
    return blits;
}

} // namespace

BenchmarkCounts MeasureBenchmark(const MachineProbes &machine) {
    BenchmarkCounts counts;
    counts.ticksBefore = CountClockReads();
    counts.crcPasses = CountCrcPasses(machine);
    counts.ticksAfter = CountClockReads();

    SDL_Surface *arena = FilledSurface(kArenaWidth, kArenaHeight, 0);
    SDL_Surface *squares[kSquares] = {};
    for (int i = 0; i < kSquares; ++i)
        squares[i] = FilledSurface(kSquareSize[i], kSquareSize[i], kSquareColor[i]);
    for (int i = 0; i < kSquares; ++i)
        if (arena && squares[i]) counts.blits[i] = CountBlits(squares[i], arena);
    for (SDL_Surface *square : squares)
        SDL_FreeSurface(square);
    SDL_FreeSurface(arena);
    return counts;
}

int BenchmarkPoints(const BenchmarkCounts &c) {
    const uint64_t a = c.ticksBefore / 40000;
    const uint64_t b = c.ticksAfter / 40000;
    const uint64_t m = c.crcPasses * 32; // MiB checked
    // Bigger squares weigh more: each doubles the side of the one before.
    const uint64_t v =
        (c.blits[0] + 2 * c.blits[1] + 4 * c.blits[2] + 8 * c.blits[3] + 16 * c.blits[4]) / 2500;
    // The weights are single-precision, and so is the sum kept.
    const float points = static_cast<float>(0.25 * static_cast<double>(m) +
                                            static_cast<double>(0.2f) * static_cast<double>(a) +
                                            static_cast<double>(0.2f) * static_cast<double>(b) +
                                            static_cast<double>(0.35f) * static_cast<double>(v));
    // Beyond any real machine; keeps the cut to an integer defined.
    if (!(points < 2147483647.0f)) return 2147483647;
    return static_cast<int>(points);
}

void RunBenchmark(SetupState &state) {
    state.benchmarkPoints = BenchmarkPoints(MeasureBenchmark(state.machine));
    state.currentTab = -1;
    ShowTab(state, TAB_GENERAL);
}
