#include <quenlar/gfx/pngwriter.h>

#include <quenlar/gfx/pixel_private.h>
#include <quenlar/platform/filesystem.h>

#include <cstdio>
#include <png.h>

namespace qnl {

namespace {
void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto *out = static_cast<std::vector<Uint8> *>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void NoFlush(png_structp) {}

// The surface's pixels as 8-bit RGB or RGBA rows.
std::vector<Uint8> Channels(SDL_Surface *s, bool alpha) {
    const int n = alpha ? 4 : 3;
    std::vector<Uint8> rows((size_t)s->w * (size_t)s->h * (size_t)n);
    const bool keyed = (s->flags & SDL_SRCCOLORKEY) != 0;
    Uint8 *out = rows.data();
    for (int y = 0; y < s->h; ++y) {
        for (int x = 0; x < s->w; ++x, out += n) {
            const Uint32 raw = ReadRawPixel(s, x, y);
            Uint8 a = 255;
            SDL_GetRGBA(raw, s->format, &out[0], &out[1], &out[2], &a);
            if (alpha) out[3] = keyed && raw == s->format->colorkey ? 0 : a;
        }
    }
    return rows;
}
} // namespace

std::vector<Uint8> EncodePNG(SDL_Surface *surface) {
    std::vector<Uint8> out;
    if (!surface || surface->w <= 0 || surface->h <= 0) return out;
    const bool alpha = surface->format->Amask || (surface->flags & SDL_SRCCOLORKEY);

    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) < 0) return out;
    std::vector<Uint8> pixels = surface->pixels ? Channels(surface, alpha) : std::vector<Uint8>();
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    if (pixels.empty()) return out;

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return out;
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows((size_t)surface->h);
    const size_t stride = (size_t)surface->w * (alpha ? 4 : 3);
    for (int y = 0; y < surface->h; ++y)
        rows[(size_t)y] = pixels.data() + (size_t)y * stride;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendBytes, NoFlush);
    png_set_IHDR(png, info, (png_uint_32)surface->w, (png_uint_32)surface->h, 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

int SavePNG(SDL_Surface *surface, const char *path) {
    if (!path) return 0;
    const std::vector<Uint8> bytes = EncodePNG(surface);
    if (bytes.empty()) return 0;
    FILE *f = std::fopen(platform::NativePath(path).c_str(), "wb");
    if (!f) return 0;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok ? 1 : 0;
}

} // namespace qnl
