#include "test_package.h"

#include <quenlar/gfx/fontblock.h>
#include <quenlar/gfx/imageblock.h>
#include <quenlar/gfx/spriteblock_private.h>
#include <quenlar/gfx/tileblock_private.h>
#include <quenlar/gui/buttondesc_private.h>
#include <quenlar/quenlar.h>
#include "support.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

using Bytes = std::vector<Uint8>;

void AddBlock(int handle, const std::string &name, const char *type, const Bytes &bytes) {
    DPFBlock block = {};
    snprintf(block.name, sizeof block.name, "%s", name.c_str());
    snprintf(block.type, sizeof block.type, "%s", type);
    block.size = (unsigned)bytes.size();
    block.data = (char *)bytes.data();
    ASSERT_GT(IStuffDPF->AddData(handle, &block), 0) << name;
}

SDL_Surface *Filled(int width, int height, Uint32 rgb) {
    SDL_Surface *s =
        SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(s, nullptr, rgb);
    return s;
}

Bytes Picture(Uint32 rgb, int width = 430, int height = 400) {
    SDL_Surface *s = Filled(width, height, rgb);
    Bytes payload = qnl::EncodeImageBlock(s, qnl::kNoColorKey, 255);
    SDL_FreeSurface(s);
    return payload;
}

Bytes Tile(Uint32 rgb, int width, int height) {
    SDL_Surface *s = Filled(width, height, rgb);
    Bytes payload = qnl::EncodeTileBlock(qnl::TileBlock(), s, qnl::kNoColorKey, 255);
    SDL_FreeSurface(s);
    return payload;
}

// A logo of two 16 x 16 frames, looping.
Bytes Logo() {
    qnl::SpriteBlock sprite;
    sprite.frameWidth = sprite.frameHeight = 16;
    qnl::SpriteAnimation loop;
    loop.mode = qnl::kSpriteLoop;
    loop.end = 2;
    loop.durations = {100, 100};
    sprite.animations = {loop};
    SDL_Surface *sheet = Filled(32, 16, 0xFFFFFF);
    Bytes payload = qnl::EncodeSpriteBlock(sprite, sheet, qnl::kNoColorKey, 255);
    SDL_FreeSurface(sheet);
    return payload;
}

// A font of 94 white 3 x 9 characters between magenta marker runs.
Bytes Font() {
    const int cell = 3, height = 10;
    SDL_Surface *sheet = Filled(95 + 94 * cell, height, 0);
    for (int k = 0; k < 95; ++k) {
        SDL_Rect marker = {(Sint16)(k * (cell + 1)), 0, 1, 1};
        SDL_FillRect(sheet, &marker, 0xFF00FF);
        SDL_Rect glyph = {(Sint16)(k * (cell + 1) + 1), 1, cell, height - 1};
        if (k < 94) SDL_FillRect(sheet, &glyph, 0xFFFFFF);
    }
    Bytes payload = qnl::EncodeFontBlock(sheet, 0, 255);
    SDL_FreeSurface(sheet);
    return payload;
}

// A RIFF WAVE file: 16-bit mono at 22050 Hz, a square wave of `ms`.
Bytes Wave(int ms) {
    const Uint32 frames = 22050u * (Uint32)ms / 1000u;
    Bytes b;
    const auto text = [&b](const char *t) { b.insert(b.end(), t, t + 4); };
    const auto le = [&b](Uint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b.push_back((Uint8)(v >> (8 * i)));
    };
    text("RIFF");
    le(36 + frames * 2, 4);
    text("WAVE");
    text("fmt ");
    le(16, 4);
    le(1, 2); // PCM
    le(1, 2); // mono
    le(22050, 4);
    le(22050 * 2, 4);
    le(2, 2);
    le(16, 2);
    text("data");
    le(frames * 2, 4);
    for (Uint32 i = 0; i < frames; ++i)
        le((i / 25) % 2 ? 8000 : (Uint16)-8000, 2);
    return b;
}

// A button of `kind` with its state pictures: w x h, a slider's knob 8 wide.
void AddButton(int handle, const std::string &name, Uint8 kind, int w, int h) {
    AddBlock(handle, name + "_n", "TILB2", Tile(0x2040C0, w, h));
    AddBlock(handle, name + "_p", "TILB2", Tile(0xC04020, kind == BT_SLIDER ? 8 : w, h));
    AddBlock(handle, name + "_o", "TILB2", Tile(0x808080, w, h));
    ButtonDesc desc = ButtonDesc();
    desc.type = kind;
    if (kind == BT_SLIDER) {
        desc.range = 255;
        desc.value = 128;
    }
    AddBlock(handle, name, "BUT", qnl::EncodeButtonDesc(desc));
}

} // namespace

std::string TestLayout() {
    return testing_support::ReadFile(std::string(QUENLAR_TEST_DATA) + "/launcher/layout.xml");
}

void WriteLauncherPackage(const LauncherPackage &package) {
    ASSERT_EQ(1, Quenlar.Init(0));
    int handle = IStuffDPF->Create(package.path.c_str());
    ASSERT_GT(handle, 0);
    const std::string layout = package.layout.empty() ? TestLayout() : package.layout;
    ASSERT_FALSE(layout.empty());
    AddBlock(handle, "layout.xml", "FILE", Bytes(layout.begin(), layout.end()));

    const std::pair<const char *, std::pair<const char *, Bytes>> blocks[] = {
        {"demo_icon", {"IMG", Picture(0xFFFFFF, 32, 32)}},
        {"demo_cursor", {"IMG", Picture(0xFFFF00, 8, 8)}},
        {"demo_bggeneral", {"IMG", Picture(kGeneralColor)}},
        {"demo_bgvideo", {"IMG", Picture(kVideoColor)}},
        {"demo_bgaudio", {"IMG", Picture(kAudioColor)}},
        {"logo_win", {"SPR2", Logo()}},
        {"demo_font", {"FONT2", Font()}},
        {"demo_click", {"SND", Wave(package.clickMs)}},
        {"demo_music", {"MUS", package.badMusic ? Bytes(64, 'x') : Wave(200)}},
    };
    for (const auto &[name, block] : blocks)
        if (package.omit != name) AddBlock(handle, name, block.first, block.second);

    // Odd sizes on purpose: texts beside them are centred by halves.
    const struct {
        const char *name;
        Uint8 kind;
        int w, h;
    } buttons[] = {
        {"demo_exit", BT_NORMAL, 61, 25},      {"demo_play", BT_NORMAL, 61, 25},
        {"demo_save", BT_NORMAL, 61, 25},      {"demo_tabgeneral", BT_CHECK, 70, 21},
        {"demo_tabvideo", BT_CHECK, 70, 21},   {"demo_tabaudio", BT_CHECK, 70, 21},
        {"demo_check", BT_CHECK, 13, 13},      {"demo_radio", BT_CHECK, 13, 13},
        {"demo_benchmark", BT_NORMAL, 81, 21}, {"demo_slider", BT_SLIDER, 151, 11},
        {"demo_web", BT_NORMAL, 41, 17},       {"demo_manual", BT_NORMAL, 41, 17},
    };
    for (const auto &b : buttons)
        if (package.omit != b.name) AddButton(handle, b.name, b.kind, b.w, b.h);
    IStuffDPF->Close(handle);

    if (package.config) {
        QuenlarConfig config = *package.config;
        ASSERT_EQ(1, Quenlar.WriteConfig(nullptr, "setup.xml", &config));
    }
    Quenlar.Quit();
}

void WriteLauncherPackage(const std::string &path, const std::string &omit) {
    LauncherPackage package;
    package.path = path;
    package.omit = omit;
    WriteLauncherPackage(package);
}
