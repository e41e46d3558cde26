#include "video/engine_fixture.h"

#include <quenlar/gfx/gllayer.h>
#include <quenlar/gfx/imageblock.h>
#include <quenlar/gfx/pixel_private.h>
#include <quenlar/gfx/surface.h>

#include <cstdio>
#include <cstring>

namespace {
SDL_Surface *Make(int w, int h, int bpp, Uint32 r, Uint32 g, Uint32 b, Uint32 a = 0) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, bpp, r, g, b, a);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            qnl::WriteRawPixel(s, x, y, (Uint32)(x * 0x010203 + y * 0x302010) | a);
    return s;
}
} // namespace

class ImageLoad : public EngineTest {
protected:
    void SetUp() override {
        Start();
        OpenScreen(32, 32, 32);
        handle = IStuffDPF->Create("images.dpf");
        ASSERT_GT(handle, 0);
    }
    void TearDown() override {
        if (handle > 0) IStuffDPF->Close(handle);
        EngineTest::TearDown();
    }
    void Add(const char *name, const std::vector<Uint8> &payload, unsigned char mode = 0) {
        DPFBlock b;
        std::memset(&b, 0, sizeof b);
        std::strcpy(b.name, name);
        std::strcpy(b.type, "IMG");
        b.mode = mode;
        b.size = (unsigned int)payload.size();
        std::vector<Uint8> copy(payload);
        b.data = reinterpret_cast<char *>(copy.data());
        ASSERT_GT(IStuffDPF->AddData(handle, &b), 0);
    }
    void Add(const char *name, SDL_Surface *s, Uint32 key, Uint8 alpha, unsigned char mode = 0) {
        Add(name, qnl::EncodeImageBlock(s, key, alpha), mode);
        SDL_FreeSurface(s);
    }
    int handle = 0;
};

TEST_F(ImageLoad, EightBitsKeepTheirPaletteUnconverted) {
    SDL_Surface *s = Make(6, 4, 8, 0, 0, 0);
    SDL_Color colors[256];
    for (int i = 0; i < 256; ++i)
        colors[i] = {(Uint8)i, 9, (Uint8)(255 - i), 0};
    SDL_SetColors(s, colors, 0, 256);
    Add("pal", s, 5, 255);
    ImageDesc desc;
    SDL_Surface *img = IImage->Load(handle, "pal", &desc);
    ASSERT_NE(nullptr, img);
    EXPECT_EQ(8, img->format->BitsPerPixel);
    EXPECT_EQ(200, img->format->palette->colors[200].r);
    EXPECT_EQ(55, img->format->palette->colors[200].b);
    EXPECT_TRUE(img->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(5u, img->format->colorkey);
    char expected[160];
    std::snprintf(expected, sizeof expected,
                  " . [IImage->Load('images.dpf','pal',0x%lx)] Warning: 8bits surface loaded, it "
                  "could be a different screen format.\n",
                  (unsigned long)(uintptr_t)&desc);
    EXPECT_TRUE(Logged(expected));
    EXPECT_EQ(6, desc.width);
    EXPECT_EQ(4, desc.height);
    EXPECT_EQ(8, desc.bpp);
    EXPECT_EQ(255, desc.alpha);
    EXPECT_EQ(5, desc.colorkey);
    EXPECT_STREQ("pal", desc.name);
    SDL_FreeSurface(img);
}

TEST_F(ImageLoad, AlphaPerPixelIsKeptAndReported) {
    Add("glow", Make(4, 4, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000), 0x000010, 255);
    SDL_Surface *img = IImage->Load(handle, "glow");
    ASSERT_NE(nullptr, img);
    EXPECT_NE(0u, img->format->Amask);
    EXPECT_TRUE(img->flags & SDL_SRCALPHA);
    EXPECT_FALSE(img->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(Quenlar.screen->format->Rmask, img->format->Rmask); // converted
    EXPECT_TRUE(Logged(" . [IImage->Load('images.dpf','glow',0x0)] Info: surface with alpha per "
                       "pixel loaded, it could slow down your graphics system.\n"));
    SDL_FreeSurface(img);
}

TEST_F(ImageLoad, TranslucentWithoutKey) {
    Add("fog", Make(3, 3, 16, 0xF800, 0x07E0, 0x001F), qnl::kNoColorKey, 128, 1);
    ImageDesc desc;
    SDL_Surface *img = IImage->Load(handle, "fog", &desc);
    ASSERT_NE(nullptr, img);
    EXPECT_EQ(0, qnl::NeedsDisplayFormat(img));
    EXPECT_TRUE(img->flags & SDL_SRCALPHA);
    EXPECT_EQ(128, img->format->alpha);
    EXPECT_FALSE(img->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(0xFFFFFFFFu, img->format->colorkey);
    EXPECT_EQ(-1, desc.colorkey);
    EXPECT_EQ(16, desc.bpp);
    EXPECT_FALSE(Logged("alpha per pixel"));
    SDL_FreeSurface(img);
}

TEST_F(ImageLoad, ScreenFormatIsUsedAsItIs) {
    const SDL_PixelFormat *f = Quenlar.screen->format;
    SDL_Surface *s = Make(5, 2, 32, f->Rmask, f->Gmask, f->Bmask);
    const Uint32 pixel = qnl::ReadRawPixel(s, 4, 1);
    Add("same", s, qnl::kNoColorKey, 255, 2);
    SDL_Surface *img = IImage->Load(handle, "same");
    ASSERT_NE(nullptr, img);
    EXPECT_EQ(pixel, IPrimitives->GetPixel(img, 4, 1));
    SDL_FreeSurface(img);
}

TEST_F(ImageLoad, ConversionSwitchOffKeepsStoredFormat) {
    Add("raw", Make(4, 4, 24, 0xFF, 0xFF00, 0xFF0000), qnl::kNoColorKey, 255);
    qnl::SetImageConversion(false);
    SDL_Surface *img = IImage->Load(handle, "raw");
    qnl::SetImageConversion(true);
    ASSERT_NE(nullptr, img);
    EXPECT_EQ(24, img->format->BitsPerPixel);
    EXPECT_EQ(0xFFu, img->format->Rmask);
    SDL_FreeSurface(img);
}

// Stored blocks are read straight into the surface; the result is the one
// of loading the same picture from a compressed block.
TEST_F(ImageLoad, StoredBlocksLoadAsCompressedOnesDo) {
    struct Layout {
        int w, bpp;
        Uint32 r, g, b, a;
    } layouts[] = {{5, 8, 0, 0, 0, 0},
                   {5, 16, 0xF800, 0x07E0, 0x001F, 0},
                   {3, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
                   {5, 24, 0xFF, 0xFF00, 0xFF0000, 0},
                   {2, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000}};
    qnl::SetImageConversion(false);
    for (const Layout &l : layouts) {
        SDL_Surface *s = Make(l.w, 3, l.bpp, l.r, l.g, l.b, l.a);
        if (l.bpp == 8) {
            SDL_Color colors[256];
            for (int i = 0; i < 256; ++i)
                colors[i] = {(Uint8)i, (Uint8)(i / 2), (Uint8)(255 - i), 0};
            SDL_SetColors(s, colors, 0, 256);
        }
        const std::vector<Uint8> payload = qnl::EncodeImageBlock(s, 3, 200);
        SDL_FreeSurface(s);
        const std::string packed = "p" + std::to_string(l.bpp) + "_" + std::to_string(l.w);
        const std::string plain = "s" + packed;
        Add(packed.c_str(), payload, 0);
        Add(plain.c_str(), payload, 1);
        SDL_Surface *want = IImage->Load(handle, packed.c_str());
        SDL_Surface *got = IImage->Load(handle, plain.c_str());
        ASSERT_NE(nullptr, want);
        ASSERT_NE(nullptr, got);
        EXPECT_EQ(qnl::EncodeImageBlock(want, want->format->colorkey, want->format->alpha),
                  qnl::EncodeImageBlock(got, got->format->colorkey, got->format->alpha))
            << plain;
        EXPECT_EQ(want->flags, got->flags) << plain;
        SDL_FreeSurface(want);
        SDL_FreeSurface(got);
    }
    qnl::SetImageConversion(true);

    // Blocks too short for what their header says are damaged, not read.
    Add("stub", std::vector<Uint8>(20, 1), 1);
    EXPECT_EQ(nullptr, IImage->Load(handle, "stub"));
    SDL_Surface *s = Make(8, 8, 32, 0xFF, 0xFF00, 0xFF0000);
    std::vector<Uint8> cut = qnl::EncodeImageBlock(s, 3, 255);
    SDL_FreeSurface(s);
    cut.resize(cut.size() - 5);
    Add("cut", cut, 1);
    EXPECT_EQ(nullptr, IImage->Load(handle, "cut"));
    EXPECT_TRUE(
        Logged("[IImage->Load('images.dpf','cut',0x0)] Error: the image block is damaged.\n"));
}

TEST_F(ImageLoad, MissingAndDamagedBlocks) {
    EXPECT_EQ(nullptr, IImage->Load(handle, "nothing"));
    EXPECT_TRUE(Logged(" . [IImage->Load('images.dpf','nothing',0x0)] Error: image not found.\n"));

    SDL_Surface *s = Make(8, 8, 32, 0xFF, 0xFF00, 0xFF0000);
    std::vector<Uint8> payload = qnl::EncodeImageBlock(s, qnl::kNoColorKey, 255);
    SDL_FreeSurface(s);
    payload.resize(payload.size() - 5); // shorter than its size says
    Add("cut", payload);
    EXPECT_EQ(nullptr, IImage->Load(handle, "cut"));
    EXPECT_TRUE(
        Logged("[IImage->Load('images.dpf','cut',0x0)] Error: the image block is damaged.\n"));
    EXPECT_EQ(nullptr, IImage->Load(0, "cut"));
    EXPECT_EQ(nullptr, IImage->Load(handle, nullptr));
}

TEST_F(ImageLoad, ByPath) {
    Add("logo", Make(4, 3, 32, 0xFF0000, 0xFF00, 0xFF), qnl::kNoColorKey, 255);
    IStuffDPF->Close(handle);
    handle = 0;
    SDL_Surface *img = IImage->Load("images.dpf", "logo");
    ASSERT_NE(nullptr, img);
    EXPECT_EQ(4, img->w);
    SDL_FreeSurface(img);

    testing_support::WriteFile("plain.txt", "this is not a package at all");
    log.Mark();
    EXPECT_EQ(nullptr, IImage->Load("plain.txt", "logo"));
    EXPECT_TRUE(Logged("it is not a valid DPF"));
    EXPECT_EQ(nullptr, IImage->Load("absent.dpf", "logo"));
}

TEST_F(ImageLoad, UploadedUnderOpenGL) {
    Quenlar.renderer = 64;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    Add("tex", Make(4, 4, 32, 0xFF0000, 0xFF00, 0xFF), qnl::kNoColorKey, 255);
    SDL_Surface *img = IImage->Load(handle, "tex");
    ASSERT_NE(nullptr, img);
    EXPECT_EQ(1, qnl::gl::IsTexture(img));
    SDL_FreeSurface(img);
}
