// The payload of a sprite block, "SPR2" (and the version 1.0 "SPR" it
// replaces). Little-endian, read and written field by field:
//
//   0  frame width    4  frame height    8  x    12  y    (s32 each)
//   16 number of animations A            20 sheet width in pixels
//   24 A animations, each a 64-byte record and its N frame records:
//        0 play mode (s32)   4 N (u16)   6 current frame (u16)
//        8 reserved          12 first frame (u16)   14 end frame (u16)
//        16 anchor x (s16)   18 anchor y (s16)      20 reserved
//      frame record: duration in ms (u32), 12 reserved bytes
//   then the pixel-format record of an "IMG" payload (40 bytes), the
//   sheet's pixels (sheet width x A x frame height) and, for 8 bits, the
//   palette.
//
// "SPR" has the same head and tail; its animation records are 12 bytes
// (the first 12 above) followed by N durations of 4 bytes, and a colour key
// of 0 means none. SDK-internal; dpftool writes and describes blocks with it.
#ifndef QUENLAR_GFX_SPRITEBLOCK_PRIVATE_H
#define QUENLAR_GFX_SPRITEBLOCK_PRIVATE_H

#include <quenlar/gfx/imageblock.h>

#include <SDL.h>
#include <cstddef>
#include <vector>

namespace qnl {

// Play modes of an animation; any other value never advances.
enum SpritePlayMode : Sint32 {
    kSpriteLoop = 2,
    kSpriteBackAndForth = 4,
    kSpriteOnce = 8,
};

struct SpriteAnimation {
    Sint32 mode = kSpriteLoop;
    Uint16 current = 0;            // current frame
    Uint16 first = 0;              // where a loop restarts
    Uint16 end = 0;                // one past the last frame played
    Sint16 anchorX = 0;            // the frame is drawn this far left of the position
    Sint16 anchorY = 0;            // ... and this far above it
    std::vector<Uint32> durations; // one per frame record, in ms
};

struct SpriteBlock {
    Sint32 frameWidth = 0, frameHeight = 0;
    Sint32 x = 0, y = 0; // initial position
    Sint32 sheetWidth = 0;
    std::vector<SpriteAnimation> animations;
    size_t record = 0;      // offset of the pixel-format record
    ImageBlockHeader sheet; // the sheet: sheet width x (A x frame height)
};

// Reads an "SPR2" payload. false, with the reason recorded, when its sizes
// contradict each other or run past the payload: frames of no size, a sheet
// narrower than one frame or not holding the frames played, no animation,
// a frame range that is not first <= end <= N, records or pixels beyond the
// end, or an 8-bit sheet without its palette.
bool ParseSpriteBlock(const Uint8 *data, size_t size, SpriteBlock &sprite);

// The "SPR2" payload of an "SPR" payload: animation records widened to 64
// bytes (first frame 0, end frame N), durations to frame records, a colour
// key of 0 made -1. Empty, with the reason recorded, when the result would
// not parse.
std::vector<Uint8> UpgradeSpriteBlock(const Uint8 *data, size_t size);

// The "SPR2" payload of `sprite` (its head and animations; `record` and
// `sheet` are not used) with `sheet` as its pixels, the colour key in the
// sheet's format (kNoColorKey for none) and per-surface alpha. Empty for a
// sheet of an unstorable depth.
std::vector<Uint8> EncodeSpriteBlock(const SpriteBlock &sprite, SDL_Surface *sheet, Uint32 colorkey,
                                     Uint8 alpha);

} // namespace qnl

#endif
