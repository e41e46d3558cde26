#include <quenlar/gfx/imageblock.h>

#include <quenlar/core/bytes_private.h>
#include <quenlar/core/error_private.h>
#include <quenlar/platform/pixelformat_private.h>

#include <algorithm>
#include <cstring>

namespace qnl {

namespace {
// Row length of the stored pixels: width x bytes per pixel, to 4 bytes.
size_t StoredPitch(Sint32 width, int bitsPerPixel) {
    return ((size_t)width * (size_t)(bitsPerPixel / 8) + 3) & ~(size_t)3;
}

// SDL surfaces address rows and columns with 16-bit values.
constexpr Sint32 kMaxSide = 32767;

// Records why a block cannot be an image; returns false.
bool Damaged(const char *reason) {
    SetError(ErrorCode::kCorrupted, "image block %s", reason);
    return false;
}
} // namespace

bool ParseImageBlockHeader(const Uint8 *data, size_t size, ImageBlockHeader &h) {
    if (!data || size < kImageHeaderSize) return Damaged("shorter than its header");
    return ParseImageRecord(data + kImageRecordOffset, size - kImageRecordOffset,
                            (Sint32)GetLE32(data + 0), (Sint32)GetLE32(data + 4), h);
}

bool ParseImageRecord(const Uint8 *record, size_t size, Sint32 width, Sint32 height,
                      ImageBlockHeader &h) {
    if (!record || size < kImageRecordSize) return Damaged("shorter than its header");
    h.width = width;
    h.height = height;
    h.bitsPerPixel = record[4];
    h.rmask = GetLE32(record + 16);
    h.gmask = GetLE32(record + 20);
    h.bmask = GetLE32(record + 24);
    h.amask = GetLE32(record + 28);
    h.colorkey = GetLE32(record + kImageRecordColorKey);
    h.alpha = record[36];
    const int bpp = h.bitsPerPixel;
    if (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return Damaged("of an unknown depth");
    if (h.width <= 0 || h.height <= 0 || h.width > kMaxSide || h.height > kMaxSide)
        return Damaged("of a size out of range");
    // Everything the header promises must be in the payload: the surface
    // is never larger than the block that describes it (or four times that,
    // for pixels of a layout the SDL library lacks, widened to 32 bits).
    const size_t trailer = bpp == 8 ? kImagePaletteSize : 0;
    const size_t pixels = StoredPitch(h.width, bpp) * (size_t)h.height;
    const size_t available = size - kImageRecordSize;
    if (available >= trailer && available - trailer >= pixels) return true;
    return Damaged("with fewer pixels than its header says");
}

size_t ImageStoredPitch(const ImageBlockHeader &h) {
    return StoredPitch(h.width, h.bitsPerPixel);
}

namespace {
platform::PixelLayout LayoutOf(const ImageBlockHeader &h) {
    return {h.bitsPerPixel, h.rmask, h.gmask, h.bmask, h.amask};
}
} // namespace

SDL_Surface *NewImageSurface(const ImageBlockHeader &h) {
    return platform::SurfaceOfLayout(LayoutOf(h), h.width, h.height);
}

void FinishImageSurface(SDL_Surface *s, const ImageBlockHeader &h, const Uint8 *palette) {
    if (h.bitsPerPixel == 8 && s->format->palette && palette) {
        SDL_Color colors[256];
        for (int i = 0; i < 256; ++i)
            colors[i] = {palette[4 * i], palette[4 * i + 1], palette[4 * i + 2], 0};
        SDL_SetColors(s, colors, 0, 256);
    }

    // Alpha per pixel comes from the masks; it wins over the stored values.
    const bool perPixelAlpha = (s->flags & SDL_SRCALPHA) && s->format->Amask && h.alpha == 255;
    if (!perPixelAlpha) {
        SDL_SetAlpha(s, h.alpha < 255 ? SDL_SRCALPHA : 0, h.alpha);
        if (h.colorkey == kNoColorKey) {
            SDL_SetColorKey(s, 0, 0);
            s->format->colorkey = kNoColorKey;
        } else {
            SDL_SetColorKey(s, SDL_SRCCOLORKEY, platform::PixelIn(s, LayoutOf(h), h.colorkey));
        }
    }
}

SDL_Surface *DecodeImageBlock(const Uint8 *data, size_t size, ImageBlockHeader *out) {
    if (!data || size < kImageHeaderSize) {
        Damaged("shorter than its header");
        return nullptr;
    }
    return DecodeImageRecord(data + kImageRecordOffset, size - kImageRecordOffset,
                             (Sint32)GetLE32(data + 0), (Sint32)GetLE32(data + 4), out);
}

SDL_Surface *DecodeImageRecord(const Uint8 *record, size_t size, Sint32 width, Sint32 height,
                               ImageBlockHeader *out) {
    ImageBlockHeader h;
    if (!ParseImageRecord(record, size, width, height, h)) return nullptr;
    SDL_Surface *s = platform::SurfaceFromPixels(LayoutOf(h), h.width, h.height,
                                                 record + kImageRecordSize, ImageStoredPitch(h));
    if (!s) {
        SetError(ErrorCode::kNoMemory, "%s", SDL_GetError());
        return nullptr;
    }
    FinishImageSurface(s, h, h.bitsPerPixel == 8 ? record + size - kImagePaletteSize : nullptr);
    if (out) *out = h;
    return s;
}

std::vector<Uint8> EncodeImageBlock(SDL_Surface *s, Uint32 colorkey, Uint8 alpha) {
    std::vector<Uint8> out;
    if (!s) {
        SetError(ErrorCode::kInvalidArgument, "no surface was given.");
        return out;
    }
    const SDL_PixelFormat *f = s->format;
    const int bpp = platform::StoredBitsPerPixel(f);
    if (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
        SetError(ErrorCode::kUnsupported, "a %d-bit surface cannot be stored.", bpp);
        return out;
    }
    const size_t pitch = StoredPitch(s->w, bpp);
    const bool palette = bpp == 8;
    out.assign(kImageHeaderSize + pitch * (size_t)s->h + (palette ? kImagePaletteSize : 0), 0);

    Uint8 *p = out.data();
    PutLE32(p + 0, (Uint32)s->w);
    PutLE32(p + 4, (Uint32)s->h);
    p[12] = (Uint8)bpp;
    p[13] = f->BytesPerPixel;
    p[14] = f->Rloss, p[15] = f->Gloss, p[16] = f->Bloss, p[17] = f->Aloss;
    p[18] = f->Rshift, p[19] = f->Gshift, p[20] = f->Bshift, p[21] = f->Ashift;
    PutLE32(p + 24, f->Rmask);
    PutLE32(p + 28, f->Gmask);
    PutLE32(p + 32, f->Bmask);
    PutLE32(p + 36, f->Amask);
    PutLE32(p + kImageRecordOffset + kImageRecordColorKey, colorkey);
    p[44] = alpha;

    if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) < 0) {
        SetError(ErrorCode::kUnsupported, "%s", SDL_GetError());
        return {};
    }
    const size_t row = std::min(pitch, (size_t)s->pitch);
    const Uint8 *src = static_cast<const Uint8 *>(s->pixels);
    for (int y = 0; y < s->h; ++y)
        std::memcpy(p + kImageHeaderSize + y * pitch, src + (size_t)y * s->pitch, row);
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);

    if (palette && f->palette) {
        Uint8 *q = p + kImageHeaderSize + pitch * (size_t)s->h;
        const int n = std::min(f->palette->ncolors, 256);
        for (int i = 0; i < n; ++i) {
            const SDL_Color &c = f->palette->colors[i];
            q[4 * i] = c.r, q[4 * i + 1] = c.g, q[4 * i + 2] = c.b;
        }
    }
    return out;
}

} // namespace qnl
