// dpftool add-tile, and tiles in list and preview, run as a user runs them;
// what they store is then loaded here through CTile.
#include "video/engine_fixture.h"

#include <quenlar/gfx/imageconvert.h>
#include <quenlar/gfx/pixel_private.h>
#include <quenlar/gfx/pngwriter.h>

using namespace testing_support;

namespace {
RunResult Tool(const std::vector<std::string> &args) {
    std::vector<std::string> argv = {Program("dpftool")};
    argv.insert(argv.end(), args.begin(), args.end());
    return Run(argv);
}

// 64 x 32, cells of 16 x 16 in colours of their own, with a magenta dot
// (the transparent colour) in every cell's corner.
void WritePicture(const char *file) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 64, 32, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int cell = 0; cell < 8; ++cell) {
        SDL_Rect r = {(Sint16)(cell % 4 * 16), (Sint16)(cell / 4 * 16), 16, 16};
        SDL_FillRect(s, &r,
                     SDL_MapRGB(s->format, (Uint8)(cell * 30), 120, (Uint8)(240 - cell * 30)));
        SDL_Rect dot = {(Sint16)(r.x + 12), (Sint16)(r.y + 1), 3, 3};
        SDL_FillRect(s, &dot, 0xFF00FF);
    }
    qnl::SavePNG(s, file);
    SDL_FreeSurface(s);
}
} // namespace

class DpftoolTile : public EngineTest {
protected:
    void SetUp() override { WritePicture("cells.png"); }
};

TEST_F(DpftoolTile, TileSetLoadsListsAndPreviews) {
    RunResult add = Tool({"add-tile", "pack.dpf", "cells", "cells.png", "--cells", "16x16",
                          "--colorkey", "255,0,255", "--position", "5,-6"});
    ASSERT_EQ(0, add.status) << add.err;
    ASSERT_EQ(0, Tool({"add-tile", "pack.dpf", "whole", "cells.png", "--type", "TILB2"}).status);
    RunResult list = Tool({"list", "pack.dpf"});
    EXPECT_NE(std::string::npos, list.out.find("tile 64x32, 24 bits, tile set of 8 cells of 16x16"))
        << list.out;
    EXPECT_NE(std::string::npos, list.out.find("TILB2")) << list.out;

    Start();
    const int handle = IStuffDPF->Open("pack.dpf");
    ASSERT_GT(handle, 0);
    CTile tile, whole;
    ASSERT_TRUE(tile.Load(handle, "cells", "TILE2"));
    ASSERT_TRUE(whole.Load(handle, "whole", "TILB"));
    IStuffDPF->Close(handle);
    EXPECT_EQ(5, tile.GetX());
    EXPECT_EQ(-6, tile.GetY());
    SDL_Surface *target =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 40, 40, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    tile.SetPosition(0, 0);
    EXPECT_EQ(1, tile.Draw(target, 7)); // cell 7: the second row's third
    Uint8 r, g, b;
    SDL_GetRGB(qnl::ReadRawPixel(target, 0, 0), target->format, &r, &g, &b);
    EXPECT_EQ(180, r);
    EXPECT_EQ(0u, qnl::ReadRawPixel(target, 13, 2)); // the transparent dot
    EXPECT_EQ(0, tile.Draw(target, 9));
    SDL_FreeSurface(target);

    for (const char *type : {"TILE2", "TILB2"}) {
        const std::string shown = ArtifactPath(std::string("tile-preview-") + type + ".png");
        RunResult preview =
            Tool({"preview", "pack.dpf", type[3] == 'E' ? "cells" : "whole", type, shown});
        ASSERT_EQ(0, preview.status) << preview.err;
        SDL_Surface *picture = qnl::LoadImageFile(shown.c_str());
        ASSERT_NE(nullptr, picture);
        EXPECT_GE(picture->w, 64 * 3);
        SDL_FreeSurface(picture);
    }
}

TEST_F(DpftoolTile, RefusesCellsThatDoNotFit) {
    RunResult bad = Tool({"add-tile", "pack.dpf", "cells", "cells.png", "--cells", "10x16"});
    EXPECT_EQ(1, bad.status);
    EXPECT_NE(std::string::npos,
              bad.err.find("cells.png: 64x32 pixels are no whole number of 10x16 cells"))
        << bad.err;
    EXPECT_FALSE(FileExists("pack.dpf"));
    EXPECT_EQ(2, Tool({"add-tile", "pack.dpf", "cells", "cells.png", "--type", "TILE"}).status);
    EXPECT_EQ(2, Tool({"add-tile", "pack.dpf", "cells", "cells.png", "--cells", "0x16"}).status);
    EXPECT_EQ(1, Tool({"add-tile", "pack.dpf", "cells", "absent.png"}).status);
}
