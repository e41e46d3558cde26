#include "video/engine_fixture.h"

#include <quenlar/gfx/gllayer.h>

#include <cstring>

namespace {
SDL_Surface *Make(int w, int h, int bpp, Uint32 r = 0, Uint32 g = 0, Uint32 b = 0, Uint32 a = 0) {
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, bpp, r, g, b, a);
}
} // namespace

class Primitives : public EngineTest {
protected:
    void SetUp() override { Start(); }
};

TEST_F(Primitives, LinesIncludeBothEnds) {
    SDL_Surface *s = Make(20, 20, 32, 0xFF0000, 0xFF00, 0xFF);
    EXPECT_EQ(0, IPrimitives->HLine(s, 10, 10, 5, 7));
    int count = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            count += IPrimitives->GetPixel(s, x, y) == 7;
    EXPECT_EQ(1, count);
    EXPECT_EQ(7u, IPrimitives->GetPixel(s, 10, 5));

    IPrimitives->HLine(s, 2, 4, 1, 9);
    EXPECT_EQ(9u, IPrimitives->GetPixel(s, 2, 1));
    EXPECT_EQ(9u, IPrimitives->GetPixel(s, 4, 1));
    EXPECT_EQ(0u, IPrimitives->GetPixel(s, 5, 1));
    IPrimitives->VLine(s, 3, 10, 12, 8);
    EXPECT_EQ(8u, IPrimitives->GetPixel(s, 3, 10));
    EXPECT_EQ(8u, IPrimitives->GetPixel(s, 3, 12));
    EXPECT_EQ(0u, IPrimitives->GetPixel(s, 3, 13));

    // Ends in reverse order draw the same line, not a line to the edge.
    IPrimitives->HLine(s, 15, 13, 18, 6);
    EXPECT_EQ(6u, IPrimitives->GetPixel(s, 13, 18));
    EXPECT_EQ(6u, IPrimitives->GetPixel(s, 15, 18));
    EXPECT_EQ(0u, IPrimitives->GetPixel(s, 16, 18));
    IPrimitives->VLine(s, 18, 4, 2, 6);
    EXPECT_EQ(6u, IPrimitives->GetPixel(s, 18, 2));
    EXPECT_EQ(0u, IPrimitives->GetPixel(s, 18, 5));
    SDL_FreeSurface(s);
}

TEST_F(Primitives, RectDrawsOutlineOnly) {
    SDL_Surface *s = Make(10, 10, 16, 0xF800, 0x07E0, 0x001F);
    IPrimitives->Rect(s, 1, 2, 6, 8, 0xFFFF);
    for (int x = 1; x <= 6; ++x) {
        EXPECT_EQ(0xFFFFu, IPrimitives->GetPixel(s, x, 2));
        EXPECT_EQ(0xFFFFu, IPrimitives->GetPixel(s, x, 8));
    }
    for (int y = 2; y <= 8; ++y) {
        EXPECT_EQ(0xFFFFu, IPrimitives->GetPixel(s, 1, y));
        EXPECT_EQ(0xFFFFu, IPrimitives->GetPixel(s, 6, y));
    }
    EXPECT_EQ(0u, IPrimitives->GetPixel(s, 3, 5));
    EXPECT_EQ(0u, IPrimitives->GetPixel(s, 7, 5));
    SDL_FreeSurface(s);
}

TEST_F(Primitives, PixelsOfEverySize) {
    struct Case {
        int bpp;
        Uint32 value;
    } cases[] = {{8, 0xA5}, {16, 0xBEEF}, {24, 0x123456}, {32, 0x89ABCDEF}};
    for (const Case &c : cases) {
        SDL_Surface *s = c.bpp == 32   ? Make(5, 3, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000)
                         : c.bpp == 24 ? Make(5, 3, 24, 0xFF0000, 0xFF00, 0xFF)
                                       : Make(5, 3, c.bpp);
        IPrimitives->PutPixel(s, 4, 2, c.value, 1);
        EXPECT_EQ(c.value, IPrimitives->GetPixel(s, 4, 2, 1)) << c.bpp;
        EXPECT_EQ(0u, IPrimitives->GetPixel(s, 3, 2)) << c.bpp;
        // x equal to the width is off the surface (and not the next row).
        IPrimitives->PutPixel(s, 5, 1, c.value);
        EXPECT_EQ(0u, IPrimitives->GetPixel(s, 0, 2)) << c.bpp;
        IPrimitives->PutPixel(s, -1, 0, c.value);
        IPrimitives->PutPixel(s, 0, 3, c.value);
        int set = 0;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                set += IPrimitives->GetPixel(s, x, y) != 0;
        EXPECT_EQ(1, set) << c.bpp;
        SDL_FreeSurface(s);
    }
}

TEST_F(Primitives, TwentyFourBitPixelsFollowTheChannelShifts) {
    SDL_Surface *rgb = Make(2, 1, 24, 0xFF0000, 0x00FF00, 0x0000FF);
    IPrimitives->PutPixel(rgb, 1, 0, 0x112233);
    const Uint8 *p = static_cast<Uint8 *>(rgb->pixels) + 3;
    EXPECT_EQ(0x33, p[0]); // blue at offset 0
    EXPECT_EQ(0x22, p[1]);
    EXPECT_EQ(0x11, p[2]); // red at offset 2
    EXPECT_EQ(0x112233u, IPrimitives->GetPixel(rgb, 1, 0));

    SDL_Surface *bgr = Make(2, 1, 24, 0x0000FF, 0x00FF00, 0xFF0000);
    IPrimitives->PutPixel(bgr, 0, 0, 0x112233);
    p = static_cast<Uint8 *>(bgr->pixels);
    EXPECT_EQ(0x33, p[0]);
    EXPECT_EQ(0x11, p[2]);
    EXPECT_EQ(0x112233u, IPrimitives->GetPixel(bgr, 0, 0));
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(bgr);

    // A malformed format whose red shift points past the three bytes (as a
    // damaged stored record gives it) writes and reads only what lies inside
    // them. The format is bent by hand: not every SDL 1.2 library makes a
    // surface with such masks.
    SDL_Surface *odd = Make(2, 1, 24, 0xFF0000, 0x00FF00, 0x0000FF);
    const SDL_PixelFormat kept = *odd->format;
    odd->format->Rmask = 0xFF000000;
    odd->format->Rshift = 24;
    IPrimitives->PutPixel(odd, 0, 0, 0xFFFFFFFF);
    EXPECT_EQ(0x00FFFFu, IPrimitives->GetPixel(odd, 0, 0));
    p = static_cast<Uint8 *>(odd->pixels);
    EXPECT_EQ(0, p[2]); // the byte the red shift names is not written...
    EXPECT_EQ(0, p[3]); // ...and the next pixel is left alone
    *odd->format = kept;
    SDL_FreeSurface(odd);
}

// SDL leaves undefined the bits no channel uses, and the SDL 1.2 libraries
// fill them differently; a pixel read equals SDL_MapRGB's value of its colour.
TEST_F(Primitives, ReadPixelsHoldOnlyTheChannels) {
    SDL_Surface *rgb = Make(1, 1, 32, 0xFF0000, 0xFF00, 0xFF);
    SDL_Surface *argb = Make(1, 1, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    IPrimitives->PutPixel(argb, 0, 0, 0xFF123456);
    SDL_BlitSurface(argb, nullptr, rgb, nullptr);
    EXPECT_EQ(SDL_MapRGB(rgb->format, 0x12, 0x34, 0x56), IPrimitives->GetPixel(rgb, 0, 0));
    IPrimitives->PutPixel(rgb, 0, 0, 0xFF654321);
    EXPECT_EQ(0x654321u, IPrimitives->GetPixel(rgb, 0, 0));

    SDL_Surface *rgb555 = Make(1, 1, 16, 0x7C00, 0x03E0, 0x001F);
    IPrimitives->PutPixel(rgb555, 0, 0, 0xFFFF);
    EXPECT_EQ(0x7FFFu, IPrimitives->GetPixel(rgb555, 0, 0));
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(argb);
    SDL_FreeSurface(rgb555);
}

TEST_F(Primitives, ClipRectangleAndOffSurfaceReads) {
    SDL_Surface *s = Make(8, 8, 32, 0xFF0000, 0xFF00, 0xFF);
    SDL_Rect clip = {2, 2, 3, 3};
    SDL_SetClipRect(s, &clip);
    IPrimitives->PutPixel(s, 1, 3, 1);
    IPrimitives->PutPixel(s, 5, 3, 1);
    IPrimitives->PutPixel(s, 4, 4, 1);
    EXPECT_EQ(0u, IPrimitives->GetPixel(s, 1, 3));
    EXPECT_EQ(0u, IPrimitives->GetPixel(s, 5, 3));
    EXPECT_EQ(1u, IPrimitives->GetPixel(s, 4, 4));
    // Reading off the surface gives 0 rather than memory beyond it.
    EXPECT_EQ(0u, IPrimitives->GetPixel(s, 8, 0));
    EXPECT_EQ(0u, IPrimitives->GetPixel(s, 0, -1));
    EXPECT_EQ(0u, IPrimitives->GetPixel(nullptr, 0, 0));
    IPrimitives->PutPixel(nullptr, 0, 0, 1);
    SDL_FreeSurface(s);
}

TEST_F(Primitives, LocksOnlyWhatSDLRequires) {
    SDL_Surface *plain = Make(4, 4, 32, 0xFF0000, 0xFF00, 0xFF);
    IPrimitives->Lock(plain);
    EXPECT_EQ(0, plain->locked); // a software surface without RLE is never locked
    IPrimitives->Unlock(plain);

    // Run-length encoding asked for: classic SDL 1.2 encodes the runs on the
    // first blit and then requires a lock to reach the pixels; sdl12-compat
    // keeps them plain and requires none. Either way the lock is taken
    // exactly when SDL requires it, and a pixel written with the lock flag
    // shows in the next blit.
    SDL_Surface *rle = Make(4, 4, 32, 0xFF0000, 0xFF00, 0xFF);
    SDL_SetColorKey(rle, SDL_SRCCOLORKEY | SDL_RLEACCEL, 0);
    SDL_BlitSurface(rle, nullptr, plain, nullptr);
    const int required = SDL_MUSTLOCK(rle) ? 1 : 0;
    IPrimitives->Lock(rle);
    EXPECT_EQ(required, rle->locked);
    IPrimitives->Unlock(rle);
    EXPECT_EQ(0, rle->locked);
    IPrimitives->PutPixel(rle, 1, 1, 0x00FF00, 1);
    EXPECT_EQ(0, rle->locked);
    EXPECT_EQ(0x00FF00u, IPrimitives->GetPixel(rle, 1, 1, 1));
    SDL_BlitSurface(rle, nullptr, plain, nullptr);
    EXPECT_EQ(0x00FF00u, IPrimitives->GetPixel(plain, 1, 1));
    EXPECT_EQ(0u, IPrimitives->GetPixel(plain, 2, 1)); // the key colour stays transparent
    SDL_FreeSurface(plain);
    SDL_FreeSurface(rle);
}

TEST_F(Primitives, TextureSurfacesUnderOpenGL) {
    Quenlar.renderer = 64;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    ASSERT_EQ(1, Quenlar.IsOpenGL());
    SDL_Surface *texture = Make(4, 4, 32, 0xFF0000, 0xFF00, 0xFF);
    ASSERT_EQ(1, qnl::gl::Upload(texture));
    IPrimitives->PutPixel(texture, 1, 1, 0x123456);
    EXPECT_EQ(0u, IPrimitives->GetPixel(texture, 1, 1)); // only the screen takes pixels
    qnl::gl::PutPixel(texture, 1, 1, 0x654321);
    EXPECT_EQ(0x654321u, IPrimitives->GetPixel(texture, 1, 1)); // read through the layer

    qnl::gl::Upload(Quenlar.screen);
    IPrimitives->PutPixel(Quenlar.screen, 2, 3, 0x42);
    EXPECT_EQ(0x42u, IPrimitives->GetPixel(Quenlar.screen, 2, 3));
    SDL_FreeSurface(texture);
}

TEST(Video, InterfaceLogsItsLife) {
    testing_support::TempDir dir;
    testing_support::LogCapture log(5);
    ASSERT_EQ(1, Quenlar.Init(SDL_INIT_VIDEO));
    ASSERT_NE(nullptr, IVideo);
    Quenlar.Quit();
    EXPECT_NE(std::string::npos, log.Body().find(" . [IVideo] Interfaz created.\n"));
    EXPECT_NE(std::string::npos, log.Body().find(" . [IVideo] Interfaz deleted.\n"));
}
