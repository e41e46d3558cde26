// Any bytes as one IScreenFX call: operation, source depth and size,
// colour key, alpha, source rectangle, factors or angle (any double bits:
// NaN, infinities, denormals) and an optional destination. Every call must
// stay inside its surfaces and return null or a surface of allowed size.
#include <quenlar/gfx/screenfx.h>

#include <cstdint>
#include <cstring>

namespace {
// Reads the input front to back; zeros once it runs out.
class Reader {
public:
    Reader(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    int16_t Short() { return (int16_t)(Byte() | Byte() << 8); }
    double Double() {
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits |= (uint64_t)Byte() << (8 * i);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }

private:
    const uint8_t *data_;
    size_t size_, at_ = 0;
};

SDL_Surface *Surface(int depth, int w, int h) {
    switch (depth) {
    case 0:
        return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0);
    case 1:
        return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 16, 0xF800, 0x07E0, 0x001F, 0);
    case 2:
        return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    case 3:
        return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    default:
        return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
    }
}

// Finite factors this large make slow but valid results; the unit tests
// cover refusals of large ones, so the fuzzer keeps to small results.
bool Small(double v) {
    return !(v > 16 || v < -16);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static QScreenFX *fx = new QScreenFX; // lives for the process
    Reader in(data, size);
    const int op = in.Byte() % 6, flags = in.Byte();
    const int w = 1 + in.Byte() % 32, h = 1 + in.Byte() % 32;
    SDL_Surface *src = Surface(flags % 5, w, h);
    if (!src) return 0;
    for (int i = 0; i < src->pitch * h; ++i)
        static_cast<uint8_t *>(src->pixels)[i] = in.Byte();
    if (flags & 0x08) SDL_SetColorKey(src, SDL_SRCCOLORKEY, in.Byte());
    if (flags & 0x10) SDL_SetAlpha(src, SDL_SRCALPHA, in.Byte());
    SDL_Rect rect = {in.Short(), in.Short(), (Uint16)in.Short(), (Uint16)in.Short()};
    SDL_Rect at = {in.Short(), in.Short(), 0, 0};
    SDL_Surface *dst = (flags & 0x20) ? Surface(flags % 5, 40, 40) : nullptr;
    const SDL_Rect *part = (flags & 0x40) ? &rect : nullptr;
    const bool smooth = flags & 0x80;
    const double a = in.Double(), b = in.Double();

    SDL_Surface *out = nullptr;
    switch (op) {
    case 0:
        out = fx->Mirror(src, part, dst, &at);
        break;
    case 1:
        out = fx->Flip(src, part, dst, &at);
        break;
    case 2:
        out = fx->Resize(src, smooth, (int8_t)in.Byte() * 4, (int8_t)in.Byte() * 4, part, dst, &at);
        break;
    case 3:
        if (Small(a) && Small(b)) out = fx->Zoom(src, smooth, a, b, part, dst, &at);
        break;
    case 4:
        if (Small(b)) out = fx->RotoZoom(src, smooth, a, b, part, dst, &at);
        break;
    default:
        out = fx->Rotate(src, smooth, a, part, dst, &at);
        break;
    }
    if (out && out != dst) {
        if (out->w > QScreenFX::kMaxSide || out->h > QScreenFX::kMaxSide) __builtin_trap();
        SDL_FreeSurface(out);
    }
    if (dst) SDL_FreeSurface(dst);
    SDL_FreeSurface(src);
    return 0;
}
