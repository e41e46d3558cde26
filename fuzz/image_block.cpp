// The "IMG" block payload: decoding, pixel access on the decoded surface,
// conversion to another format, and writing it back.
#include <quenlar/gfx/imageblock.h>
#include <quenlar/gfx/pixel_private.h>
#include <quenlar/gfx/pngwriter.h>

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The decoder may only read `size` bytes: give it its own copy.
    std::vector<Uint8> bytes(data, data + size);
    qnl::ImageBlockHeader header;
    SDL_Surface *s = qnl::DecodeImageBlock(size ? bytes.data() : nullptr, size, &header);
    if (!s) return 0;

    Uint32 sum = 0;
    for (int y = 0; y < s->h; y += 7)
        for (int x = 0; x < s->w; x += 5)
            sum += qnl::ReadRawPixel(s, x, y);
    qnl::WriteRawPixel(s, s->w - 1, s->h - 1, sum);

    SDL_Surface *rgba =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
    if (rgba) {
        SDL_Surface *converted = SDL_ConvertSurface(s, rgba->format, SDL_SWSURFACE);
        if (converted) SDL_FreeSurface(converted);
        SDL_FreeSurface(rgba);
    }
    if (s->w * s->h <= 4096) qnl::EncodePNG(s);
    const std::vector<Uint8> again = qnl::EncodeImageBlock(s, header.colorkey, header.alpha);
    // Never larger than what it came from, but for pixels widened to 32 bits.
    if (again.size() > 4 * size) __builtin_trap();
    SDL_FreeSurface(s);
    return 0;
}
