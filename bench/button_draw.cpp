// IButton->Draw of 8 visible layers of 32 buttons (40 x 20, clones of one
// master) on a 640 x 480 screen: a frame where nothing changed (no refresh
// requested), a frame where every button is redrawn, and the reference, 256
// SDL_BlitSurface calls of the same image at the same places. Both Draw rows
// carry `ratio`: their time over the plain blits', from the fastest of
// interleaved runs in the same process.
#include <quenlar/gfx/tileblock_private.h>
#include <quenlar/gui/buttondesc_private.h>
#include <quenlar/quenlar.h>

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
#include <vector>

namespace {
constexpr int kLayers = 8, kSlots = 32, kButtons = kLayers * kSlots, kW = 40, kH = 20;

void AddBlock(int handle, const char *name, const char *type, const std::vector<Uint8> &data) {
    DPFBlock b;
    std::memset(&b, 0, sizeof b);
    std::strcpy(b.name, name);
    std::strcpy(b.type, type);
    b.mode = 1;
    b.size = (unsigned int)data.size();
    b.data = reinterpret_cast<char *>(const_cast<Uint8 *>(data.data()));
    IStuffDPF->AddData(handle, &b);
}

void AddImage(int handle, const char *name, Uint32 color) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, kW, kH, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(s, nullptr, color);
    AddBlock(handle, name, "TILB2",
             qnl::EncodeTileBlock(qnl::TileBlock(), s, qnl::kNoColorKey, 255));
    SDL_FreeSurface(s);
}

// The engine on the dummy driver and 256 buttons in 8 visible layers.
// Made once per process.
struct Scene {
    bench::TempDir dir; // removed with the package
    std::string path;
    SDL_Rect places[kButtons];

    Scene() {
        path = dir.path + "/buttons.dpf";
        bench::StartOnDummyScreen();

        const int handle = IStuffDPF->Create(path.c_str());
        AddImage(handle, "b_n", 0x3060B0);
        AddImage(handle, "b_p", 0x183060);
        AddImage(handle, "b_o", 0x505050);
        ButtonDesc desc = ButtonDesc();
        desc.type = BT_NORMAL;
        AddBlock(handle, "b", "BUT", qnl::EncodeButtonDesc(desc));
        const int master = IButton->Load(handle, "b", 1);
        IStuffDPF->Close(handle);
        if (master < 1000) std::abort();
        for (int layer = 0; layer < kLayers; ++layer) {
            IButton->SetWorkingLayer(layer);
            for (int slot = 0; slot < kSlots; ++slot) {
                const int n = layer * kSlots + slot;
                places[n] = {(Sint16)(n % 16 * kW), (Sint16)(n / 16 * kH), kW, kH};
                IButton->SetPosition(IButton->Clone(master), places[n].x, places[n].y);
            }
        }
        for (int layer = 0; layer < kLayers; ++layer)
            IButton->SetLayerVisible(layer, 1);
        IButton->Draw(); // the program's own changes, drawn once
    }
    ~Scene() {
        for (int layer = 0; layer < kLayers; ++layer) {
            IButton->SetWorkingLayer(layer);
            IButton->Remove();
        }
        IButton->FreeMaster(-1);
        Quenlar.Quit();
    }
};
Scene &Shared() {
    static Scene scene;
    return scene;
}

void Unchanged() {
    Quenlar.Refresh(0);
    IButton->Draw();
}

void Redrawn() {
    Quenlar.Refresh(1);
    IButton->Draw();
}

void Blits(Scene &s) {
    SDL_Surface *image = IButton->GetSurface(1, BS_NORMAL);
    for (const SDL_Rect &p : s.places) {
        SDL_Rect at = p;
        SDL_BlitSurface(image, nullptr, Quenlar.screen, &at);
    }
}

double Fastest(const std::function<void()> &run, double best) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::min(
        best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

// `frame`'s time over the plain blits', both from the fastest of 50
// interleaved frames: the least disturbed.
double Ratio(const std::function<void()> &frame) {
    Scene &s = Shared();
    double draw = 1e9, plain = 1e9;
    for (int round = 0; round < 50; ++round) {
        draw = Fastest(frame, draw);
        plain = Fastest([&] { Blits(s); }, plain);
    }
    return draw / plain;
}

void ButtonDrawUnchanged(benchmark::State &state) {
    Shared();
    for (auto _ : state)
        Unchanged();
    state.SetItemsProcessed(state.iterations() * kButtons);
    state.counters["ratio"] = Ratio(Unchanged);
}

void ButtonDrawAll(benchmark::State &state) {
    Shared();
    for (auto _ : state)
        Redrawn();
    state.SetItemsProcessed(state.iterations() * kButtons);
    state.counters["ratio"] = Ratio(Redrawn);
}

void PlainBlit(benchmark::State &state) {
    Scene &s = Shared();
    for (auto _ : state)
        Blits(s);
    state.SetItemsProcessed(state.iterations() * kButtons);
}
} // namespace

BENCHMARK(ButtonDrawUnchanged)->Unit(benchmark::kMicrosecond);
BENCHMARK(ButtonDrawAll)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainBlit)->Unit(benchmark::kMicrosecond);
