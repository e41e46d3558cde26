#include <quenlar/gfx/imageblock.h>
#include <quenlar/gfx/pixel_private.h>

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

// ---------------------------------------------------------------------------
// Fixed bytes: records written out by hand from the stored layout, so that an
// encoder and a decoder wrong in the same way cannot both pass.
// ---------------------------------------------------------------------------
namespace {

std::vector<Uint8> Bytes(std::initializer_list<int> values) {
    std::vector<Uint8> v;
    for (int b : values)
        v.push_back((Uint8)b);
    return v;
}

// 3 x 2 pixels of 24 bits (red in the high byte), rows of 9 bytes stored
// in 12, colour key magenta, opaque.
const std::vector<Uint8> kRgb24 = Bytes({
    0x03, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,             // width, height
    0x00, 0x00, 0x00, 0x00,                                     // reserved
    0x18, 0x03, 0x00, 0x00, 0x00, 0x08, 0x10, 0x08, 0x00, 0x00, // depth, bytes, losses, shifts
    0x00, 0x00,                                                 // padding
    0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00,             // red, green mask
    0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,             // blue, alpha mask
    0xFF, 0x00, 0xFF, 0x00,                                     // colour key
    0xFF, 0x00, 0x00, 0x00,                                     // alpha, padding
    0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, // row 0
    0x99, 0x88, 0x77, 0xCC, 0xBB, 0xAA, 0x03, 0x02, 0x01, 0x00, 0x00, 0x00, // row 1
});
const Uint32 kRgb24Pixels[2][3] = {{0x112233, 0x445566, 0xFF00FF}, {0x778899, 0xAABBCC, 0x010203}};

// 5 x 2 palette indices, rows of 5 bytes stored in 8, key 3, then the
// palette: entry i is (i, 255 - i, i / 2).
std::vector<Uint8> Palette8() {
    std::vector<Uint8> v = Bytes({
        0x05, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,             // width, height
        0x00, 0x00, 0x00, 0x00,                                     // reserved
        0x08, 0x01, 0x08, 0x08, 0x08, 0x08, 0x00, 0x00, 0x00, 0x00, // depth, bytes, losses, shifts
        0x00, 0x00,                                                 // padding
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,             // no masks
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,             //
        0x03, 0x00, 0x00, 0x00,                                     // colour key
        0xFF, 0x00, 0x00, 0x00,                                     // alpha, padding
        0x00, 0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x00,             // row 0
        0x05, 0x06, 0x07, 0x08, 0x09, 0x00, 0x00, 0x00,             // row 1
    });
    for (int i = 0; i < 256; ++i)
        for (int c : {i, 255 - i, i / 2, 0})
            v.push_back((Uint8)c);
    return v;
}

// 3 x 1 pixels of 5-6-5, a row of 6 bytes stored in 8, no key, alpha 128.
const std::vector<Uint8> kRgb565 = Bytes({
    0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,             // width, height
    0x00, 0x00, 0x00, 0x00,                                     // reserved
    0x10, 0x02, 0x03, 0x02, 0x03, 0x08, 0x0B, 0x05, 0x00, 0x00, // depth, bytes, losses, shifts
    0x00, 0x00,                                                 // padding
    0x00, 0xF8, 0x00, 0x00, 0xE0, 0x07, 0x00, 0x00,             // red, green mask
    0x1F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,             // blue, alpha mask
    0xFF, 0xFF, 0xFF, 0xFF,                                     // no colour key
    0x80, 0x00, 0x00, 0x00,                                     // alpha, padding
    0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x00, 0x00,             // row 0
});

Uint32 Raw(SDL_Surface *s, int x, int y) {
    const Uint8 *p = static_cast<Uint8 *>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    Uint32 v = 0;
    for (int i = s->format->BytesPerPixel - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

// The encoder's record equals the fixture in every byte a reader uses
// (bytes 13 to 23 describe SDL's own format record and are ignored).
void ExpectEncodedAs(const std::vector<Uint8> &fixture, SDL_Surface *s, Uint32 key, Uint8 alpha) {
    std::vector<Uint8> encoded = qnl::EncodeImageBlock(s, key, alpha);
    ASSERT_EQ(fixture.size(), encoded.size());
    for (size_t i = 0; i < fixture.size(); ++i) {
        if (i >= 13 && i <= 23) continue;
        EXPECT_EQ(fixture[i], encoded[i]) << "byte " << i;
    }
}

} // namespace

TEST(ImageBlock, FixedRecordsDecodeAndEncode) {
    // 24 bits: the second row starts 12 bytes after the first.
    SDL_Surface *s = qnl::DecodeImageBlock(kRgb24.data(), kRgb24.size());
    ASSERT_NE(nullptr, s);
    ASSERT_EQ(24, s->format->BitsPerPixel);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(kRgb24Pixels[y][x], Raw(s, x, y)) << x << "," << y;
    EXPECT_TRUE(s->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(0xFF00FFu, s->format->colorkey);
    SDL_FreeSurface(s);
    s = SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 2, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            qnl::WriteRawPixel(s, x, y, kRgb24Pixels[y][x]);
    ExpectEncodedAs(kRgb24, s, 0xFF00FF, 255);
    SDL_FreeSurface(s);

    // 8 bits: indices, then the palette after the padded rows.
    const std::vector<Uint8> palette8 = Palette8();
    s = qnl::DecodeImageBlock(palette8.data(), palette8.size());
    ASSERT_NE(nullptr, s);
    ASSERT_NE(nullptr, s->format->palette);
    EXPECT_EQ(4u, Raw(s, 4, 0));
    EXPECT_EQ(5u, Raw(s, 0, 1));
    EXPECT_EQ(9u, Raw(s, 4, 1));
    const SDL_Color c = s->format->palette->colors[7];
    EXPECT_EQ(7, c.r);
    EXPECT_EQ(248, c.g);
    EXPECT_EQ(3, c.b);
    EXPECT_EQ(3u, s->format->colorkey);
    ExpectEncodedAs(palette8, s, 3, 255);
    SDL_FreeSurface(s);

    // 16 bits, translucent, no key.
    s = qnl::DecodeImageBlock(kRgb565.data(), kRgb565.size());
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(0xF800u, Raw(s, 0, 0));
    EXPECT_EQ(0x001Fu, Raw(s, 2, 0));
    EXPECT_TRUE(s->flags & SDL_SRCALPHA);
    EXPECT_EQ(128, s->format->alpha);
    EXPECT_FALSE(s->flags & SDL_SRCCOLORKEY);
    ExpectEncodedAs(kRgb565, s, qnl::kNoColorKey, 128);
    SDL_FreeSurface(s);
}
