// The payload of a "FONT2" package block: the stored surface record of an
// "IMG" payload (gfx/imageblock.h) without palette, then a trailer:
//
//   0            header: width, height, pixel format, per-surface alpha at 44
//                (the colour key at 40 is not used: a font's transparent
//                colour is its bottom-left pixel)
//   48           pixels, rows of width x bytes per pixel rounded up to 4
//   size - 132   spacing (s32): extra pixels after each character
//   size - 128   128 reserved bytes, zero
//
// A version 1.0 "FONT" payload is the same without the trailer.
#ifndef QUENLAR_GFX_FONTBLOCK_H
#define QUENLAR_GFX_FONTBLOCK_H

#include <quenlar/gfx/imageblock.h>

#include <SDL.h>
#include <cstddef>
#include <vector>

namespace qnl {

constexpr size_t kFontTrailerSize = 132;

struct FontBlockHeader {
    ImageBlockHeader image;
    Sint32 spacing = 0;
};

// Reads the header of a payload of `size` bytes, a "FONT2" one when
// `trailer`, else a version 1.0 "FONT" one. false (the reason recorded)
// when the payload is shorter than its header and trailer, the surface
// record is damaged (see ParseImageBlockHeader) or holds no row below the
// marker row.
bool ParseFontBlock(const Uint8 *data, size_t size, bool trailer, FontBlockHeader &header);

// A new software surface of the stored size and format holding the
// payload's pixels, nothing else set; null for a payload that does not
// parse.
SDL_Surface *DecodeFontBlock(const Uint8 *data, size_t size, bool trailer,
                             FontBlockHeader *header = nullptr);

// The "FONT2" payload of a font sheet (16, 24 or 32 bits per pixel). Empty
// for another depth (recorded).
std::vector<Uint8> EncodeFontBlock(SDL_Surface *sheet, Sint32 spacing, Uint8 alpha);

} // namespace qnl

#endif
