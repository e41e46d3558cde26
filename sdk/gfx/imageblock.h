// The payload of an "IMG" package block: a surface stored as it lies in
// memory. Little-endian, read and written field by field:
//
//   0  width (s32)          12 bits per pixel (8, 16, 24, 32)
//   4  height (s32)         13 bytes per pixel (ignored)
//   8  reserved             14 R, G, B, A loss; 18 R, G, B, A shift (ignored)
//   24 R mask  28 G mask  32 B mask  36 A mask (0: no alpha per pixel)
//   40 colour key in the pixel format, or -1 for none
//   44 per-surface alpha (255 opaque)
//   48 pixels, rows from the top, each width x bytes per pixel rounded up
//      to a multiple of 4
//   then, for 8 bits per pixel only, 256 palette entries of R, G, B, unused.
#ifndef QUENLAR_GFX_IMAGEBLOCK_H
#define QUENLAR_GFX_IMAGEBLOCK_H

#include <SDL.h>
#include <cstddef>
#include <vector>

namespace qnl {

constexpr size_t kImageHeaderSize = 48;
constexpr size_t kImagePaletteSize = 1024;
constexpr Uint32 kNoColorKey = 0xFFFFFFFF;

// Bytes 8 to 47 are SDL's pixel-format record, which sprite and tile blocks
// store too, each at a place of its own and followed by the pixels as here.
constexpr size_t kImageRecordOffset = 8;
constexpr size_t kImageRecordSize = 40;
constexpr size_t kImageRecordColorKey = 32; // the colour key's offset in the record

struct ImageBlockHeader {
    Sint32 width = 0, height = 0;
    Uint8 bitsPerPixel = 0;
    Uint32 rmask = 0, gmask = 0, bmask = 0, amask = 0;
    Uint32 colorkey = kNoColorKey;
    Uint8 alpha = 255;
};

// Reads the header of a payload of `size` bytes. false when the payload is
// shorter than its header, the depth is not 8, 16, 24 or 32, the size is
// not positive, or the pixels (and palette) the header promises are not all
// in the payload.
bool ParseImageBlockHeader(const Uint8 *data, size_t size, ImageBlockHeader &header);

// The same for a pixel-format record kept in another payload: `record`
// points at the 40-byte record, `size` counts it and the pixels (and
// palette) that follow it, and the picture's size is stored elsewhere.
bool ParseImageRecord(const Uint8 *record, size_t size, Sint32 width, Sint32 height,
                      ImageBlockHeader &header);

// Row length of the stored pixels: width x bytes per pixel, to 4 bytes.
size_t ImageStoredPitch(const ImageBlockHeader &header);

// A new software surface of the payload's own layout, for its rows to be
// read straight into; null when the SDL library lacks the layout or cannot
// make the surface (DecodeImageBlock of the whole payload handles both).
SDL_Surface *NewImageSurface(const ImageBlockHeader &header);
// Gives a surface made for a payload its palette (8 bits: `palette`, the
// payload's last 1024 bytes), alpha and colour key, as DecodeImageBlock does.
void FinishImageSurface(SDL_Surface *surface, const ImageBlockHeader &header, const Uint8 *palette);

// A new software surface holding the payload's pixels and palette, with its
// alpha and colour key set as stored: alpha per pixel when the alpha mask is
// set and the stored alpha is 255, otherwise per-surface alpha below 255;
// colour keying on for a key other than -1, and -1 recorded as the
// surface's key otherwise. Null for a payload that does not parse.
SDL_Surface *DecodeImageBlock(const Uint8 *data, size_t size, ImageBlockHeader *header = nullptr);
// DecodeImageBlock for a record kept in another payload (ParseImageRecord).
SDL_Surface *DecodeImageRecord(const Uint8 *record, size_t size, Sint32 width, Sint32 height,
                               ImageBlockHeader *header = nullptr);

// The payload of `surface` with the given colour key (kNoColorKey for
// none) and per-surface alpha. Empty for a surface of another depth.
std::vector<Uint8> EncodeImageBlock(SDL_Surface *surface, Uint32 colorkey, Uint8 alpha);

} // namespace qnl

#endif
