// The payload of a tile block, "TILE2" or "TILB2" (and the version 1.0
// "TILE" and "TILB" they replace). Little-endian, field by field:
//
//   0  width    4  height    8  x    12  y    (s32 each)
//   16 tile-set flag (0 off)            20 cell width of the tile set
//   24 the pixel-format record of an "IMG" payload (40 bytes)
//   64 the pixels and, for 8 bits, the palette
//   last 64 bytes: cell height of the tile set (s32), 60 reserved bytes
//
// A version 1.0 payload has no 64-byte trailer; its cell size at 20 serves
// as cell width and height, and a colour key of 0 means none.
// SDK-internal; dpftool writes and describes blocks with it.
#ifndef QUENLAR_GFX_TILEBLOCK_PRIVATE_H
#define QUENLAR_GFX_TILEBLOCK_PRIVATE_H

#include <quenlar/gfx/imageblock.h>

#include <SDL.h>
#include <cstddef>
#include <vector>

namespace qnl {

constexpr size_t kTileRecordOffset = 24; // where the pixel-format record is
constexpr size_t kTileTrailerSize = 64;

struct TileBlock {
    Sint32 x = 0, y = 0;
    bool tileSet = false;
    Sint32 cellWidth = 0, cellHeight = 0;
    ImageBlockHeader image; // width, height and format
};

// Reads a "TILE2" or "TILB2" payload. false, with the reason recorded, when
// it is shorter than its head and trailer or its pixels (and the palette of
// an 8-bit tile) do not fit between them.
bool ParseTileBlock(const Uint8 *data, size_t size, TileBlock &tile);

// The version 2.0 payload of a "TILE" or "TILB" payload: the old data and a
// trailer holding the old cell size as cell height, a colour key of 0 made
// -1. Empty, with the reason recorded, when the old payload is damaged.
std::vector<Uint8> UpgradeTileBlock(const Uint8 *data, size_t size);

// The version 2.0 payload of `tile` (position and tile set; `image` is not
// used) with `picture` as its pixels, the colour key in its format
// (kNoColorKey for none) and per-surface alpha. Empty for a picture of an
// unstorable depth.
std::vector<Uint8> EncodeTileBlock(const TileBlock &tile, SDL_Surface *picture, Uint32 colorkey,
                                   Uint8 alpha);

} // namespace qnl

#endif
