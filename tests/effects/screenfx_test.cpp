#include "video/engine_fixture.h"

#include <quenlar/gfx/gllayer.h>
#include <quenlar/gfx/pixel_private.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cmath>
#include <limits>

namespace {
struct Depth {
    int bpp;
    Uint32 r, g, b, a;
};
const Depth kDepths[] = {{8, 0, 0, 0, 0},
                         {16, 0xF800, 0x07E0, 0x001F, 0},
                         {24, 0xFF0000, 0x00FF00, 0x0000FF, 0},
                         {32, 0xFF0000, 0x00FF00, 0x0000FF, 0}};
const Depth kRGBA = {32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};

SDL_Surface *Make(const Depth &d, int w, int h) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, d.bpp, d.r, d.g, d.b, d.a);
    if (d.bpp == 8) {
        SDL_Color grey[256];
        for (int i = 0; i < 256; ++i)
            grey[i] = {(Uint8)i, (Uint8)i, (Uint8)(255 - i), 0};
        SDL_SetColors(s, grey, 0, 256);
    }
    return s;
}
Uint32 At(SDL_Surface *s, int x, int y) {
    return qnl::ReadRawPixel(s, x, y);
}
void Put(SDL_Surface *s, int x, int y, Uint32 v) {
    qnl::WriteRawPixel(s, x, y, v);
}
// Pixel (x, y) of a w-wide test picture: distinct small values at any depth.
Uint32 Pattern(int x, int y, int w) {
    return (Uint32)(1 + x + y * w) % 250;
}
SDL_Surface *Picture(const Depth &d, int w, int h) {
    SDL_Surface *s = Make(d, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            Put(s, x, y, Pattern(x, y, w));
    return s;
}
bool SameSize(SDL_Surface *s, int w, int h) {
    return s && s->w == w && s->h == h;
}
} // namespace

class ScreenFX : public EngineTest {
protected:
    void SetUp() override { Start(); }
};

TEST_F(ScreenFX, MirrorAndFlipReverseAtEveryDepthAndCarryKeyAlphaPalette) {
    for (const Depth &d : kDepths) {
        SCOPED_TRACE(d.bpp);
        SDL_Surface *row = Picture(d, 3, 1); // p q r
        SDL_SetColorKey(row, SDL_SRCCOLORKEY, 2);
        SDL_SetAlpha(row, SDL_SRCALPHA, 128);
        SDL_Surface *m = IScreenFX->Mirror(row);
        ASSERT_TRUE(SameSize(m, 3, 1));
        EXPECT_EQ(3u, At(m, 0, 0));
        EXPECT_EQ(2u, At(m, 1, 0));
        EXPECT_EQ(1u, At(m, 2, 0));
        EXPECT_TRUE(m->flags & SDL_SRCCOLORKEY);
        EXPECT_EQ(2u, m->format->colorkey);
        EXPECT_EQ(128, m->format->alpha);
        if (d.bpp == 8) {
            EXPECT_EQ(0, memcmp(row->format->palette->colors, m->format->palette->colors,
                                256 * sizeof(SDL_Color)));
        }
        SDL_Rect right = {1, 0, 5, 1}; // clipped to q r
        SDL_Surface *part = IScreenFX->Mirror(row, &right);
        ASSERT_TRUE(SameSize(part, 2, 1));
        EXPECT_EQ(3u, At(part, 0, 0));
        EXPECT_EQ(2u, At(part, 1, 0));

        SDL_Surface *column = Picture(d, 1, 3);
        SDL_Surface *f = IScreenFX->Flip(column);
        ASSERT_TRUE(SameSize(f, 1, 3));
        EXPECT_EQ(3u, At(f, 0, 0));
        EXPECT_EQ(1u, At(f, 0, 2));
        EXPECT_FALSE(f->flags & SDL_SRCCOLORKEY);
        for (SDL_Surface *s : {row, m, part, column, f})
            SDL_FreeSurface(s);
    }
}

TEST_F(ScreenFX, ZoomSizesAndCentringOnADestination) {
    for (const Depth &d : kDepths) {
        SCOPED_TRACE(d.bpp);
        SDL_Surface *ten = Picture(d, 10, 10);
        SDL_Surface *half = IScreenFX->Zoom(ten, false, 0.5, 0.5);
        EXPECT_TRUE(SameSize(half, 5, 5));
        SDL_Surface *tiny = IScreenFX->Zoom(ten, true, 0.01, 1.0);
        EXPECT_TRUE(SameSize(tiny, 1, 10));
        SDL_Surface *flat = IScreenFX->Zoom(ten, false, 0.0, 0.0); // 0 counts as 1
        EXPECT_TRUE(SameSize(flat, 1, 1));

        // 100 x 100 halved onto (10, 10) lands at (35, 35) .. (84, 84).
        SDL_Surface *big = Make(d, 100, 100), *dst = Make(d, 200, 200);
        SDL_FillRect(big, nullptr, d.bpp == 8 ? 255 : 0xFFFFFFFF);
        SDL_Rect at = {10, 10, 0, 0};
        EXPECT_EQ(dst, IScreenFX->Zoom(big, false, 0.5, 0.5, nullptr, dst, &at));
        EXPECT_EQ(0u, At(dst, 34, 34));
        EXPECT_NE(0u, At(dst, 35, 35));
        EXPECT_NE(0u, At(dst, 84, 84));
        EXPECT_EQ(0u, At(dst, 85, 85));
        for (SDL_Surface *s : {ten, half, tiny, flat, big, dst})
            SDL_FreeSurface(s);
    }
}

TEST_F(ScreenFX, NearestResizeStepsAndMirrorsByNegativeSizes) {
    for (const Depth &d : {kDepths[0], kDepths[3]}) {
        SCOPED_TRACE(d.bpp);
        SDL_Surface *row = Picture(d, 4, 2); // 1 2 3 4 / 5 6 7 8
        SDL_Surface *twice = IScreenFX->Resize(row, false, 8, 4);
        ASSERT_TRUE(SameSize(twice, 8, 4));
        EXPECT_EQ(1u, At(twice, 1, 1));
        EXPECT_EQ(4u, At(twice, 7, 0));
        EXPECT_EQ(8u, At(twice, 7, 3));
        SDL_Surface *mirrored = IScreenFX->Resize(row, false, -4, -2);
        ASSERT_TRUE(SameSize(mirrored, 4, 2));
        EXPECT_EQ(8u, At(mirrored, 0, 0));
        EXPECT_EQ(1u, At(mirrored, 3, 1));
        for (SDL_Surface *s : {row, twice, mirrored})
            SDL_FreeSurface(s);
    }
}

TEST_F(ScreenFX, SmoothResizeFollowsTheBilinearFormula) {
    SDL_Surface *src = Make(kRGBA, 9, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            Put(src, x, y,
                (Uint32)(x * 31) | (Uint32)(y * 40) << 8 | (Uint32)(x * y * 5) << 16 | 0xFF000000);
    const int W = 23, H = 5;
    SDL_Surface *out = IScreenFX->Resize(src, true, W, H);
    ASSERT_TRUE(SameSize(out, W, H));
    // The rule written out per pixel: 16.16 positions, channels blended
    // along x on both rows, then between the rows.
    const int sx = 8 * 65536 / W, sy = 6 * 65536 / H;
    for (int j = 0; j < H; ++j)
        for (int i = 0; i < W; ++i)
            for (int c = 0; c < 32; c += 8) {
                const int x = i * sx >> 16, y = j * sy >> 16, fx = i * sx & 0xFFFF,
                          fy = j * sy & 0xFFFF;
                auto ch = [&](int xx, int yy) { return (int)(At(src, xx, yy) >> c & 0xFF); };
                const int top = ch(x, y) + ((ch(x + 1, y) - ch(x, y)) * fx >> 16);
                const int bottom = ch(x, y + 1) + ((ch(x + 1, y + 1) - ch(x, y + 1)) * fx >> 16);
                const int want = top + ((bottom - top) * fy >> 16);
                EXPECT_NEAR(want, (int)(At(out, i, j) >> c & 0xFF), 1) << i << "," << j;
            }
    // A negative width mirrors the smooth result too.
    SDL_Surface *mirror = IScreenFX->Mirror(src);
    SDL_Surface *a = IScreenFX->Resize(src, true, -W, H),
                *b = IScreenFX->Resize(mirror, true, W, H);
    for (int j = 0; j < H; ++j)
        for (int i = 0; i < W; ++i)
            ASSERT_EQ(At(b, i, j), At(a, i, j));
    for (SDL_Surface *s : {src, out, mirror, a, b})
        SDL_FreeSurface(s);
}

TEST_F(ScreenFX, QuarterTurnOf40x20Gives21x41WithKeyedFill) {
    for (const Depth &d : kDepths) {
        for (bool smooth : {false, true}) {
            SCOPED_TRACE(d.bpp * 10 + smooth);
            SDL_Surface *src = Picture(d, 40, 20);
            SDL_Surface *r = IScreenFX->Rotate(src, smooth, 90.0);
            ASSERT_TRUE(SameSize(r, 21, 41));
            if (d.bpp == 8 || d.bpp == 32) {
                // Counter-clockwise: the source's right end is on top; the
                // first row and the last column show no source.
                const Uint32 fill = d.bpp == 8 ? 255 : 0xFF00FF;
                EXPECT_TRUE(r->flags & SDL_SRCCOLORKEY);
                EXPECT_EQ(fill, r->format->colorkey);
                for (int j = 0; j < 41; ++j)
                    for (int i = 0; i < 21; ++i) {
                        const Uint32 want = j == 0 || i == 20 ? fill : Pattern(40 - j, i, 40);
                        ASSERT_EQ(want, At(r, i, j)) << i << "," << j;
                    }
            }
            SDL_FreeSurface(src);
            SDL_FreeSurface(r);
        }
    }
}

TEST_F(ScreenFX, RotationsFollowTheInverseMapping) {
    // The rule written out per pixel: 16.16 source points, the nearest
    // pixel inside, or (smooth) the four neighbours from one pixel before
    // the source on, missing ones taken from the edge.
    SDL_Surface *src = Make(kRGBA, 13, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 13; ++x)
            Put(src, x, y,
                (Uint32)(x * 19) | (Uint32)(y * 28) << 8 | (Uint32)((x * y) & 0xFF) << 16 |
                    0x80000000);
    auto ch = [&](int x, int y, int c) {
        x = std::min(std::max(x, 0), 12), y = std::min(std::max(y, 0), 8);
        return (int)(At(src, x, y) >> c & 0xFF);
    };
    for (double angle : {30.0, -123.4})
        for (double zoom : {1.3, 0.7})
            for (bool smooth : {false, true}) {
                SCOPED_TRACE(angle * zoom + smooth);
                SDL_Surface *r = IScreenFX->RotoZoom(src, smooth, angle, zoom);
                ASSERT_TRUE(r);
                const double rad = angle * 3.141592654 / 180;
                const Sint64 cs = (Sint64)(65536 * std::cos(rad) / zoom),
                             sn = (Sint64)(65536 * std::sin(rad) / zoom);
                for (int j = 0; j < r->h; ++j)
                    for (int i = 0; i < r->w; ++i) {
                        const Sint64 sx = (6 << 16) + (i - r->w / 2) * cs - (j - r->h / 2) * sn;
                        const Sint64 sy = (4 << 16) + (i - r->w / 2) * sn + (j - r->h / 2) * cs;
                        const int x = (int)(sx >> 16), y = (int)(sy >> 16);
                        const int fx = (int)(sx & 0xFFFF), fy = (int)(sy & 0xFFFF);
                        Uint32 want = 0;
                        if (!smooth && x >= 0 && y >= 0 && x < 13 && y < 9) want = At(src, x, y);
                        if (smooth && x >= -1 && y >= -1 && x < 13 && y < 9)
                            for (int c = 0; c < 32; c += 8) {
                                const int top =
                                    ch(x, y, c) + ((ch(x + 1, y, c) - ch(x, y, c)) * fx >> 16);
                                const int bottom =
                                    ch(x, y + 1, c) +
                                    ((ch(x + 1, y + 1, c) - ch(x, y + 1, c)) * fx >> 16);
                                want |= (Uint32)(top + ((bottom - top) * fy >> 16)) << c;
                            }
                        ASSERT_EQ(want, At(r, i, j)) << i << "," << j;
                    }
                SDL_FreeSurface(r);
            }
    SDL_FreeSurface(src);
}

TEST_F(ScreenFX, RotoZoomKeysAlphaAndTinyAngles) {
    // The source's key fills; an alpha channel leaves the corners transparent.
    SDL_Surface *keyed = Picture(kDepths[3], 8, 8);
    SDL_SetColorKey(keyed, SDL_SRCCOLORKEY, 7);
    SDL_Surface *r = IScreenFX->RotoZoom(keyed, false, 45.0, 1.0);
    ASSERT_TRUE(r);
    EXPECT_EQ(7u, r->format->colorkey);
    EXPECT_EQ(7u, At(r, 0, 0));
    SDL_Surface *rgba = Picture(kRGBA, 8, 8);
    SDL_Surface *t = IScreenFX->RotoZoom(rgba, true, 45.0, 1.5);
    ASSERT_TRUE(t);
    EXPECT_FALSE(t->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(0u, At(t, 0, 0));

    // Below 0.001 degrees it is a Zoom, pixel for pixel and without a key.
    SDL_Surface *z = IScreenFX->Zoom(rgba, false, 2.0, 2.0);
    SDL_Surface *a = IScreenFX->RotoZoom(rgba, false, 0.0005, 2.0);
    ASSERT_TRUE(SameSize(a, 16, 16));
    EXPECT_FALSE(a->flags & SDL_SRCCOLORKEY);
    for (int j = 0; j < 16; ++j)
        for (int i = 0; i < 16; ++i)
            ASSERT_EQ(At(z, i, j), At(a, i, j));
    for (SDL_Surface *s : {keyed, r, rgba, t, z, a})
        SDL_FreeSurface(s);
}

TEST_F(ScreenFX, OtherDepthsAreScaledAsRGBAWithKeyAndAlphaKept) {
    SDL_Surface *src = Make(kDepths[1], 2, 1);
    Put(src, 0, 0, 0xF800); // red
    Put(src, 1, 0, 0x001F); // blue, the key
    SDL_SetColorKey(src, SDL_SRCCOLORKEY, 0x001F);
    SDL_SetAlpha(src, SDL_SRCALPHA, 100);
    SDL_Surface *out = IScreenFX->Resize(src, false, 2, 1);
    ASSERT_TRUE(SameSize(out, 2, 1));
    ASSERT_EQ(kRGBA.a, out->format->Amask);
    EXPECT_EQ(0x640000F8u, At(out, 0, 0));         // red, alpha 100
    EXPECT_EQ(0u, At(out, 1, 0));                  // the key: transparent
    EXPECT_EQ(0xFFF80000u, out->format->colorkey); // the same colour as the source's key
    SDL_FreeSurface(src);
    SDL_FreeSurface(out);
}

TEST_F(ScreenFX, BadInputIsRefusedWithoutAllocating) {
    SDL_Surface *src = Picture(kDepths[3], 10, 10);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(nullptr, IScreenFX->Mirror(nullptr));
    EXPECT_EQ(nullptr, IScreenFX->Flip(src, nullptr, src));
    SDL_Rect outside = {20, 3, 5, 5}, negative = {-30000, -30000, 4, 4};
    EXPECT_EQ(nullptr, IScreenFX->Zoom(src, false, 1, 1, &outside));
    SDL_Surface *corner = IScreenFX->Mirror(src, &negative); // x, y raised to 0
    EXPECT_TRUE(SameSize(corner, 4, 4));
    EXPECT_FALSE(Logged("Error"));

    EXPECT_EQ(nullptr, IScreenFX->Zoom(src, false, nan, 1));
    EXPECT_EQ(nullptr, IScreenFX->Zoom(src, true, 1, -inf));
    EXPECT_EQ(nullptr, IScreenFX->Zoom(src, false, 1e6, 1e6));
    EXPECT_EQ(nullptr, IScreenFX->Resize(src, false, INT_MIN, 1));
    EXPECT_EQ(nullptr, IScreenFX->Resize(src, false, 9000, 9000)); // 81 million pixels
    EXPECT_EQ(nullptr, IScreenFX->RotoZoom(src, false, nan, 1));
    EXPECT_EQ(nullptr, IScreenFX->RotoZoom(src, true, inf, 1));
    EXPECT_EQ(nullptr, IScreenFX->RotoZoom(src, false, 30, nan));
    EXPECT_EQ(nullptr, IScreenFX->RotoZoom(src, false, 30, 1e9));
    EXPECT_TRUE(Logged(" . [IScreenFX->Zoom(1e+06, 1e+06)] Error: a result of 10000000 x "
                       "10000000 pixels is refused (at most 16383 pixels a side and 67108864 in "
                       "all).\n"));

    // Results the rules do define.
    SDL_Surface *minimum = IScreenFX->RotoZoom(src, false, 30, -5); // zoom raised to 0.001
    EXPECT_TRUE(SameSize(minimum, 1, 1));
    SDL_Surface *far = IScreenFX->Rotate(src, true, 1e12);
    EXPECT_TRUE(far != nullptr);
    SDL_Surface *mirrored = IScreenFX->Zoom(src, false, -1, 1);
    ASSERT_TRUE(SameSize(mirrored, 10, 10));
    EXPECT_EQ(At(src, 9, 0), At(mirrored, 0, 0));
    for (SDL_Surface *s : {src, corner, minimum, far, mirrored})
        SDL_FreeSurface(s);
}

TEST_F(ScreenFX, TexturesUnderOpenGLAreDrawnByTheLayer) {
    Quenlar.renderer = 64;
    Quenlar.resolutionx = 40, Quenlar.resolutiony = 40, Quenlar.colordepth = 32;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    ASSERT_EQ(1, Quenlar.IsOpenGL());
    SDL_Surface *screen = Make(kDepths[3], 40, 40);
    SDL_Surface *src = Make(kDepths[3], 4, 2); // a red right column, the rest blue
    SDL_FillRect(src, nullptr, 0x0000FF);
    SDL_Rect right = {3, 0, 1, 2};
    SDL_FillRect(src, &right, 0xFF0000);
    ASSERT_EQ(1, qnl::gl::Upload(src));

    SDL_FillRect(screen, nullptr, 0);
    SDL_Rect at = {5, 5, 0, 0};
    EXPECT_EQ(screen, IScreenFX->Mirror(src, nullptr, screen, &at));
    EXPECT_EQ(0xFF0000u, At(screen, 5, 5));
    EXPECT_EQ(0x0000FFu, At(screen, 8, 5));

    // A quarter turn puts the right column on top, on either path.
    auto redAbove = [&](SDL_Surface *s) {
        double red = 0, blue = 0;
        int nr = 0, nb = 0;
        for (int y = 0; y < s->h; ++y)
            for (int x = 0; x < s->w; ++x) {
                const Uint32 p = At(s, x, y) & 0xFFFFFF;
                if (p == 0xFF0000) red += y, ++nr;
                if (p == 0x0000FF) blue += y, ++nb;
            }
        return nr && nb && red / nr < blue / nb;
    };
    SDL_FillRect(screen, nullptr, 0);
    EXPECT_EQ(nullptr, IScreenFX->Rotate(src, false, 90.0, nullptr, screen, &at));
    EXPECT_TRUE(redAbove(screen));
    SDL_Surface *software = IScreenFX->Rotate(src, false, 90.0);
    EXPECT_TRUE(redAbove(software));
    SDL_FreeSurface(software);
    SDL_FreeSurface(src);
    SDL_FreeSurface(screen);
}
