// dpftool add-image and export-image, run as a user runs them.
#include <quenlar/gfx/imageblock.h>
#include <quenlar/gfx/imageconvert.h>
#include <quenlar/gfx/pixel_private.h>
#include <quenlar/gfx/pngwriter.h>
#include <quenlar/quenlar.h>
#include "support/support.h"

#include <gtest/gtest.h>
#include <cstring>

using namespace testing_support;

namespace {
RunResult Tool(const std::vector<std::string> &args) {
    std::vector<std::string> argv = {Program("dpftool")};
    argv.insert(argv.end(), args.begin(), args.end());
    return Run(argv);
}

struct Rgba {
    Uint8 r, g, b, a;
};
Rgba At(SDL_Surface *s, int x, int y) {
    Rgba c;
    SDL_GetRGBA(qnl::ReadRawPixel(s, x, y), s->format, &c.r, &c.g, &c.b, &c.a);
    return c;
}

// 12 x 7 pixels of 84 colours, with alpha varying by column.
SDL_Surface *Picture() {
    SDL_Surface *s =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 12, 7, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            qnl::WriteRawPixel(s, x, y,
                               SDL_MapRGBA(s->format, (Uint8)(x * 21), (Uint8)(y * 40),
                                           (Uint8)(200 - x * y), (Uint8)(255 - x * 20)));
    return s;
}

// The payload of an "IMG" block read straight from the package.
std::vector<Uint8> Block(const char *package, const char *name) {
    QStuffDPF dpf;
    std::vector<Uint8> out;
    int h = dpf.Open(package);
    if (h <= 0) return out;
    DPFBlock b;
    std::memset(&b, 0, sizeof b);
    int size = dpf.LoadBlock(h, "IMG", name, &b);
    if (size > 0) out.assign(b.data, b.data + size);
    delete[] b.data;
    dpf.Close(h);
    return out;
}
} // namespace

class DpftoolImage : public ::testing::Test {
protected:
    void SetUp() override {
        SDL_Surface *s = Picture();
        ASSERT_EQ(1, qnl::SavePNG(s, "picture.png"));
        SDL_FreeSurface(s);
    }
    TempDir dir;
};

TEST_F(DpftoolImage, RoundTripOfEveryDepth) {
    SDL_Surface *source = qnl::LoadImageFile("picture.png");
    ASSERT_NE(nullptr, source);
    for (int bpp : {8, 16, 24, 32}) {
        const std::string name = "pic" + std::to_string(bpp), out = name + ".png";
        RunResult add =
            Tool({"add-image", "pack.dpf", name, "picture.png", "--bpp", std::to_string(bpp)});
        ASSERT_EQ(0, add.status) << bpp << add.err;
        std::vector<Uint8> payload = Block("pack.dpf", name.c_str());
        qnl::ImageBlockHeader header;
        ASSERT_TRUE(qnl::ParseImageBlockHeader(payload.data(), payload.size(), header)) << bpp;
        EXPECT_EQ(bpp, header.bitsPerPixel);
        EXPECT_EQ(bpp == 32 || bpp == 16, header.amask != 0) << bpp;

        RunResult exp = Tool({"export-image", "pack.dpf", name, out});
        ASSERT_EQ(0, exp.status) << bpp << exp.err;
        SDL_Surface *back = qnl::LoadImageFile(out.c_str());
        ASSERT_NE(nullptr, back) << bpp;
        ASSERT_EQ(12, back->w);
        const int tolerance = bpp == 16 ? 17 : 0;
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 12; ++x) {
                const Rgba a = At(source, x, y), b = At(back, x, y);
                ASSERT_NEAR(a.r, b.r, tolerance) << bpp << " at " << x << "," << y;
                ASSERT_NEAR(a.g, b.g, tolerance) << bpp;
                ASSERT_NEAR(a.b, b.b, tolerance) << bpp;
                ASSERT_NEAR(bpp == 32 || bpp == 16 ? a.a : 255, b.a, tolerance) << bpp;
            }
        }
        SDL_FreeSurface(back);
    }
    SDL_FreeSurface(source);
}

TEST_F(DpftoolImage, ListDescribesAndPreviewDrawsTheImage) {
    ASSERT_EQ(0, Tool({"add-image", "pack.dpf", "pic", "picture.png", "--bpp", "24"}).status);
    WriteFile("junk.bin", std::string(60, 'j'));
    ASSERT_EQ(0, Tool({"add", "pack.dpf", "junk", "IMG", "junk.bin"}).status);
    RunResult list = Tool({"list", "pack.dpf"});
    ASSERT_EQ(0, list.status) << list.err;
    EXPECT_NE(std::string::npos, list.out.find("image 12x7, 24 bits\n")) << list.out;
    EXPECT_EQ(std::string::npos, list.out.find("image 0x")); // the junk block is not described

    ASSERT_EQ(0, Tool({"preview", "pack.dpf", "pic", "IMG", "pic.png"}).status);
    SDL_Surface *shown = qnl::LoadImageFile("pic.png");
    ASSERT_NE(nullptr, shown);
    EXPECT_EQ(12, shown->w);
    SDL_FreeSurface(shown);
    EXPECT_EQ(2, Tool({"preview", "pack.dpf", "pic", "NOPE", "x.png"}).status);
    EXPECT_EQ(1, Tool({"preview", "pack.dpf", "junk", "IMG", "x.png"}).status);
}

TEST_F(DpftoolImage, AlphaPictureKeepsItsChannelWithoutConversion) {
    ASSERT_EQ(0, Tool({"add-image", "pack.dpf", "own", "picture.png", "--mode", "stored"}).status);
    std::vector<Uint8> payload = Block("pack.dpf", "own");
    qnl::ImageBlockHeader header;
    ASSERT_TRUE(qnl::ParseImageBlockHeader(payload.data(), payload.size(), header));
    EXPECT_EQ(32, header.bitsPerPixel);
    EXPECT_NE(0u, header.amask);
    EXPECT_EQ(qnl::kNoColorKey, header.colorkey);
    EXPECT_EQ(255, header.alpha);
}

TEST_F(DpftoolImage, ColourKeyAlphaAndReplace) {
    ASSERT_EQ(0, Tool({"add-image", "pack.dpf", "k", "picture.png", "--bpp", "24", "--colorkey",
                       "255,0,128", "--alpha", "100"})
                     .status);
    std::vector<Uint8> payload = Block("pack.dpf", "k");
    qnl::ImageBlockHeader header;
    ASSERT_TRUE(qnl::ParseImageBlockHeader(payload.data(), payload.size(), header));
    EXPECT_EQ(0xFF0080u, header.colorkey);
    EXPECT_EQ(100, header.alpha);

    RunResult again = Tool({"add-image", "pack.dpf", "k", "picture.png"});
    EXPECT_EQ(1, again.status);
    EXPECT_NE(std::string::npos, again.err.find("exists already"));
    ASSERT_EQ(
        0, Tool({"add-image", "pack.dpf", "k", "picture.png", "--bpp", "8", "--replace"}).status);
    payload = Block("pack.dpf", "k");
    ASSERT_TRUE(qnl::ParseImageBlockHeader(payload.data(), payload.size(), header));
    EXPECT_EQ(8, header.bitsPerPixel);
    EXPECT_EQ(qnl::kNoColorKey, header.colorkey);
}

TEST_F(DpftoolImage, EightBitsStoreThePalette) {
    ASSERT_EQ(0, Tool({"add-image", "pack.dpf", "p", "picture.png", "--bpp", "8"}).status);
    std::vector<Uint8> payload = Block("pack.dpf", "p");
    SDL_Surface *s = qnl::DecodeImageBlock(payload.data(), payload.size());
    ASSERT_NE(nullptr, s);
    ASSERT_NE(nullptr, s->format->palette);
    SDL_Surface *source = qnl::LoadImageFile("picture.png");
    const Rgba a = At(source, 11, 6), b = At(s, 11, 6);
    EXPECT_EQ(a.r, b.r);
    EXPECT_EQ(a.b, b.b);
    SDL_FreeSurface(s);
    SDL_FreeSurface(source);
}

TEST_F(DpftoolImage, BitmapsAndBadInput) {
    SDL_Surface *s = qnl::LoadImageFile("picture.png");
    SDL_Surface *rgb = qnl::ConvertDepth(s, 24);
    ASSERT_EQ(0, SDL_SaveBMP(rgb, "picture.bmp"));
    ASSERT_EQ(0, Tool({"add-image", "pack.dpf", "bmp", "picture.bmp"}).status);
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(s);

    for (const std::vector<std::string> &usage :
         {std::vector<std::string>{"add-image", "pack.dpf", "x", "picture.png", "--bpp", "12"},
          {"add-image", "pack.dpf", "x", "picture.png", "--colorkey", "1,2"},
          {"add-image", "pack.dpf", "x", "picture.png", "--colorkey", "1,2,300"},
          {"add-image", "pack.dpf", "x", "picture.png", "--alpha", "256"},
          {"add-image", "pack.dpf", "x", "picture.png", "--mode", "zipped"},
          {"add-image", "pack.dpf", std::string(32, 'n'), "picture.png"},
          {"add-image", "pack.dpf", "x"},
          {"export-image", "pack.dpf", "x"}})
        EXPECT_EQ(2, Tool(usage).status) << usage[4 < usage.size() ? 4 : 1];

    WriteFile("notes.txt", "no picture here");
    EXPECT_EQ(1, Tool({"add-image", "pack.dpf", "x", "notes.txt"}).status);
    EXPECT_EQ(1, Tool({"add-image", "pack.dpf", "x", "absent.png"}).status);
    EXPECT_EQ(1, Tool({"export-image", "pack.dpf", "absent", "out.png"}).status);
    EXPECT_EQ(1, Tool({"export-image", "missing.dpf", "bmp", "out.png"}).status);
    EXPECT_FALSE(FileExists("out.png"));

    // A block of type IMG that is no picture.
    WriteFile("junk.bin", std::string(60, 'j'));
    ASSERT_EQ(0, Tool({"add", "pack.dpf", "junk", "IMG", "junk.bin"}).status);
    RunResult damaged = Tool({"export-image", "pack.dpf", "junk", "out.png"});
    EXPECT_EQ(1, damaged.status);
    EXPECT_NE(std::string::npos, damaged.err.find("damaged"));
}
