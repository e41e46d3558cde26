// Keyed pictures stay transparent whatever display format they are
// converted to: the key follows its colour through the conversion.
#include "video/engine_fixture.h"

#include <quenlar/gfx/imageblock.h>
#include <quenlar/gfx/pixel_private.h>
#include <quenlar/gfx/surface.h>

#include <cstring>

namespace {

// A picture of one source depth, 4 x 2 pixels: the key colour (magenta) on
// the left half, on the right a colour close to it.
struct Source {
    int bpp;
    Uint32 r, g, b;
    Uint32 key, other; // raw pixels of the source format
};

const Source kSources[] = {
    {8, 0, 0, 0, 7, 9},                                     // palette
    {16, 0xF800, 0x07E0, 0x001F, 0xF81F, 0xF85F},           // 5-6-5
    {16, 0x7C00, 0x03E0, 0x001F, 0x7C1F, 0x7C3F},           // 5-5-5
    {24, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF00FF, 0xFF08FF}, // RGB
    {24, 0x0000FF, 0x00FF00, 0xFF0000, 0xFF00FF, 0xFF08FF}, // BGR
    {32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF00FF, 0xFF08FF}, // XRGB
    {32, 0x0000FF, 0x00FF00, 0xFF0000, 0xFF00FF, 0xFF08FF}, // XBGR
};

SDL_Surface *Picture(const Source &src) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 2, src.bpp, src.r, src.g, src.b, 0);
    if (src.bpp == 8) {
        SDL_Color colors[256] = {};
        colors[src.key] = {255, 0, 255, 0};
        colors[src.other] = {255, 8, 255, 0};
        SDL_SetColors(s, colors, 0, 256);
    }
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            qnl::WriteRawPixel(s, x, y, x < 2 ? src.key : src.other);
    return s;
}

// The picture as IImage->Load makes it from an "IMG" block.
SDL_Surface *Loaded(const Source &src) {
    SDL_Surface *s = Picture(src);
    std::vector<Uint8> payload = qnl::EncodeImageBlock(s, src.key, 255);
    SDL_FreeSurface(s);
    const int h = IStuffDPF->Create("keys.dpf");
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    std::strcpy(block.name, "sprite");
    std::strcpy(block.type, "IMG");
    block.size = (unsigned int)payload.size();
    block.data = reinterpret_cast<char *>(payload.data());
    IStuffDPF->AddData(h, &block);
    SDL_Surface *img = IImage->Load(h, "sprite");
    IStuffDPF->Close(h);
    return img;
}

Uint32 Rgb(SDL_Surface *s, int x, int y) {
    Uint8 r, g, b;
    SDL_GetRGB(IPrimitives->GetPixel(s, x, y), s->format, &r, &g, &b);
    return (Uint32)r << 16 | g << 8 | b;
}

} // namespace

class ColorKey : public EngineTest {
protected:
    void SetUp() override { Start(); }

    // Draws `img` on a green screen: the key colour must leave it green.
    void ExpectKeyedDraw(SDL_Surface *img) {
        ASSERT_NE(nullptr, img);
        EXPECT_TRUE(img->flags & SDL_SRCCOLORKEY);
        SDL_Surface *screen = Quenlar.screen;
        SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0x80, 0));
        const Uint32 background = Rgb(screen, 7, 3); // outside the picture
        SDL_BlitSurface(img, nullptr, screen, nullptr);
        EXPECT_EQ(background, Rgb(screen, 0, 0));
        EXPECT_EQ(background, Rgb(screen, 1, 1));
        EXPECT_NE(background, Rgb(screen, 3, 1)); // the other colour is drawn
        SDL_FreeSurface(img);
    }
};

TEST_F(ColorKey, KeyFollowsEverySourceDepthOntoSixteenAndThirtyTwoBitScreens) {
    for (int screenDepth : {16, 32}) {
        OpenScreen(8, 4, screenDepth);
        for (const Source &src : kSources) {
            SCOPED_TRACE(testing::Message()
                         << src.bpp << "-bit source with red mask 0x" << std::hex << src.r
                         << " onto " << std::dec << screenDepth << " bits");
            ExpectKeyedDraw(Loaded(src));
            // Any conversion, run-length encoded or not.
            for (Uint32 rle : {0u, (Uint32)SDL_RLEACCEL}) {
                SDL_Surface *s = Picture(src);
                SDL_SetColorKey(s, SDL_SRCCOLORKEY | rle, src.key);
                ExpectKeyedDraw(qnl::ConvertToDisplayFormat(s, false));
            }
        }
    }
}
