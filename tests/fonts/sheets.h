// Font pictures for the tests, drawn from a rule rather than by the code
// under test.
#ifndef QUENLAR_TESTS_FONTS_SHEETS_H
#define QUENLAR_TESTS_FONTS_SHEETS_H

#include <SDL.h>

constexpr Uint32 kInk = 0xFFFFFF, kMagenta = 0xFF00FF;

// Character 33 + k is 1 + k % 3 pixels wide: '!' 1, 'A' 3, 'B' 1, 'a' 2, '|' 2.
inline int GlyphWidth(int k) {
    return 1 + k % 3;
}

// A 32-bit font picture whose characters fill their cells with white on
// `background`, rows 1 and down. With `run` > 0 the characters are
// separated by magenta runs of that width in row 0 (`runs` of them);
// otherwise by one empty column each, the last one only with `lastGap`.
struct SheetLayout {
    int run = 1;
    int runs = 95;
    bool lastGap = true;
    Uint32 background = 0;
    int height = 8;
};
inline SDL_Surface *Sheet(const SheetLayout &layout) {
    const int gap = layout.run > 0 ? layout.run : 1;
    int width = layout.runs * gap - (layout.run > 0 || layout.lastGap ? 0 : 1);
    for (int k = 0; k < 94; ++k)
        width += GlyphWidth(k);
    SDL_Surface *s =
        SDL_CreateRGBSurface(SDL_SWSURFACE, width, layout.height, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(s, nullptr, layout.background);
    int x = 0;
    for (int r = 0; r < 95; ++r) {
        if (r < layout.runs) {
            if (layout.run > 0) {
                SDL_Rect marker = {(Sint16)x, 0, (Uint16)layout.run, 1};
                SDL_FillRect(s, &marker, kMagenta);
            }
            x += gap;
        }
        if (r == 94 || x >= width) break;
        SDL_Rect glyph = {(Sint16)x, 1, (Uint16)GlyphWidth(r), (Uint16)(layout.height - 1)};
        SDL_FillRect(s, &glyph, kInk);
        x += GlyphWidth(r);
    }
    return s;
}

#endif
