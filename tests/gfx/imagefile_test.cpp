#include <quenlar/gfx/imageconvert.h>
#include <quenlar/gfx/pixel_private.h>
#include <quenlar/gfx/pngwriter.h>
#include "support/support.h"

#include <SDL_image.h>
#include <gtest/gtest.h>
#include <cstdlib>

namespace {
struct Rgba {
    Uint8 r, g, b, a;
};
Rgba At(SDL_Surface *s, int x, int y) {
    Rgba c;
    SDL_GetRGBA(qnl::ReadRawPixel(s, x, y), s->format, &c.r, &c.g, &c.b, &c.a);
    return c;
}
SDL_Surface *Decode(const std::vector<Uint8> &png) {
    SDL_RWops *rw = SDL_RWFromConstMem(png.data(), (int)png.size());
    SDL_Surface *s = IMG_LoadPNG_RW(rw);
    SDL_RWclose(rw);
    return s;
}
// A picture of 40 distinct colours with varying alpha.
SDL_Surface *Picture(bool alpha) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 5, 32, 0xFF, 0xFF00, 0xFF0000,
                                          alpha ? 0xFF000000 : 0);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            qnl::WriteRawPixel(s, x, y,
                               SDL_MapRGBA(s->format, (Uint8)(x * 32), (Uint8)(y * 60),
                                           (Uint8)(x * y * 6), (Uint8)(255 - x * 30)));
    return s;
}
} // namespace

TEST(PngWriter, RoundTripsThroughThePngReader) {
    SDL_Surface *src = Picture(true);
    SDL_Surface *back = Decode(qnl::EncodePNG(src));
    ASSERT_NE(nullptr, back);
    ASSERT_NE(0u, back->format->Amask);
    for (int y = 0; y < src->h; ++y) {
        for (int x = 0; x < src->w; ++x) {
            const Rgba a = At(src, x, y), b = At(back, x, y);
            EXPECT_EQ(a.r, b.r);
            EXPECT_EQ(a.b, b.b);
            EXPECT_EQ(a.a, b.a);
        }
    }
    SDL_FreeSurface(back);
    SDL_FreeSurface(src);
}

TEST(PngWriter, ColourKeyBecomesTransparencyAndOpaqueStaysRGB) {
    SDL_Surface *src = Picture(false);
    SDL_Surface *back = Decode(qnl::EncodePNG(src));
    ASSERT_NE(nullptr, back);
    EXPECT_EQ(0u, back->format->Amask);
    EXPECT_EQ(At(src, 3, 4).g, At(back, 3, 4).g);
    SDL_FreeSurface(back);

    SDL_SetColorKey(src, SDL_SRCCOLORKEY, qnl::ReadRawPixel(src, 2, 1));
    back = Decode(qnl::EncodePNG(src));
    ASSERT_NE(nullptr, back);
    EXPECT_EQ(0, At(back, 2, 1).a);
    EXPECT_EQ(255, At(back, 3, 1).a);
    SDL_FreeSurface(back);
    SDL_FreeSurface(src);

    EXPECT_TRUE(qnl::EncodePNG(nullptr).empty());
    EXPECT_EQ(0, qnl::SavePNG(nullptr, "x.png"));
}

TEST(ImageConvert, EveryDepthKeepsThePicture) {
    SDL_Surface *src = Picture(true);
    for (int bpp : {8, 16, 24, 32}) {
        SDL_Surface *d = qnl::ConvertDepth(src, bpp);
        ASSERT_NE(nullptr, d) << bpp;
        EXPECT_EQ(bpp, d->format->BitsPerPixel);
        // 565 keeps 5 or 6 bits, 4444 keeps 4; the others are exact.
        const int tolerance = bpp == 16 ? 17 : 0;
        for (int y = 0; y < src->h; ++y) {
            for (int x = 0; x < src->w; ++x) {
                const Rgba a = At(src, x, y), b = At(d, x, y);
                EXPECT_NEAR(a.r, b.r, tolerance) << bpp << " " << x << "," << y;
                EXPECT_NEAR(a.g, b.g, tolerance) << bpp;
                EXPECT_NEAR(a.b, b.b, tolerance) << bpp;
                if (bpp == 32 || bpp == 16)
                    EXPECT_NEAR(a.a, b.a, tolerance) << bpp;
                else
                    EXPECT_EQ(255, b.a) << bpp;
            }
        }
        SDL_FreeSurface(d);
    }
    EXPECT_EQ(nullptr, qnl::ConvertDepth(src, 12));
    SDL_FreeSurface(src);
}

TEST(ImageConvert, TooManyColoursForAPaletteGetTheFixedOne) {
    SDL_Surface *src = SDL_CreateRGBSurface(SDL_SWSURFACE, 32, 32, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            qnl::WriteRawPixel(src, x, y, (Uint32)(x * 8) << 16 | (Uint32)(y * 8) << 8 | 77);
    SDL_Surface *d = qnl::ConvertDepth(src, 8);
    ASSERT_NE(nullptr, d);
    for (int y = 0; y < 32; y += 7) {
        for (int x = 0; x < 32; x += 5) {
            const Rgba a = At(src, x, y), b = At(d, x, y);
            EXPECT_NEAR(a.r, b.r, 37);
            EXPECT_NEAR(a.g, b.g, 37);
            EXPECT_NEAR(a.b, b.b, 43);
        }
    }
    SDL_FreeSurface(d);
    SDL_FreeSurface(src);
}

TEST(ImageConvert, LoadsPngAndBmpFilesByTheirSignature) {
    testing_support::TempDir dir;
    SDL_Surface *src = Picture(false);
    ASSERT_EQ(1, qnl::SavePNG(src, "picture.png"));
    ASSERT_EQ(0, SDL_SaveBMP(src, "picture.bmp"));
    testing_support::WriteFile("picture.txt", "BM but not a bitmap");
    for (const char *name : {"picture.png", "picture.bmp"}) {
        SDL_Surface *s = qnl::LoadImageFile(name);
        ASSERT_NE(nullptr, s) << name;
        EXPECT_EQ(8, s->w);
        EXPECT_EQ(At(src, 7, 4).b, At(s, 7, 4).b) << name;
        SDL_FreeSurface(s);
    }
    EXPECT_EQ(nullptr, qnl::LoadImageFile("picture.txt"));
    EXPECT_EQ(nullptr, qnl::LoadImageFile("missing.png"));
    SDL_FreeSurface(src);
}
