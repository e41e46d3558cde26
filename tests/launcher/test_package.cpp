#include "test_package.h"

#include <quenlar/gfx/imageblock.h>
#include <quenlar/quenlar.h>
#include "support.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

void AddBlock(int handle, const char *name, const char *type, const std::vector<Uint8> &bytes) {
    DPFBlock block = {};
    snprintf(block.name, sizeof block.name, "%s", name);
    snprintf(block.type, sizeof block.type, "%s", type);
    block.mode = 0;
    block.size = (unsigned)bytes.size();
    block.data = (char *)bytes.data();
    ASSERT_GT(IStuffDPF->AddData(handle, &block), 0) << name;
}

std::vector<Uint8> Picture(Uint32 rgb, int width = 430, int height = 400) {
    SDL_Surface *s =
        SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(s, nullptr, rgb);
    std::vector<Uint8> payload = qnl::EncodeImageBlock(s, qnl::kNoColorKey, 255);
    SDL_FreeSurface(s);
    return payload;
}

} // namespace

void WriteLauncherPackage(const std::string &path, const std::string &omit) {
    ASSERT_EQ(1, Quenlar.Init(0));
    int handle = IStuffDPF->Create(path.c_str());
    ASSERT_GT(handle, 0);
    std::string layout =
        testing_support::ReadFile(std::string(QUENLAR_TEST_DATA) + "/layout/complete.xml");
    ASSERT_FALSE(layout.empty());
    const std::pair<const char *, std::vector<Uint8>> blocks[] = {
        {"demo_icon", Picture(0xFFFFFF, 32, 32)},
        {"demo_bggeneral", Picture(kGeneralColor)},
        {"demo_bgvideo", Picture(kVideoColor)},
        {"demo_bgaudio", Picture(kAudioColor)},
    };
    AddBlock(handle, "layout.xml", "FILE", std::vector<Uint8>(layout.begin(), layout.end()));
    for (const auto &[name, bytes] : blocks)
        if (omit != name) AddBlock(handle, name, "IMG", bytes);
    IStuffDPF->Close(handle);
    Quenlar.Quit();
}
