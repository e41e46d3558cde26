// CTile: whole pictures and tile sets, block types, version 1.0 blocks and
// damaged ones.
#include "video/engine_fixture.h"

#include <quenlar/core/bytes_private.h>
#include <quenlar/gfx/pixel_private.h>
#include <quenlar/gfx/tileblock_private.h>

#include <cstring>

namespace {
// A 64 x 32 picture whose every 16 x 16 cell has a colour of its own.
SDL_Surface *Picture(int bpp = 32) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 64, 32, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int cell = 0; cell < 8; ++cell) {
        SDL_Rect r = {(Sint16)(cell % 4 * 16), (Sint16)(cell / 4 * 16), 16, 16};
        SDL_FillRect(s, &r, 0x1F1F1Fu * (Uint32)(cell + 1));
    }
    if (bpp == 32) return s;
    SDL_PixelFormat format = *s->format;
    format.BitsPerPixel = 24;
    format.BytesPerPixel = 3;
    SDL_Surface *other = SDL_ConvertSurface(s, &format, SDL_SWSURFACE);
    SDL_FreeSurface(s);
    return other;
}

std::vector<Uint8> TilePayload(bool tileSet, Sint32 cellWidth, Sint32 cellHeight, int bpp = 32) {
    qnl::TileBlock tile;
    tile.x = 3;
    tile.y = 4;
    tile.tileSet = tileSet;
    tile.cellWidth = cellWidth;
    tile.cellHeight = cellHeight;
    SDL_Surface *picture = Picture(bpp);
    std::vector<Uint8> payload = qnl::EncodeTileBlock(tile, picture, qnl::kNoColorKey, 255);
    SDL_FreeSurface(picture);
    return payload;
}

// The version 1.0 form: no trailer, one cell size, colour key 0 for none.
std::vector<Uint8> OldTilePayload(Sint32 cellSize) {
    std::vector<Uint8> v = TilePayload(true, cellSize, cellSize, 24);
    v.resize(v.size() - qnl::kTileTrailerSize);
    qnl::PutLE32(&v[qnl::kTileRecordOffset + qnl::kImageRecordColorKey], 0);
    return v;
}
} // namespace

class Tile : public PackageTest {
protected:
    void SetUp() override { StartWithPackage("tiles.dpf", 100); }
    // The version 2.0 payload stored under `name` and `type`.
    qnl::TileBlock Stored(const char *name, const char *type) {
        DPFBlock b;
        std::memset(&b, 0, sizeof b);
        qnl::TileBlock tile;
        const int size = IStuffDPF->LoadBlock(handle, type, name, &b);
        EXPECT_TRUE(size > 0 &&
                    qnl::ParseTileBlock(reinterpret_cast<Uint8 *>(b.data), (size_t)size, tile));
        delete[] b.data;
        return tile;
    }
    Uint32 At(int x, int y) { return qnl::ReadRawPixel(target, x, y) & 0xFFFFFF; }
};

TEST_F(Tile, TileSetCells) {
    Add("set", "TILE2", TilePayload(true, 16, 16));
    CTile tile;
    ASSERT_TRUE(tile.Load(handle, "set", "TILE2"));
    EXPECT_EQ(3, tile.GetX());
    EXPECT_EQ(64, tile.GetWidth());
    tile.SetPosition(10, 20);
    EXPECT_EQ(1, tile.Draw(target, 6)); // second row, second cell: from (16, 16)
    EXPECT_EQ(0x1F1F1Fu * 6, At(10, 20));
    EXPECT_EQ(0x1F1F1Fu * 6, At(25, 35));
    EXPECT_EQ(0u, At(26, 36));

    log.Mark();
    EXPECT_EQ(0, tile.Draw(target, 0));
    EXPECT_EQ("", log.Body());
    EXPECT_EQ(0, tile.Draw(target, 9));
    EXPECT_TRUE(Logged(" . [CTileEngine::Draw(9)] Warning: the given tile number does not exist "
                       "in current tileset.\n"));

    EXPECT_FALSE(tile.SetTileSet(true, 10, 16)); // 64 is no multiple of 10: unchanged
    EXPECT_EQ(1, tile.Draw(target, 8));
    EXPECT_EQ(0x1F1F1Fu * 8, At(10, 20));
    EXPECT_TRUE(tile.SetTileSet(true, 0, 0));      // cells of one pixel
    EXPECT_EQ(1, tile.Draw(target, 64 * 16 + 17)); // (16, 16)
    EXPECT_EQ(0x1F1F1Fu * 6, At(10, 20));
    EXPECT_EQ(0x1F1F1Fu * 8, At(11, 20));
    EXPECT_EQ(1, tile.Draw(target, 64 * 32));
    EXPECT_EQ(0, tile.Draw(target, 64 * 32 + 1));
    EXPECT_FALSE(tile.SetTileSet(true, -16, 16));

    EXPECT_FALSE(tile.SetTileSet(false, 0, 0)); // whole picture again
    EXPECT_EQ(1, tile.Draw(target, 0));
    EXPECT_EQ(0x1F1F1Fu * 1, At(10, 20));
    EXPECT_EQ(0x1F1F1Fu * 8, At(73, 51));
}

TEST_F(Tile, TypesAndVersionOneBlocks) {
    Add("b", "TILB2", TilePayload(false, 0, 0));
    Add("old", "TILE", OldTilePayload(16));
    Add("oldb", "TILB", OldTilePayload(32));
    CTile b, old, oldb, none, bad;
    EXPECT_TRUE(b.Load(handle, "b", "TILB"));
    EXPECT_FALSE(bad.Load(handle, "b", "TIL"));
    EXPECT_TRUE(Logged(" . [CTile::Load('tiles.dpf','b','TIL')] Error: the typeblock is not "
                       "supported.\n"));

    ASSERT_TRUE(old.Load(handle, "old", "TILE"));
    EXPECT_TRUE(Logged(" . [CTile::Load('tiles.dpf','old','TILE')] Info: tile successfully updated "
                       "from v1.0 to v2.0.\n"));
    EXPECT_FALSE(Has("old", "TILE"));
    const qnl::TileBlock converted = Stored("old", "TILE2");
    EXPECT_EQ(16, converted.cellWidth);
    EXPECT_EQ(16, converted.cellHeight);
    EXPECT_EQ(qnl::kNoColorKey, converted.image.colorkey);
    EXPECT_FALSE(old.GetSurface()->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(1, old.Draw(target, 8)); // tile set of 16 x 16 cells from the old block

    ASSERT_TRUE(oldb.Load(handle, "oldb", "TILB2")); // "TILB2", then "TILB"
    EXPECT_TRUE(Has("oldb", "TILB2"));
    EXPECT_FALSE(Has("oldb", "TILB"));
    EXPECT_EQ(1, oldb.Draw(target, 2));

    log.Mark();
    EXPECT_FALSE(none.Load(handle, "nothing", "TILE"));
    EXPECT_TRUE(Logged(" . [CTile::Load('tiles.dpf','nothing','TILE')] Error: tile not found.\n"));
    EXPECT_FALSE(b.Load(handle, "b", "TILB2"));
    EXPECT_TRUE(Logged(" . [CTile::Load('tiles.dpf','b','TILB2')] Warning: tile already exists. It "
                       "is not possible to create another one.\n"));
    EXPECT_EQ(0, none.Draw(target));
    none.SetPosition(5, 5);
    EXPECT_EQ(0, none.GetX());
    EXPECT_EQ(nullptr, none.GetSurface());
    EXPECT_EQ(0, b.Draw());
    EXPECT_TRUE(
        Logged(" . [CTile::Draw()] Error: the given surface or Quenlar.screen are null.\n"));
}

TEST_F(Tile, DamagedBlocksAreRefusedByName) {
    std::vector<Uint8> good = TilePayload(false, 0, 0);
    std::vector<Uint8> wide = good, depth = good, empty = good;
    qnl::PutLE32(&wide[0], 65);             // a wider row than stored
    depth[qnl::kTileRecordOffset + 4] = 12; // no such depth
    qnl::PutLE32(&empty[4], 0);             // no height
    std::vector<Uint8> shortHead(good.begin(), good.begin() + 100);
    std::vector<Uint8> noPalette = TilePayload(false, 0, 0);
    noPalette[qnl::kTileRecordOffset + 4] = 8; // 8 bits: 64 x 32 bytes and a palette promised
    noPalette.resize(64 + 64 * 32 + 64);
    const std::vector<std::pair<const char *, std::vector<Uint8>>> cases = {{"wide", wide},
                                                                            {"depth", depth},
                                                                            {"empty", empty},
                                                                            {"short", shortHead},
                                                                            {"nopal", noPalette}};
    for (const auto &c : cases) {
        Add(c.first, "TILE2", c.second);
        log.Mark();
        CTile tile;
        EXPECT_FALSE(tile.Load(handle, c.first, "TILE2")) << c.first;
        EXPECT_TRUE(Logged(std::string(" . [CTile::Load('tiles.dpf','") + c.first +
                           "','TILE2')] Error: the TILE2 block '" + c.first + "' is damaged ("))
            << c.first << log.Body();
    }
    std::vector<Uint8> old = OldTilePayload(16);
    old.resize(old.size() - 1);
    Add("oldcut", "TILE", old);
    CTile tile;
    EXPECT_FALSE(tile.Load(handle, "oldcut", "TILE"));
    EXPECT_TRUE(Has("oldcut", "TILE"));
}

TEST(TileEngine, RefusedBeforeStart) {
    testing_support::TempDir dir;
    testing_support::LogCapture log(5);
    CTile tile;
    EXPECT_FALSE(tile.Load(1, "t", "TILE2"));
    EXPECT_NE(std::string::npos,
              log.Body().find(" . [CTile::Load('','t','TILE2')] Error: Quenlar was not "
                              "initialized. Aborting the tile creation.\n"));
    EXPECT_EQ(1, Quenlar.tilecount);
}
