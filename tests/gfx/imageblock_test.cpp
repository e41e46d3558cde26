#include <quenlar/gfx/imageblock.h>

#include <gtest/gtest.h>
#include <cstring>

namespace {
SDL_Surface *Make(int w, int h, int bpp, Uint32 r, Uint32 g, Uint32 b, Uint32 a) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, bpp, r, g, b, a);
    // A recognisable pattern in every byte of every row (padding excluded).
    Uint8 *p = static_cast<Uint8 *>(s->pixels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * s->format->BytesPerPixel; ++x)
            p[y * s->pitch + x] = (Uint8)(y * 31 + x * 7 + 1);
    return s;
}

bool SamePixels(const SDL_Surface *a, const SDL_Surface *b) {
    if (a->w != b->w || a->h != b->h || a->format->BytesPerPixel != b->format->BytesPerPixel)
        return false;
    const int row = a->w * a->format->BytesPerPixel;
    for (int y = 0; y < a->h; ++y)
        if (std::memcmp(static_cast<Uint8 *>(a->pixels) + y * a->pitch,
                        static_cast<Uint8 *>(b->pixels) + y * b->pitch, row) != 0)
            return false;
    return true;
}

void PutU32(std::vector<Uint8> &v, size_t at, Uint32 x) {
    for (int i = 0; i < 4; ++i)
        v[at + i] = (Uint8)(x >> (8 * i));
}
} // namespace

TEST(ImageBlock, RoundTripOfEveryDepth) {
    struct Case {
        int bpp, w, h;
        Uint32 r, g, b, a;
    } cases[] = {{8, 5, 3, 0, 0, 0, 0},
                 {16, 3, 4, 0xF800, 0x07E0, 0x001F, 0},
                 {24, 5, 2, 0xFF0000, 0xFF00, 0xFF, 0},
                 {32, 7, 3, 0xFF0000, 0xFF00, 0xFF, 0xFF000000}};
    for (const Case &c : cases) {
        SDL_Surface *s = Make(c.w, c.h, c.bpp, c.r, c.g, c.b, c.a);
        if (c.bpp == 8) {
            SDL_Color colors[256];
            for (int i = 0; i < 256; ++i)
                colors[i] = {(Uint8)i, (Uint8)(255 - i), (Uint8)(i / 2), 0};
            SDL_SetColors(s, colors, 0, 256);
        }
        const std::vector<Uint8> block = qnl::EncodeImageBlock(s, qnl::kNoColorKey, 255);
        const size_t pitch = ((size_t)c.w * (size_t)(c.bpp / 8) + 3) & ~(size_t)3;
        ASSERT_EQ(48 + pitch * c.h + (c.bpp == 8 ? 1024 : 0), block.size()) << c.bpp;
        EXPECT_EQ(c.bpp, block[12]);
        EXPECT_EQ(c.bpp / 8, block[13]);

        qnl::ImageBlockHeader header;
        SDL_Surface *back = qnl::DecodeImageBlock(block.data(), block.size(), &header);
        ASSERT_NE(nullptr, back) << c.bpp;
        EXPECT_EQ(c.w, header.width);
        EXPECT_EQ(c.bpp, back->format->BitsPerPixel);
        EXPECT_EQ(c.r, back->format->Rmask);
        EXPECT_EQ(c.a, back->format->Amask);
        EXPECT_TRUE(SamePixels(s, back)) << c.bpp;
        if (c.bpp == 8) {
            ASSERT_NE(nullptr, back->format->palette);
            EXPECT_EQ(200, back->format->palette->colors[200].r);
            EXPECT_EQ(55, back->format->palette->colors[200].g);
        }
        SDL_FreeSurface(s);
        SDL_FreeSurface(back);
    }
}

TEST(ImageBlock, AlphaAndColourKeyAsStored) {
    // 32 bits with an alpha mask and alpha 255: alpha per pixel, no key.
    SDL_Surface *s = Make(2, 2, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    std::vector<Uint8> block = qnl::EncodeImageBlock(s, 0x00112233, 255);
    SDL_Surface *back = qnl::DecodeImageBlock(block.data(), block.size());
    ASSERT_NE(nullptr, back);
    EXPECT_TRUE(back->flags & SDL_SRCALPHA);
    EXPECT_FALSE(back->flags & SDL_SRCCOLORKEY);
    SDL_FreeSurface(back);
    SDL_FreeSurface(s);

    // 16 bits, alpha 128, no key: translucent, key recorded as -1.
    s = Make(2, 2, 16, 0xF800, 0x07E0, 0x001F, 0);
    block = qnl::EncodeImageBlock(s, qnl::kNoColorKey, 128);
    back = qnl::DecodeImageBlock(block.data(), block.size());
    ASSERT_NE(nullptr, back);
    EXPECT_TRUE(back->flags & SDL_SRCALPHA);
    EXPECT_EQ(128, back->format->alpha);
    EXPECT_FALSE(back->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(0xFFFFFFFFu, back->format->colorkey);
    SDL_FreeSurface(back);

    // Opaque with a key.
    block = qnl::EncodeImageBlock(s, 0xF800, 255);
    back = qnl::DecodeImageBlock(block.data(), block.size());
    ASSERT_NE(nullptr, back);
    EXPECT_FALSE(back->flags & SDL_SRCALPHA);
    EXPECT_TRUE(back->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(0xF800u, back->format->colorkey);
    SDL_FreeSurface(back);
    SDL_FreeSurface(s);
}

TEST(ImageBlock, EveryTruncationIsRefused) {
    SDL_Surface *s = Make(5, 3, 8, 0, 0, 0, 0);
    const std::vector<Uint8> block = qnl::EncodeImageBlock(s, qnl::kNoColorKey, 255);
    SDL_FreeSurface(s);
    for (size_t size = 0; size < block.size(); ++size) {
        // A copy of exactly `size` bytes, so that a read past it is caught.
        std::vector<Uint8> cut(block.begin(), block.begin() + size);
        EXPECT_EQ(nullptr, qnl::DecodeImageBlock(size ? cut.data() : nullptr, size)) << size;
    }
    SDL_Surface *whole = qnl::DecodeImageBlock(block.data(), block.size());
    EXPECT_NE(nullptr, whole);
    SDL_FreeSurface(whole);
}

TEST(ImageBlock, MalformedHeadersAreRefused) {
    SDL_Surface *s = Make(4, 4, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    const std::vector<Uint8> good = qnl::EncodeImageBlock(s, qnl::kNoColorKey, 255);
    SDL_FreeSurface(s);
    auto refused = [&](size_t at, Uint32 value, bool byte = false) {
        std::vector<Uint8> bad = good;
        if (byte)
            bad[at] = (Uint8)value;
        else
            PutU32(bad, at, value);
        SDL_Surface *r = qnl::DecodeImageBlock(bad.data(), bad.size());
        SDL_FreeSurface(r);
        return r == nullptr;
    };
    EXPECT_TRUE(refused(12, 12, true)); // depth
    EXPECT_TRUE(refused(12, 0, true));
    EXPECT_TRUE(refused(0, 0));          // width 0
    EXPECT_TRUE(refused(4, 0xFFFFFFFF)); // height -1
    EXPECT_TRUE(refused(0, 0x7FFFFFFF)); // far wider than the block
    EXPECT_TRUE(refused(4, 0x00010000)); // far taller than the block
    EXPECT_TRUE(refused(12, 8, true));   // 8 bits: the palette is missing
    EXPECT_FALSE(refused(12, 16, true)); // 16 bits: fewer pixels than stored is fine
    EXPECT_FALSE(refused(44, 7, true));
}
