#include <quenlar/gfx/fontblock.h>

#include <quenlar/core/bytes_private.h>
#include <quenlar/core/error_private.h>

#include <algorithm>
#include <cstring>

namespace qnl {

bool ParseFontBlock(const Uint8 *data, size_t size, bool trailer, FontBlockHeader &h) {
    const size_t tail = trailer ? kFontTrailerSize : 0;
    if (!data || size < kImageHeaderSize + tail) {
        SetError(ErrorCode::kCorrupted, "font block shorter than its header%s",
                 trailer ? " and trailer" : "");
        return false;
    }
    // The image check counts a palette after the pixels of 8-bit pictures;
    // fonts store none.
    const size_t surface = size - tail + (data[12] == 8 ? kImagePaletteSize : 0);
    if (!ParseImageBlockHeader(data, surface, h.image)) return false; // recorded
    if (h.image.height < 2) {
        SetError(ErrorCode::kCorrupted, "font block without a row below its marker row");
        return false;
    }
    h.spacing = trailer ? (Sint32)GetLE32(data + size - kFontTrailerSize) : 0;
    return true;
}

SDL_Surface *DecodeFontBlock(const Uint8 *data, size_t size, bool trailer, FontBlockHeader *out) {
    FontBlockHeader h;
    if (!ParseFontBlock(data, size, trailer, h)) return nullptr;
    const ImageBlockHeader &i = h.image;
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, i.width, i.height, i.bitsPerPixel, i.rmask,
                                          i.gmask, i.bmask, i.amask);
    if (!s) {
        SetError(ErrorCode::kNoMemory, "%s", SDL_GetError());
        return nullptr;
    }
    const size_t pitch = ((size_t)i.width * (size_t)(i.bitsPerPixel / 8) + 3) & ~(size_t)3;
    const size_t row = std::min(pitch, (size_t)s->pitch);
    const Uint8 *src = data + kImageHeaderSize;
    Uint8 *dst = static_cast<Uint8 *>(s->pixels);
    for (Sint32 y = 0; y < i.height; ++y)
        std::memcpy(dst + (size_t)y * s->pitch, src + (size_t)y * pitch, row);
    if (out) *out = h;
    return s;
}

std::vector<Uint8> EncodeFontBlock(SDL_Surface *sheet, Sint32 spacing, Uint8 alpha) {
    if (sheet && sheet->format->BitsPerPixel == 8) {
        SetError(ErrorCode::kUnsupported, "an 8-bit surface cannot be a font.");
        return {};
    }
    std::vector<Uint8> out = EncodeImageBlock(sheet, kNoColorKey, alpha);
    if (out.empty()) return out; // recorded
    out.resize(out.size() + kFontTrailerSize, 0);
    PutLE32(out.data() + out.size() - kFontTrailerSize, (Uint32)spacing);
    return out;
}

} // namespace qnl
