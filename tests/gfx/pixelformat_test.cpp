// Pictures come out the same on classic SDL 1.2 and on sdl12-compat: stored
// layouts the library lacks, channels narrower than 8 bits, 5-5-5 pixels.
#include "video/engine_fixture.h"

#include <quenlar/gfx/imageblock.h>
#include <quenlar/gfx/pixel_private.h>
#include <quenlar/gfx/surface.h>

#include <algorithm>
#include <ostream>
#include <vector>

namespace {
struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba &o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};
std::ostream &operator<<(std::ostream &out, const Rgba &c) {
    return out << c.r << "," << c.g << "," << c.b << "," << c.a;
}

Rgba ColourOf(const SDL_Surface *s, Uint32 pixel) {
    Uint8 r, g, b, a;
    SDL_GetRGBA(pixel, s->format, &r, &g, &b, &a);
    return {r, g, b, a};
}
Rgba ColourAt(const SDL_Surface *s, int x) {
    return ColourOf(s, qnl::ReadRawPixel(s, x, 0));
}

// An "IMG" payload of one row of little-endian pixels.
std::vector<Uint8> Block(int bpp, const Uint32 masks[4], const std::vector<Uint32> &pixels,
                         Uint32 key = qnl::kNoColorKey) {
    const int bytes = bpp / 8;
    const size_t pitch = (pixels.size() * bytes + 3) & ~(size_t)3;
    std::vector<Uint8> b(qnl::kImageHeaderSize + pitch, 0);
    auto put = [&b](size_t at, Uint32 v, int n) {
        for (int i = 0; i < n; ++i)
            b[at + i] = (Uint8)(v >> (8 * i));
    };
    put(0, (Uint32)pixels.size(), 4);
    put(4, 1, 4);
    b[12] = (Uint8)bpp;
    b[13] = (Uint8)bytes;
    for (int i = 0; i < 4; ++i)
        put(24 + 4 * i, masks[i], 4);
    put(40, key, 4);
    b[44] = 255;
    for (size_t x = 0; x < pixels.size(); ++x)
        put(qnl::kImageHeaderSize + x * bytes, pixels[x], bytes);
    return b;
}
} // namespace

TEST(StoredLayouts, ShowTheirColoursWhateverLayoutsTheLibraryHas) {
    struct Case {
        int bpp;
        Uint32 masks[4];
        Uint32 pixel;
        Rgba colour;
        Uint32 key; // also the second pixel
    } cases[] = {
        {24, {0x00FF00, 0x0000FF, 0xFF0000, 0}, 0x563412, {0x34, 0x12, 0x56, 255}, 0x00FF00},
        {16, {0x0F00, 0x00F0, 0x000F, 0}, 0x0F84, {0xFF, 0x88, 0x44, 255}, 0x0F00},
        {32,
         {0xFF000000, 0xFF, 0xFF00, 0xFF0000},
         0x80AB12CD,
         {0x80, 0xCD, 0x12, 0xAB},
         0xFF000000},
        {16, {0x7C00, 0x03E0, 0x001F, 0}, 0x7C1F, {0xFF, 0, 0xFF, 255}, 0x7C00},
    };
    for (const Case &c : cases) {
        const std::vector<Uint8> block = Block(c.bpp, c.masks, {c.pixel, c.key}, c.key);
        SDL_Surface *s = qnl::DecodeImageBlock(block.data(), block.size());
        ASSERT_NE(nullptr, s) << c.bpp;
        EXPECT_EQ(c.colour, ColourAt(s, 0)) << c.bpp << " bits, red mask " << c.masks[0];
        if (!c.masks[3]) { // alpha per pixel takes no key
            EXPECT_TRUE(s->flags & SDL_SRCCOLORKEY);
            EXPECT_EQ(ColourAt(s, 1), ColourOf(s, s->format->colorkey)) << c.bpp;
        }
        SDL_FreeSurface(s);
    }
}

TEST(StoredLayouts, FiveFiveFivePixelsAreStoredAsSixteenBits) {
    const Uint32 masks[4] = {0x7C00, 0x03E0, 0x001F, 0};
    const std::vector<Uint8> block = Block(16, masks, {0x7C1F, 0x03E0});
    SDL_Surface *s = qnl::DecodeImageBlock(block.data(), block.size());
    ASSERT_NE(nullptr, s);
    const std::vector<Uint8> again = qnl::EncodeImageBlock(s, qnl::kNoColorKey, 255);
    ASSERT_EQ(block.size(), again.size());
    EXPECT_EQ(16, again[12]);
    EXPECT_TRUE(std::equal(block.begin() + 48, block.end(), again.begin() + 48));
    SDL_FreeSurface(s);
}

using NarrowChannels = EngineTest;

// Converted to a screen of 8-bit channels, the largest value of a narrow
// channel is 255 and the others are spread evenly up to it.
TEST_F(NarrowChannels, ReachTheScreenFormatWhole) {
    Start();
    OpenScreen(8, 8, 32);
    SDL_Surface *rgb = SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 1, 16, 0xF800, 0x07E0, 0x001F, 0);
    qnl::WriteRawPixel(rgb, 0, 0, 0xFFFF);
    qnl::WriteRawPixel(rgb, 1, 0, 0x8410);
    SDL_SetColorKey(rgb, SDL_SRCCOLORKEY, 0x8410);
    rgb = qnl::ConvertToDisplayFormat(rgb, false);
    EXPECT_EQ((Rgba{255, 255, 255, 255}), ColourAt(rgb, 0));
    EXPECT_EQ((Rgba{0x84, 0x82, 0x84, 255}), ColourAt(rgb, 1));
    EXPECT_TRUE(rgb->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(ColourAt(rgb, 1), ColourOf(rgb, rgb->format->colorkey));

    SDL_Surface *argb =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 1, 16, 0x0F00, 0x00F0, 0x000F, 0xF000);
    qnl::WriteRawPixel(argb, 0, 0, 0xFFFF);
    qnl::WriteRawPixel(argb, 1, 0, 0x8C48);
    argb = qnl::ConvertToDisplayFormat(argb, true);
    EXPECT_EQ((Rgba{255, 255, 255, 255}), ColourAt(argb, 0)); // opaque stays opaque
    EXPECT_EQ((Rgba{0xCC, 0x44, 0x88, 0x88}), ColourAt(argb, 1));
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(argb);
}
