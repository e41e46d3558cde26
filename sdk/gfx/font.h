// CFont: bitmap fonts of the 94 printable characters '!' (33) to '~' (126).
//
// A font surface holds the characters side by side below a marker row: in
// row 0, runs of pure magenta (255, 0, 255) come before, between and after
// the characters, 95 runs in all; the characters' pixels are rows 1 and
// down. A picture without marker row whose characters are separated by
// empty columns (black, or fully transparent) gets one generated. Fonts are
// usually loaded from "FONT2" package blocks (gfx/fontblock.h); version 1.0
// "FONT" blocks are converted in the package on their first load.
//
// Drawing places the characters one after another, each advancing the pen
// by its cell width plus 1, plus the font's spacing when another character
// follows; a blank advances by the width of "a". Characters without a glyph
// (controls, 127 and above) draw nothing and take no room.
//
// Every construction counts in the engine's `fontcount` and every
// destruction uncounts; Quenlar.Quit reports fonts left alive.
#ifndef QUENLAR_GFX_FONT_H
#define QUENLAR_GFX_FONT_H

#include <quenlar/gfx/surface.h>

#include <SDL.h>

class CFont {
public:
    CFont();
    ~CFont();
    CFont(const CFont &) = delete;
    CFont &operator=(const CFont &) = delete;

    // ---- Making a font: each refused on a font loaded already -----------------
    // The "FONT2" (or version 1.0 "FONT") block `name` of the package at
    // `path`, opened and closed again. 1 loaded, 0 not.
    int Load(const char *path, const char *name);
    // The same from a package open under `handle`.
    int Load(int handle, const char *name);
    // A font from `surface` (copied, not taken over). 96 on success; on
    // failure 255, or the number of marker runs found (95 needed), or half
    // the content changes counted while generating the marker row (the
    // characters found when the first column is empty).
    int Create(SDL_Surface *surface);

    // ---- Drawing: nothing without a loaded font, a target or a text -------------
    // Draws `text` with its top-left corner at (x, y), within `clip` when
    // one is given. Keeps the software cursor intact.
    void PutString(SDL_Surface *target, int x, int y, const char *text, SDL_Rect *clip = nullptr);
    // PutString with the caret character drawn before the character at
    // index `position` when `shown` (input boxes).
    void PutStringCursor(SDL_Surface *target, int x, int y, const char *text, int position,
                         SDL_Rect *clip = nullptr, bool shown = true);

    // ---- Measures: 0 (or null) when no font is loaded ---------------------------
    // Width in pixels of the first 255 characters of `text`.
    int GetWidth(const char *text) const;
    int GetHeight() const;
    int GetSpacing() const;
    SDL_Surface *GetSurface() const;

    // ---- Settings ---------------------------------------------------------------------
    // Per-surface alpha: 255 opaque, 0 to 254 translucent; other values and
    // fonts with alpha per pixel are left alone. Crossing between opaque and
    // translucent on a hardware screen converts the surface again (warned).
    void SetAlpha(int alpha);
    // Names a loaded font (at most 31 characters; longer names are ignored).
    void SetName(const char *name);
    // The name ("Created on execution time" for a font made by Create), or
    // null when no font is loaded.
    const char *GetName() const;
    // The character PutStringCursor draws as caret ('|' at first).
    void SetCursor(Uint8 caret);

    // ---- Pixel helpers ---------------------------------------------------------------
    // The raw pixel at (x, y), locking when SDL requires it; 0 (logged) for
    // no surface, a point off it or a failed lock.
    Uint32 CFontGetPixel(SDL_Surface *surface, int x, int y);
    // Writes a raw pixel; points off the surface are ignored.
    void CFontSetPixel(SDL_Surface *surface, int x, int y, Uint32 pixel);
    // Generates the marker row of a picture whose characters are separated
    // by empty columns: magenta at (x, 0) of every empty column. Returns the
    // number of changes between empty and content columns, counted as if a
    // content column preceded column 0 (low 8 bits): 189 for an empty first
    // column and 94 characters each followed by an empty column.
    Uint8 CreateUpperMark(SDL_Surface *surface);

private:
    bool Refused(const char *archive, const char *name);
    int LoadFrom(int handle, const char *archive, const char *name);
    int Measure(SDL_Surface *sheet);
    void PrepareSurface(SDL_Surface *sheet);
    int Width(const char *text) const;
    void DrawGlyph(SDL_Surface *target, int c, int x, int y, SDL_Rect *clip, bool caret);
    void Unload();

    int alpha_ = 255;
    int height_ = 0;
    SDL_Surface *surface_ = nullptr; // owned
    int positions_[96] = {};         // centres of the marker runs; [95] the surface width
    int widths_[96] = {};            // advance of character 33 + k, without spacing
    int spaceWidth_ = 0;
    int caretOffset_ = 0;
    Uint32 key_ = 0; // the bottom-left pixel: the transparent colour
    bool loaded_ = false;
    bool perPixelAlpha_ = false;
    int spacing_ = 0;
    char name_[32];
    Uint8 caret_ = '|';
    qnl::PixelBackup backup_;
};

#endif
