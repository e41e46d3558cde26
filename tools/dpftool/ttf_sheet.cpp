#include "ttf_sheet.h"

#include <quenlar/gfx/fontsheet_private.h>
#include <quenlar/gfx/pixel_private.h>

#include <SDL_ttf.h>
#include <algorithm>

namespace dpftool {

namespace {
// One character: its rendered pixels and where they go.
struct Glyph {
    SDL_Surface *image = nullptr; // SDL_ttf's, owned
    int cell = 1;                 // cell width
    int left = 0;                 // of the image within the cell
    int top = 0;                  // of the image below the top of the line
};

SDL_Surface *NewSheet(int width, int height, int bpp) {
    switch (bpp) {
    case 32:
        return SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0xFF0000, 0xFF00, 0xFF,
                                    0xFF000000);
    case 24:
        return SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    default:
        return SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 16, 0xF800, 0x07E0, 0x001F, 0);
    }
}

// The pixels of a rendered glyph that carry ink: SDL_ttf's solid glyphs
// key their background, blended ones make it transparent.
bool Ink(const SDL_Surface *image, Uint32 pixel) {
    if (image->flags & SDL_SRCCOLORKEY) return pixel != image->format->colorkey;
    Uint8 r, g, b, a;
    SDL_GetRGBA(pixel, image->format, &r, &g, &b, &a);
    return a != 0;
}

// Copies the ink of `glyph` into the cell starting at column `x`, below
// the marker row and within the sheet.
void PlaceGlyph(SDL_Surface *sheet, const Glyph &glyph, int x, SDL_Color color) {
    const SDL_Surface *image = glyph.image;
    for (int row = 0; row < image->h; ++row) {
        const int y = 1 + glyph.top + row;
        if (y < 1 || y >= sheet->h) continue;
        for (int col = 0; col < image->w; ++col) {
            const Uint32 pixel = qnl::ReadRawPixel(image, col, row);
            if (!Ink(image, pixel)) continue;
            Uint8 r, g, b, a;
            SDL_GetRGBA(pixel, image->format, &r, &g, &b, &a);
            const Uint32 out = sheet->format->Amask
                                   ? SDL_MapRGBA(sheet->format, color.r, color.g, color.b, a)
                                   : SDL_MapRGB(sheet->format, color.r, color.g, color.b);
            qnl::WriteRawPixel(sheet, x + glyph.left + col, y, out);
        }
    }
}

// Renders every character and lays the cells out on the sheet.
SDL_Surface *Layout(TTF_Font *font, SDL_Color color, int bpp, Glyph *glyphs, std::string &error) {
    const int ascent = TTF_FontAscent(font), height = TTF_FontHeight(font);
    int width = 1; // the first marker run
    for (int k = 0; k < qnl::kFontChars; ++k) {
        const Uint16 c = (Uint16)(qnl::kFontFirstChar + k);
        int minx, maxx, miny, maxy, advance;
        if (TTF_GlyphMetrics(font, c, &minx, &maxx, &miny, &maxy, &advance) != 0) {
            error = std::string("no character '") + (char)c + "' in the font";
            return nullptr;
        }
        Glyph &g = glyphs[k];
        g.image = bpp == 32 ? TTF_RenderGlyph_Blended(font, c, color)
                            : TTF_RenderGlyph_Solid(font, c, color);
        if (!g.image) {
            error = TTF_GetError();
            return nullptr;
        }
        // The cell holds the advance and any pixel that reaches past it.
        const int left = std::min(0, minx), right = std::max(advance, minx + g.image->w);
        g.cell = std::max(1, right - left);
        g.left = minx - left;
        g.top = ascent - maxy;
        width += g.cell + 1;
    }
    if (width > 32767 || height < 1 || height > 32766) {
        error = "the characters do not fit on one sheet; choose a smaller size";
        return nullptr;
    }

    SDL_Surface *sheet = NewSheet(width, height + 1, bpp);
    if (!sheet) {
        error = SDL_GetError();
        return nullptr;
    }
    const Uint32 ink = SDL_MapRGB(sheet->format, color.r, color.g, color.b);
    if (qnl::IsFontMarker(sheet->format, ink)) {
        SDL_FreeSurface(sheet);
        error = "characters cannot be magenta (255,0,255): it marks where they begin";
        return nullptr;
    }
    // A keyed background must differ from the characters.
    const Uint32 black = SDL_MapRGB(sheet->format, 0, 0, 0);
    const Uint32 background = bpp == 32      ? 0
                              : ink == black ? SDL_MapRGB(sheet->format, 255, 255, 255)
                                             : black;
    SDL_FillRect(sheet, nullptr, background);
    const Uint32 marker = SDL_MapRGB(sheet->format, 255, 0, 255);
    int x = 0;
    qnl::WriteRawPixel(sheet, x++, 0, marker);
    for (int k = 0; k < qnl::kFontChars; ++k) {
        PlaceGlyph(sheet, glyphs[k], x, color);
        x += glyphs[k].cell;
        qnl::WriteRawPixel(sheet, x++, 0, marker);
    }
    return sheet;
}
} // namespace

SDL_Surface *RenderTtfSheet(const char *path, int pixels, SDL_Color color, int bpp,
                            std::string &error) {
    if (!TTF_WasInit() && TTF_Init() != 0) {
        error = TTF_GetError();
        return nullptr;
    }
    TTF_Font *font = TTF_OpenFont(path, pixels);
    if (!font) {
        error = "not a readable TrueType font";
        return nullptr;
    }
    Glyph glyphs[qnl::kFontChars];
    SDL_Surface *sheet = Layout(font, color, bpp, glyphs, error);
    for (Glyph &g : glyphs)
        if (g.image) SDL_FreeSurface(g.image);
    TTF_CloseFont(font);
    return sheet;
}

} // namespace dpftool
