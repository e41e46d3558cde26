// dpftool add-sprite, and sprites in list and preview, run as a user runs
// them; what they store is then loaded here through CSprite.
#include "video/engine_fixture.h"

#include <quenlar/gfx/imageconvert.h>
#include <quenlar/gfx/pixel_private.h>
#include <quenlar/gfx/pngwriter.h>
#include <quenlar/gfx/spriteblock_private.h>

#include <cmath>
#include <cstring>

using namespace testing_support;

namespace {
RunResult Tool(const std::vector<std::string> &args) {
    std::vector<std::string> argv = {Program("dpftool")};
    argv.insert(argv.end(), args.begin(), args.end());
    return Run(argv);
}

// A 64 x 48 sheet with alpha: 3 rows of 4 frames of 16 x 16, a ball that
// moves across each frame on a transparent ground, another colour per row.
void WriteSheet(const char *file, int width = 64, int height = 48) {
    SDL_Surface *s =
        SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int row = y / 16, frame = x / 16;
            const double cx = 4 + frame * 2.5, cy = 8, d = std::hypot(x % 16 - cx, y % 16 - cy);
            const Uint8 a = d < 4 ? 255 : d < 5 ? 128 : 0;
            qnl::WriteRawPixel(s, x, y,
                               SDL_MapRGBA(s->format, row == 0 ? 230 : 40, row == 1 ? 200 : 60,
                                           row == 2 ? 240 : 50, a));
        }
    qnl::SavePNG(s, file);
    SDL_FreeSurface(s);
}

const char kDescription[] = R"(<?xml version="1.0"?>
<sprite frame="16x16" x="100" y="80">
  <animation mode="loop" anchor="8,15" durations="100 100 100 250"/>
  <animation mode="back-and-forth" durations="80, 80, 80, 80"/>
  <animation mode="once" first="1" end="3" durations="50 50 50"/>
</sprite>
)";

qnl::SpriteBlock Stored(int handle, const char *name) {
    DPFBlock b;
    std::memset(&b, 0, sizeof b);
    qnl::SpriteBlock sprite;
    const int size = IStuffDPF->LoadBlock(handle, "SPR2", name, &b);
    EXPECT_TRUE(size > 0 &&
                qnl::ParseSpriteBlock(reinterpret_cast<Uint8 *>(b.data), (size_t)size, sprite));
    delete[] b.data;
    return sprite;
}
} // namespace

class DpftoolSprite : public EngineTest {
protected:
    void SetUp() override {
        WriteSheet("sheet.png");
        WriteFile("ball.xml", kDescription);
    }
};

TEST_F(DpftoolSprite, SheetAndDescriptionLoadListAndPreview) {
    RunResult add = Tool({"add-sprite", "pack.dpf", "ball", "sheet.png", "ball.xml"});
    ASSERT_EQ(0, add.status) << add.err;
    RunResult list = Tool({"list", "pack.dpf"});
    EXPECT_NE(std::string::npos, list.out.find("sprite, frames 16x16, 3 animations, 32 bits"))
        << list.out;

    Start();
    const int handle = IStuffDPF->Open("pack.dpf");
    ASSERT_GT(handle, 0);
    const qnl::SpriteBlock stored = Stored(handle, "ball");
    EXPECT_EQ(100, stored.x);
    EXPECT_EQ(64, stored.sheetWidth);
    ASSERT_EQ(3u, stored.animations.size());
    EXPECT_EQ(8, stored.animations[0].anchorX);
    EXPECT_EQ(15, stored.animations[0].anchorY);
    EXPECT_EQ(std::vector<Uint32>({100, 100, 100, 250}), stored.animations[0].durations);
    EXPECT_EQ(qnl::kSpriteBackAndForth, stored.animations[1].mode);
    EXPECT_EQ(4, stored.animations[1].end);
    EXPECT_EQ(qnl::kSpriteOnce, stored.animations[2].mode);
    EXPECT_EQ(1, stored.animations[2].first);
    EXPECT_EQ(3, stored.animations[2].end);
    CSprite sprite;
    EXPECT_EQ(3, sprite.Load(handle, "ball", "SPR2"));
    IStuffDPF->Close(handle);
    SDL_Surface *target =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 200, 200, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    sprite.Draw(target); // frame 0's ball centre (4, 8) lands at (100 - 8 + 4, 80 - 15 + 8)
    Uint8 r, g, b;
    SDL_GetRGB(qnl::ReadRawPixel(target, 96, 73), target->format, &r, &g, &b);
    EXPECT_EQ(230, r);
    EXPECT_EQ(0u, qnl::ReadRawPixel(target, 92, 65)); // the frame's transparent corner
    SDL_FreeSurface(target);

    const std::string shown = ArtifactPath("sprite-preview.png");
    RunResult preview = Tool({"preview", "pack.dpf", "ball", "SPR2", shown});
    ASSERT_EQ(0, preview.status) << preview.err;
    SDL_Surface *picture = qnl::LoadImageFile(shown.c_str());
    ASSERT_NE(nullptr, picture);
    EXPECT_GE(picture->w, 4 * 16 * 3); // the frames enlarged three times
    EXPECT_GE(picture->h, 3 * 16 * 3);
    SDL_FreeSurface(picture);
}

TEST_F(DpftoolSprite, RefusesWhatWouldNotFitOrParse) {
    WriteSheet("small.png", 48, 48);
    RunResult small = Tool({"add-sprite", "pack.dpf", "ball", "small.png", "ball.xml"});
    EXPECT_EQ(1, small.status);
    EXPECT_NE(std::string::npos,
              small.err.find("small.png: a sheet of 48x48 pixels does not hold the described "
                             "frames: animation 0 has 4 frames of 16x16"))
        << small.err;
    EXPECT_FALSE(FileExists("pack.dpf"));

    const struct {
        const char *xml, *message;
    } cases[] = {
        {"<sprite frame=\"16x16\">\n<animation mode=\"jump\" durations=\"1\"/></sprite>",
         "bad.xml:2: mode must be loop, back-and-forth, once or still"},
        {"<sprite frame=\"16x0\"><animation mode=\"loop\" durations=\"1\"/></sprite>",
         "bad.xml:1: frame must be two whole numbers from 1 to 32767 as WxH"},
        {"<sprite frame=\"16x16\" speed=\"2\"/>",
         "bad.xml:1: unknown attribute 'speed' of <sprite>"},
        {"<sprite frame=\"16x16\"/>", "bad.xml:1: no <animation> is described"},
        {"<sprite frame=\"16x16\"><animation mode=\"once\" end=\"3\" durations=\"5 5\"/></sprite>",
         "bad.xml:1: end must be a whole number from 0 to 2"},
        {"<sprite frame=\"16x16\"><animation mode=\"once\" durations=\"5 -5\"/></sprite>",
         "bad.xml:1: durations must be milliseconds"},
        {"<sprite frame=\"16x16\"><animation", "bad.xml:1: "},
    };
    for (const auto &c : cases) {
        WriteFile("bad.xml", c.xml);
        RunResult bad = Tool({"add-sprite", "pack.dpf", "ball", "sheet.png", "bad.xml"});
        EXPECT_EQ(1, bad.status) << c.xml;
        EXPECT_NE(std::string::npos, bad.err.find(c.message)) << bad.err;
    }
    EXPECT_FALSE(FileExists("pack.dpf"));

    // A sheet taller than its animations keeps only their rows.
    WriteFile("two.xml", "<sprite frame=\"16x16\"><animation mode=\"loop\" durations=\"9 9 9 9\"/>"
                         "<animation mode=\"loop\" durations=\"9\"/></sprite>");
    RunResult tall = Tool({"add-sprite", "pack.dpf", "two", "sheet.png", "two.xml", "--bpp", "16"});
    ASSERT_EQ(0, tall.status) << tall.err;
    EXPECT_NE(std::string::npos, tall.err.find("rows from 32 down")) << tall.err;
    EXPECT_EQ(1, Tool({"add-sprite", "pack.dpf", "two", "sheet.png", "two.xml"}).status);
    EXPECT_EQ(0,
              Tool({"add-sprite", "pack.dpf", "two", "sheet.png", "ball.xml", "--replace"}).status);
    RunResult list = Tool({"list", "pack.dpf"});
    EXPECT_NE(std::string::npos, list.out.find("3 animations, 32 bits")) << list.out;
}
