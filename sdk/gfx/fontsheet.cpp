#include <quenlar/gfx/fontsheet_private.h>

#include <quenlar/gfx/pixel_private.h>

namespace qnl {

bool IsFontMarker(const SDL_PixelFormat *format, Uint32 pixel) {
    Uint8 r, g, b;
    SDL_GetRGB(pixel, format, &r, &g, &b);
    return r == 255 && g == 0 && b == 255;
}

int ScanFontMarkers(const SDL_Surface *sheet, int *starts, int *ends, int max) {
    if (!sheet || !sheet->pixels || sheet->h < 1) return 0;
    int runs = 0;
    bool inRun = false;
    for (int x = 0; x <= sheet->w; ++x) {
        const bool marker = x < sheet->w && IsFontMarker(sheet->format, ReadRawPixel(sheet, x, 0));
        if (marker && !inRun && runs < max) starts[runs] = x;
        if (!marker && inRun) {
            if (runs < max) ends[runs] = x;
            ++runs;
        }
        inRun = marker;
    }
    return runs;
}

bool FontColumnHasContent(const SDL_Surface *picture, int x) {
    for (int y = 0; y < picture->h; ++y) {
        const Uint32 pixel = ReadRawPixel(picture, x, y);
        if (!pixel) continue;
        Uint8 r, g, b, a;
        SDL_GetRGBA(pixel, picture->format, &r, &g, &b, &a);
        if (a) return true;
    }
    return false;
}

int CountFontGlyphs(const SDL_Surface *picture) {
    if (!picture || !picture->pixels) return 0;
    int glyphs = 0;
    bool previous = false;
    for (int x = 0; x < picture->w; ++x) {
        const bool content = FontColumnHasContent(picture, x);
        if (content && !previous) ++glyphs;
        previous = content;
    }
    return glyphs;
}

} // namespace qnl
