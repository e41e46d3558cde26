#include "video/engine_fixture.h"

#include <quenlar/gfx/blit.h>
#include <quenlar/gfx/surface.h>

namespace {
SDL_Surface *Make(int w, int h, int bpp, Uint32 r, Uint32 g, Uint32 b, Uint32 a = 0) {
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, bpp, r, g, b, a);
}

// A blit that reports lost video memory on its first call.
int g_blits = 0;
int LosesOnce(SDL_Surface *src, SDL_Rect *srcrect, SDL_Surface *dst, SDL_Rect *dstrect) {
    if (g_blits++ == 0) {
        if (dstrect) dstrect->w = dstrect->h = 0; // SDL clips in place
        return -2;
    }
    return SDL_UpperBlit(src, srcrect, dst, dstrect);
}
} // namespace

class SurfaceHelpers : public EngineTest {
protected:
    void SetUp() override {
        Start();
        g_blits = 0;
    }
    void TearDown() override {
        qnl::SetBlitFunction(nullptr);
        EngineTest::TearDown();
    }
};

TEST_F(SurfaceHelpers, DisplayFormatTest) {
    SDL_Surface *s = Make(4, 4, 32, 0xFF0000, 0xFF00, 0xFF);
    EXPECT_EQ(0, qnl::NeedsDisplayFormat(s)); // no screen: nothing to convert to
    OpenScreen(16, 16, 32);
    const SDL_PixelFormat *f = Quenlar.screen->format;
    SDL_Surface *same = Make(4, 4, 32, f->Rmask, f->Gmask, f->Bmask, f->Amask);
    EXPECT_EQ(0, qnl::NeedsDisplayFormat(same));
    SDL_Surface *swapped = Make(4, 4, 32, f->Bmask, f->Gmask, f->Rmask);
    EXPECT_EQ(1, qnl::NeedsDisplayFormat(swapped));
    SDL_Surface *alpha = Make(4, 4, 32, f->Rmask, f->Gmask, f->Bmask, 0xFF000000);
    EXPECT_EQ(1, qnl::NeedsDisplayFormat(alpha));
    SDL_Surface *deep = Make(4, 4, 16, 0xF800, 0x07E0, 0x001F);
    EXPECT_EQ(1, qnl::NeedsDisplayFormat(deep));
    for (SDL_Surface *x : {s, same, swapped, alpha, deep})
        SDL_FreeSurface(x);
}

TEST_F(SurfaceHelpers, ConversionKeepsAlphaWhenAsked) {
    OpenScreen(16, 16, 32);
    SDL_Surface *s = Make(4, 4, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
    SDL_FillRect(s, nullptr, SDL_MapRGBA(s->format, 10, 20, 30, 40));
    SDL_Surface *converted = qnl::ConvertToDisplayFormat(s, true);
    ASSERT_NE(s, converted);
    EXPECT_NE(0u, converted->format->Amask);
    EXPECT_EQ(255, converted->format->alpha);
    Uint8 r, g, b, a;
    SDL_GetRGBA(*static_cast<Uint32 *>(converted->pixels), converted->format, &r, &g, &b, &a);
    EXPECT_EQ(10, r);
    EXPECT_EQ(40, a);

    SDL_Surface *plain = qnl::ConvertToDisplayFormat(converted, false);
    EXPECT_EQ(0, qnl::NeedsDisplayFormat(plain));
    SDL_FreeSurface(plain);
}

TEST_F(SurfaceHelpers, ConversionSwitchStartsOn) {
    EXPECT_TRUE(qnl::ImageConversion());
    qnl::SetImageConversion(false);
    EXPECT_FALSE(qnl::ImageConversion());
    qnl::SetImageConversion(true);
}

TEST_F(SurfaceHelpers, BackupOnlyWhileSurfacesCanBeLost) {
    SDL_Surface *s = Make(3, 3, 32, 0xFF0000, 0xFF00, 0xFF);
    qnl::PixelBackup backup;
    backup.Take(s);
    EXPECT_TRUE(backup.Empty());
    Quenlar.lostsurfaces = 1;
    backup.Take(s);
    EXPECT_FALSE(backup.Empty());
    SDL_FreeSurface(s);
}

TEST_F(SurfaceHelpers, LostSurfaceIsRefilledAndDrawnAgain) {
    Quenlar.lostsurfaces = 1;
    SDL_Surface *src = Make(2, 2, 32, 0xFF0000, 0xFF00, 0xFF);
    SDL_Surface *dst = Make(8, 8, 32, 0xFF0000, 0xFF00, 0xFF);
    SDL_FillRect(src, nullptr, 0xABCDEF);
    qnl::PixelBackup backup;
    backup.Take(src);
    SDL_FillRect(src, nullptr, 0); // the video memory is gone
    qnl::SetBlitFunction(LosesOnce);
    SDL_Rect at = {5, 6, 0, 0};
    EXPECT_EQ(0, qnl::BlitWithRestore(src, nullptr, dst, &at, &backup));
    EXPECT_EQ(2, g_blits);
    EXPECT_EQ(0xABCDEFu, IPrimitives->GetPixel(src, 1, 1));
    EXPECT_EQ(0xABCDEFu, IPrimitives->GetPixel(dst, 6, 7)); // at the original place
    EXPECT_TRUE(Logged(" . [Quenlar_Blit()] Info: lost surface was restored.\n"));
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}

TEST_F(SurfaceHelpers, LostSurfaceStaysLostWithoutTheFlagOrABackup) {
    SDL_Surface *src = Make(2, 2, 32, 0xFF0000, 0xFF00, 0xFF);
    SDL_Surface *dst = Make(4, 4, 32, 0xFF0000, 0xFF00, 0xFF);
    qnl::SetBlitFunction(LosesOnce);
    qnl::PixelBackup empty;
    EXPECT_EQ(-2, qnl::BlitWithRestore(src, nullptr, dst, nullptr, &empty));
    EXPECT_EQ(1, g_blits);

    // A backup taken while the flag was set, but the flag is clear now.
    Quenlar.lostsurfaces = 1;
    qnl::PixelBackup backup;
    backup.Take(src);
    Quenlar.lostsurfaces = 0;
    g_blits = 0;
    EXPECT_EQ(-2, qnl::BlitWithRestore(src, nullptr, dst, nullptr, &backup));
    EXPECT_EQ(1, g_blits);
    EXPECT_FALSE(Logged("lost surface was restored"));

    // Other failures are not examined.
    qnl::SetBlitFunction(nullptr);
    EXPECT_EQ(-1, qnl::BlitWithRestore(nullptr, nullptr, dst, nullptr, &backup));
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}
