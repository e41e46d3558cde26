#include "video/engine_fixture.h"

#include <quenlar/gfx/gllayer.h>
#include <quenlar/gfx/surface.h>

#include <string>

namespace {
std::string Data(const std::string &name) {
    return testing_support::ReadFile(std::string(QUENLAR_TEST_DATA) + "/gfx/" + name);
}
Uint32 Rgba(SDL_Surface *s, int x, int y) {
    Uint8 r, g, b, a;
    SDL_GetRGBA(IPrimitives->GetPixel(s, x, y), s->format, &r, &g, &b, &a);
    return (Uint32)r << 24 | (Uint32)g << 16 | (Uint32)b << 8 | a;
}
} // namespace

class LoadPNG : public EngineTest {
protected:
    void SetUp() override { Start(); }
};

TEST_F(LoadPNG, DecodesWithoutScreenInItsOwnFormat) {
    const std::string png = Data("rgba_4x2.png");
    SDL_Surface *s = IImage->LoadPNG(png.data(), (int)png.size());
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(4, s->w);
    EXPECT_EQ(2, s->h);
    EXPECT_NE(0u, s->format->Amask);
    EXPECT_EQ(0xFF0000FFu, Rgba(s, 0, 0));
    EXPECT_EQ(0x80808080u, Rgba(s, 1, 1));
    EXPECT_EQ(0x00FFFF40u, Rgba(s, 3, 1));
    EXPECT_EQ(0xFFFFFFFFu, s->format->colorkey); // recorded as none
    SDL_FreeSurface(s);
}

TEST_F(LoadPNG, ConvertsToTheScreenKeepingAlpha) {
    OpenScreen(16, 16, 32);
    const std::string png = Data("rgba_4x2.png");
    SDL_Surface *s = IImage->LoadPNG(png.data(), (int)png.size());
    ASSERT_NE(nullptr, s);
    const SDL_PixelFormat *screen = Quenlar.screen->format;
    EXPECT_EQ(screen->Rmask, s->format->Rmask);
    EXPECT_NE(0u, s->format->Amask);
    EXPECT_EQ(255, s->format->alpha);
    EXPECT_EQ(0x80808080u, Rgba(s, 1, 1));
    SDL_FreeSurface(s);

    const std::string rgb = Data("rgb_3x2.png");
    s = IImage->LoadPNG(rgb.data(), (int)rgb.size());
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(0, qnl::NeedsDisplayFormat(s));
    EXPECT_FALSE(s->flags & (SDL_SRCALPHA | SDL_SRCCOLORKEY));
    EXPECT_EQ(0x0A141EFFu, Rgba(s, 0, 1));
    EXPECT_EQ(0xFFFFFFFFu, s->format->colorkey);
    SDL_FreeSurface(s);
}

TEST_F(LoadPNG, ConversionSwitchOffKeepsTheStoredFormat) {
    OpenScreen(16, 16, 32);
    qnl::SetImageConversion(false);
    const std::string rgb = Data("rgb_3x2.png");
    SDL_Surface *s = IImage->LoadPNG(rgb.data(), (int)rgb.size());
    qnl::SetImageConversion(true);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(24, s->format->BitsPerPixel);
    SDL_FreeSurface(s);
}

TEST_F(LoadPNG, UploadsUnderOpenGL) {
    Quenlar.renderer = 64;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    const std::string rgb = Data("rgb_3x2.png");
    SDL_Surface *s = IImage->LoadPNG(rgb.data(), (int)rgb.size());
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(1, qnl::gl::IsTexture(s));
    SDL_FreeSurface(s);
}

TEST_F(LoadPNG, RejectsWhatIsNotPNG) {
    const std::string png = Data("rgba_4x2.png");
    EXPECT_EQ(nullptr, IImage->LoadPNG(nullptr, 10));
    EXPECT_EQ(nullptr, IImage->LoadPNG(png.data(), 0));
    EXPECT_EQ(nullptr, IImage->LoadPNG("not a picture", 13));
    EXPECT_EQ(nullptr, IImage->LoadPNG(png.data(), 40)); // cut short
}
