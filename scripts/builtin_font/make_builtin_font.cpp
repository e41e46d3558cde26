// make_builtin_font: draws the overlay windows' built-in font from a
// TrueType font and writes it as a PNG and as C++ source holding the PNG's
// bytes, which the build compiles into the SDK.
//
//   make_builtin_font FONT.ttf OUT.png OUT.cpp
//
// The sheet is what cSimpleWin loads: 899x14 pixels, 8-bit RGB, row 0
// black, rows 1 to 13 the characters '!' to '~' in white on black, column
// 0 black and every character followed by at least one black column, so
// that CFont::Create generates the marker row itself. Characters are drawn
// without anti-aliasing (crisp over a translucent window), on one baseline,
// and cut to their inked columns; the columns left over are spread between
// them.
#include <quenlar/gfx/pngwriter.h>

#include <SDL.h>
#include <SDL_ttf.h>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 899, kHeight = 14, kGlyphRows = 13;
constexpr int kFirst = 33, kLast = 126, kChars = kLast - kFirst + 1;
constexpr int kPixels = 12; // the largest size whose characters fit 13 rows

// Pixel values of a glyph.
enum : Uint8 { kBlank = 0, kInk = 1, kBridge = 2 };

// One character's inked columns over the whole line of the font: `rows` of
// `width` bytes, kInk where inked.
struct Glyph {
    int width = 0, rows = 0;
    std::vector<Uint8> ink;
    bool At(int x, int y) const { return ink[(size_t)(y * width + x)] != 0; }
};

bool Inked(SDL_Surface *s, int x, int y) {
    return static_cast<const Uint8 *>(s->pixels)[y * s->pitch + x] != 0; // 8-bit: index 0 is blank
}

// Renders `c` on the font's line (so that every character stands on the
// same baseline) and keeps its inked columns.
bool Render(TTF_Font *font, int c, Glyph *glyph) {
    const SDL_Color white = {255, 255, 255, 0};
    const char text[2] = {(char)c, '\0'};
    SDL_Surface *s = TTF_RenderText_Solid(font, text, white);
    if (!s) return false;
    SDL_LockSurface(s);
    int left = s->w, right = -1;
    for (int x = 0; x < s->w; ++x)
        for (int y = 0; y < s->h; ++y)
            if (Inked(s, x, y)) {
                if (x < left) left = x;
                right = x;
            }
    if (right >= left) {
        glyph->width = right - left + 1;
        glyph->rows = s->h;
        glyph->ink.assign((size_t)glyph->width * (size_t)s->h, 0);
        for (int y = 0; y < s->h; ++y)
            for (int x = left; x <= right; ++x)
                glyph->ink[(size_t)(y * glyph->width + x - left)] = Inked(s, x, y);
    }
    SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
    return glyph->width > 0;
}

// A character whose strokes stand apart ('"') has blank columns of its
// own, which would read as the space between two characters. Each gets
// one nearly black pixel on the lowest row the sheet keeps: content for
// CFont::Create, invisible on a dark window.
void Bridge(Glyph *glyph, int lowestRow) {
    for (int x = 0; x < glyph->width; ++x) {
        bool inked = false;
        for (int y = 0; y < glyph->rows && !inked; ++y)
            inked = glyph->At(x, y);
        if (!inked) glyph->ink[(size_t)(lowestRow * glyph->width + x)] = kBridge;
    }
}

// The first line row any character inks, or -1 when the characters span
// more than the sheet's 13 glyph rows.
int TopRow(const std::vector<Glyph> &glyphs) {
    int top = -1, bottom = -1;
    for (const Glyph &g : glyphs)
        for (int y = 0; y < g.rows; ++y)
            for (int x = 0; x < g.width; ++x)
                if (g.At(x, y)) {
                    if (top < 0 || y < top) top = y;
                    if (y > bottom) bottom = y;
                }
    return bottom - top + 1 <= kGlyphRows ? top : -1;
}

void Fill(SDL_Surface *sheet, int x, int y, Uint8 value) {
    Uint8 *p = static_cast<Uint8 *>(sheet->pixels) + y * sheet->pitch + x * 3;
    p[0] = p[1] = p[2] = value == kInk ? 255 : 1;
}

// The sheet, or null when the characters do not fit its width.
SDL_Surface *Layout(std::vector<Glyph> &glyphs) {
    const int top = TopRow(glyphs);
    if (top < 0) {
        std::fprintf(stderr, "make_builtin_font: the characters are more than %d rows high\n",
                     kGlyphRows);
        return nullptr;
    }
    for (Glyph &g : glyphs)
        Bridge(&g, std::min(top + kGlyphRows, g.rows) - 1);
    int inked = 0;
    for (const Glyph &g : glyphs)
        inked += g.width;
    const int spare = kWidth - 1 - inked - kChars; // beyond one blank column each
    if (spare < 0) {
        std::fprintf(stderr,
                     "make_builtin_font: the characters need %d columns, the sheet has %d\n",
                     1 + inked + kChars, kWidth);
        return nullptr;
    }
    SDL_Surface *sheet =
        SDL_CreateRGBSurface(SDL_SWSURFACE, kWidth, kHeight, 24, 0xFF, 0xFF00, 0xFF0000, 0);
    if (!sheet) return nullptr;
    SDL_FillRect(sheet, nullptr, 0);
    int x = 1;
    for (int i = 0; i < kChars; ++i) {
        const Glyph &g = glyphs[(size_t)i];
        for (int gy = 0; gy < kGlyphRows && top + gy < g.rows; ++gy)
            for (int gx = 0; gx < g.width; ++gx)
                if (g.At(gx, top + gy))
                    Fill(sheet, x + gx, 1 + gy, g.ink[(size_t)((top + gy) * g.width + gx)]);
        // One blank column, plus this character's share of the spare ones.
        x += g.width + 1 + (spare * (i + 1)) / kChars - (spare * i) / kChars;
    }
    return sheet;
}

bool WriteSource(const std::vector<Uint8> &png, const char *path) {
    FILE *out = std::fopen(path, "w");
    if (!out) return false;
    std::fprintf(out, "// Generated by make_builtin_font: do not edit.\n"
                      "#include <quenlar/tools/builtinfont_private.h>\n\n"
                      "namespace qnl {\n"
                      "const unsigned char kBuiltinFontPng[] = {");
    for (size_t i = 0; i < png.size(); ++i)
        std::fprintf(out, "%s0x%02x,", i % 16 ? " " : "\n    ", png[i]);
    std::fprintf(out, "\n};\nconst int kBuiltinFontPngSize = %d;\n} // namespace qnl\n",
                 (int)png.size());
    return std::fclose(out) == 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_builtin_font FONT.ttf OUT.png OUT.cpp\n");
        return 2;
    }
    if (TTF_Init() != 0) return 1;
    TTF_Font *font = TTF_OpenFont(argv[1], kPixels);
    if (!font) {
        std::fprintf(stderr, "make_builtin_font: %s\n", TTF_GetError());
        TTF_Quit();
        return 1;
    }
    TTF_SetFontHinting(font, TTF_HINTING_MONO);
    std::vector<Glyph> glyphs((size_t)kChars);
    bool rendered = true;
    for (int c = kFirst; c <= kLast && rendered; ++c)
        rendered = Render(font, c, &glyphs[(size_t)(c - kFirst)]);
    TTF_CloseFont(font);
    TTF_Quit();
    if (!rendered) {
        std::fprintf(stderr, "make_builtin_font: a character has no glyph in %s\n", argv[1]);
        return 1;
    }

    SDL_Surface *sheet = Layout(glyphs);
    if (!sheet) return 1;
    const std::vector<Uint8> png = qnl::EncodePNG(sheet);
    const int saved = qnl::SavePNG(sheet, argv[2]);
    SDL_FreeSurface(sheet);
    if (png.empty() || !saved || !WriteSource(png, argv[3])) {
        std::fprintf(stderr, "make_builtin_font: cannot write %s or %s\n", argv[2], argv[3]);
        return 1;
    }
    return 0;
}
