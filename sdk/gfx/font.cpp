// CFont
//
// Index
//   Life ............. construction, destruction, Unload
//   Loading .......... Load (path, handle), the version 1.0 upgrade
//   Creating ......... Create, CreateUpperMark
//   Drawing .......... PutString, PutStringCursor, DrawGlyph, clipping
//   Measures, settings, pixel helpers
#include <quenlar/gfx/font.h>

#include <quenlar/core/enginelink_private.h>
#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>
#include <quenlar/dpf/stuffdpf.h>
#include <quenlar/gfx/blit.h>
#include <quenlar/gfx/cursor.h>
#include <quenlar/gfx/fontblock.h>
#include <quenlar/gfx/fontsheet_private.h>
#include <quenlar/gfx/pixel_private.h>
#include <quenlar/gfx/primitives.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

using qnl::ErrorCode;
using qnl::kFontFirstChar;
using qnl::kFontLastChar;
using qnl::kFontMarkerRuns;

namespace {
const char kUnnamed[] = "Created on execution time";
const char kCreateOrigin[] = "CFont::Create()";
// CreateUpperMark's count for an empty first column and 94 characters,
// each followed by an empty column.
constexpr int kMarkedChanges = 1 + 2 * qnl::kFontChars;

// Characters with a glyph: '!' to '~'. Character 127 (DEL) has none: the
// sheet holds nothing for it, and 128 would index past the tables.
bool HasGlyph(int c) {
    return c >= kFontFirstChar && c <= kFontLastChar;
}

std::string LoadOrigin(const char *archive, const char *name) {
    return qnl::Format("CFont::Load('%s','%s')", archive ? archive : "", name ? name : "");
}
} // namespace

// ---------------------------------------------------------------------------
// Life
// ---------------------------------------------------------------------------
CFont::CFont() {
    std::strcpy(name_, kUnnamed);
    ++*qnl::Engine().fontcount;
}

CFont::~CFont() {
    Unload();
    --*qnl::Engine().fontcount;
}

void CFont::Unload() {
    if (surface_) SDL_FreeSurface(surface_);
    surface_ = nullptr;
    backup_.Clear();
    std::memset(positions_, 0, sizeof positions_);
    std::memset(widths_, 0, sizeof widths_);
    loaded_ = false;
    perPixelAlpha_ = false;
    spacing_ = 0;
    alpha_ = 255;
    height_ = 0;
}

// ---------------------------------------------------------------------------
// Loading
// ---------------------------------------------------------------------------
// The refusals both forms of Load share; true (logged) when refused.
bool CFont::Refused(const char *archive, const char *name) {
    if (!qnl::Engine().started() || !IStuffDPF) {
        qnl::ReportError(ErrorCode::kNotInitialized, LOG_ERROR, LoadOrigin(archive, name),
                         "Quenlar was not initialized. Aborting the font load.");
        return true;
    }
    if (loaded_) {
        qnl::ReportError(ErrorCode::kExists, LOG_WARNING, LoadOrigin(archive, name),
                         "font already exists. It is not possible to create another one.");
        return true;
    }
    if (!archive || !name) {
        qnl::SetError(ErrorCode::kInvalidArgument, "no package or font name was given.");
        return true;
    }
    return false;
}

int CFont::Load(const char *path, const char *name) {
    if (Refused(path, name)) return 0;
    const int handle = IStuffDPF->Open(path); // logs and records why it cannot
    if (handle < 1) return 0;
    const int loaded = LoadFrom(handle, path, name);
    IStuffDPF->Close(handle);
    return loaded;
}

int CFont::Load(int handle, const char *name) {
    const char *archive = IStuffDPF ? IStuffDPF->GetName(handle) : nullptr;
    if (!archive) archive = "";
    if (Refused(archive, name)) return 0;
    return LoadFrom(handle, archive, name);
}

namespace {
// Stores a version 1.0 payload (`data`, `size` bytes, new[]'d, taken over)
// as a "FONT2" block with a zero trailer and marks the "FONT" block
// deleted. The new payload (new[]'d), or null (logged) when the package
// would not take it.
char *UpgradeToVersion2(int handle, DPFBlock &block, char *data, size_t size,
                        const std::string &origin) {
    char *upgraded = new char[size + qnl::kFontTrailerSize];
    std::memcpy(upgraded, data, size);
    std::memset(upgraded + size, 0, qnl::kFontTrailerSize);
    delete[] data;
    std::strcpy(block.type, "FONT2");
    block.size = (unsigned int)(size + qnl::kFontTrailerSize);
    block.data = upgraded;
    if (IStuffDPF->AddData(handle, &block) <= 0) {
        delete[] upgraded;
        // The package recorded why.
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: update to v2.0 was not possible.\n",
                       origin.c_str());
        return nullptr;
    }
    std::strcpy(block.type, "FONT");
    IStuffDPF->Delete(handle, &block);
    // Information, yet written at the warnings' level: it changed the file.
    ILogSystem.Msg(LOG_WARNING, " . [%s] Info: font successfully updated from v1.0 to v2.0.\n",
                   origin.c_str());
    return upgraded;
}
} // namespace

int CFont::LoadFrom(int handle, const char *archive, const char *name) {
    const std::string origin = LoadOrigin(archive, name);
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    bool version1 = false;
    int size = IStuffDPF->LoadBlock(handle, "FONT2", name, &block);
    if (size <= 0) {
        delete[] block.data;
        std::memset(&block, 0, sizeof block);
        version1 = true;
        size = IStuffDPF->LoadBlock(handle, "FONT", name, &block);
    }
    if (size <= 0) { // the package recorded why
        delete[] block.data;
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: font not found\n", origin.c_str());
        return 0;
    }

    // A damaged block is refused before a version 1.0 one is converted.
    qnl::FontBlockHeader header;
    if (!qnl::ParseFontBlock(reinterpret_cast<const Uint8 *>(block.data), (size_t)size, !version1,
                             header)) {
        const std::string reason = qnl::LastError().reason;
        delete[] block.data;
        qnl::ReportError(ErrorCode::kCorrupted, LOG_ERROR, origin, "damaged %s block (%s).",
                         version1 ? "FONT" : "FONT2", reason.c_str());
        return 0;
    }
    char *data = block.data;
    size_t length = (size_t)size;
    if (version1) {
        data = UpgradeToVersion2(handle, block, data, length, origin);
        if (!data) return 0;
        length += qnl::kFontTrailerSize;
    }

    SDL_Surface *sheet =
        qnl::DecodeFontBlock(reinterpret_cast<const Uint8 *>(data), length, true, &header);
    delete[] data;
    if (!sheet) return 0; // recorded
    spacing_ = header.spacing;
    alpha_ = header.image.alpha;
    const int result = Create(sheet);
    SDL_FreeSurface(sheet);
    if (!loaded_) { // Create recorded why
        spacing_ = 0;
        alpha_ = 255;
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: internal failure (%d).\n", origin.c_str(),
                       result);
        return 0;
    }
    std::snprintf(name_, sizeof name_, "%s", name);
    return 1;
}

// ---------------------------------------------------------------------------
// Creating
// ---------------------------------------------------------------------------
int CFont::Create(SDL_Surface *surface) {
    if (!qnl::Engine().started() || !IPrimitives) {
        qnl::ReportError(ErrorCode::kNotInitialized, LOG_ERROR, kCreateOrigin,
                         "Quenlar was not initialized. Aborting the font creation.");
        return 255;
    }
    if (loaded_) {
        qnl::ReportError(ErrorCode::kExists, LOG_WARNING, kCreateOrigin,
                         "font already exists. It is not possible to create another one.");
        return 255;
    }
    if (!surface) {
        qnl::ReportError(ErrorCode::kInvalidArgument, LOG_ERROR, kCreateOrigin,
                         "font surface is null");
        return 255;
    }
    if (surface->format->BitsPerPixel == 8) {
        qnl::ReportError(ErrorCode::kUnsupported, LOG_WARNING, kCreateOrigin,
                         "8bits surface loaded is not supported to create a font.");
        return 255;
    }
    if (surface->h < 2 || surface->w < 1) {
        qnl::ReportError(ErrorCode::kInvalidArgument, LOG_ERROR, kCreateOrigin,
                         "font surface has no row below its marker row.");
        return 255;
    }

    // The font's own copy, same format and flags, same key and alpha values.
    SDL_Surface *copy = SDL_ConvertSurface(surface, surface->format, surface->flags);
    if (!copy) {
        qnl::SetError(ErrorCode::kNoMemory, "%s", SDL_GetError());
        return 255;
    }
    copy->format->colorkey = surface->format->colorkey;
    copy->format->alpha = surface->format->alpha;

    IPrimitives->Lock(copy);
    const bool marked = qnl::IsFontMarker(copy->format, IPrimitives->GetPixel(copy, 0, 0));
    const int glyphs = marked ? 0 : qnl::CountFontGlyphs(copy);
    IPrimitives->Unlock(copy);
    if (!marked) {
        const int count = CreateUpperMark(copy);
        if (count != kMarkedChanges) {
            SDL_FreeSurface(copy);
            qnl::SetError(ErrorCode::kCorrupted,
                          "no marker row, and %d characters where 94 separated by empty columns "
                          "(the first and last columns empty too) were needed.",
                          glyphs);
            return count ? count / 2 : 255;
        }
    }

    const int runs = Measure(copy);
    if (runs != kFontMarkerRuns) {
        SDL_FreeSurface(copy);
        Unload();
        qnl::SetError(ErrorCode::kCorrupted, "%d marker runs in the first row, 95 needed.", runs);
        return runs;
    }
    PrepareSurface(copy);
    loaded_ = true;
    return 96;
}

// Reads the marker row of `sheet` into the tables, sets the alpha, key,
// space width and caret offset, and erases the markers. The number of
// marker runs; the font is usable only when it is 95.
int CFont::Measure(SDL_Surface *sheet) {
    if (alpha_ < 0) alpha_ = 0;
    if (alpha_ > 255) alpha_ = 255;
    perPixelAlpha_ = (sheet->flags & SDL_SRCALPHA) && sheet->format->Amask && alpha_ == 255;
    if (!perPixelAlpha_) SDL_SetAlpha(sheet, alpha_ < 255 ? SDL_SRCALPHA : 0, (Uint8)alpha_);
    height_ = sheet->h - 1;

    IPrimitives->Lock(sheet);
    int starts[kFontMarkerRuns], ends[kFontMarkerRuns];
    const int runs = qnl::ScanFontMarkers(sheet, starts, ends, kFontMarkerRuns);
    if (runs != kFontMarkerRuns) {
        IPrimitives->Unlock(sheet);
        return runs;
    }
    for (int k = 0; k < kFontMarkerRuns; ++k) {
        positions_[k] = (starts[k] + ends[k]) / 2;
        if (k > 0) widths_[k - 1] = starts[k] - ends[k - 1] + 1;
    }
    positions_[kFontMarkerRuns] = sheet->w;

    // The bottom-left pixel is the transparent colour; the markers take it.
    key_ = IPrimitives->GetPixel(sheet, 0, (Sint16)height_);
    if (!perPixelAlpha_) SDL_SetColorKey(sheet, SDL_SRCCOLORKEY, key_);
    for (int y = 0; y < sheet->h; ++y)
        for (int x = 0; x < sheet->w; ++x)
            if (qnl::IsFontMarker(sheet->format, IPrimitives->GetPixel(sheet, x, y)))
                IPrimitives->PutPixel(sheet, x, y, key_);

    spaceWidth_ = Width("a");
    if (!spaceWidth_) spaceWidth_ = Width("A");
    if (!spaceWidth_) spaceWidth_ = Width("0");
    if (!spaceWidth_) spaceWidth_ = positions_[1] - positions_[0];

    // The caret's correction: the transparent columns from the centre of
    // the marker run before '|' to its first pixel, halfway down.
    const int p = positions_['|' - kFontFirstChar], m = height_ / 2;
    caretOffset_ = 1;
    if (IPrimitives->GetPixel(sheet, (Sint16)p, (Sint16)m) == key_) {
        const int bar = Width("|");
        int d = 0;
        while (d <= bar && IPrimitives->GetPixel(sheet, (Sint16)(p + d), (Sint16)m) == key_)
            ++d;
        caretOffset_ = d + 1;
    }
    IPrimitives->Unlock(sheet);
    return runs;
}

// Puts the measured sheet in its final form: the screen's format when that
// pays, a texture under the OpenGL renderer, the pixel backup.
void CFont::PrepareSurface(SDL_Surface *sheet) {
    if (qnl::NeedsDisplayFormat(sheet)) {
        if (perPixelAlpha_)
            ILogSystem.Msg(LOG_INFO, " . [CFont->Create()] Info: surface with alpha per pixel "
                                     "loaded, it could slow down your graphics system.\n");
        sheet = qnl::ConvertToDisplayFormat(sheet, perPixelAlpha_);
        if (!perPixelAlpha_) key_ = sheet->format->colorkey;
    }
    qnl::UploadTexture(sheet);
    backup_.Take(sheet);
    surface_ = sheet;
}

Uint8 CFont::CreateUpperMark(SDL_Surface *surface) {
    int count = 0;
    if (surface && surface->w > 0 && IPrimitives) {
        const Uint32 magenta = SDL_MapRGB(surface->format, 255, 0, 255);
        IPrimitives->Lock(surface);
        bool previous = true; // as if a column with content came first
        for (int x = 0; x < surface->w && surface->pixels; ++x) {
            const bool content = qnl::FontColumnHasContent(surface, x);
            if (!content) IPrimitives->PutPixel(surface, (Sint16)x, 0, magenta);
            if (content != previous) ++count;
            previous = content;
        }
        IPrimitives->Unlock(surface);
    }
    if (count != kMarkedChanges)
        ILogSystem.Msg(LOG_WARNING, " . [CFont::CreateUpperMark()] Warning: it was not possible to "
                                    "import bitmap with font characters.\n");
    return (Uint8)count;
}

// ---------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------
namespace {
// A source and a destination rectangle of the same size, in ints until
// they are known to fit SDL's 16-bit fields.
struct GlyphRects {
    int sx, sy, dx, dy, w, h;
};

// Cuts both rectangles alike so that the destination lies within `clip`.
void ClipTo(GlyphRects &r, const SDL_Rect &clip) {
    if (r.dx < clip.x) {
        const int d = clip.x - r.dx;
        r.sx += d, r.dx += d, r.w -= d;
    }
    if (r.dy < clip.y) {
        const int d = clip.y - r.dy;
        r.sy += d, r.dy += d, r.h -= d;
    }
    if (r.dx + r.w > clip.x + clip.w) r.w -= r.dx + r.w - (clip.x + clip.w);
    if (r.dy + r.h > clip.y + clip.h) r.h -= r.dy + r.h - (clip.y + clip.h);
    if (r.w < 0) r.w = 0;
    if (r.h < 0) r.h = 0;
}

bool FitsSdlRect(int x, int y) {
    return x >= INT16_MIN && x <= INT16_MAX && y >= INT16_MIN && y <= INT16_MAX;
}
} // namespace

// Draws the cell of character `c` for a pen at x. Glyphs take the software
// cursor off only where they overlap it; the caret takes it off wherever it
// is and always captures the background again afterwards.
void CFont::DrawGlyph(SDL_Surface *target, int c, int x, int y, SDL_Rect *clip, bool caret) {
    const int k = c - kFontFirstChar;
    const int w = positions_[k + 1] - positions_[k];
    GlyphRects r = {positions_[k], 1, x - (w - widths_[k]) / 2, y, w, height_};
    if (clip) ClipTo(r, *clip);
    if (r.w <= 0 || r.h <= 0 || !FitsSdlRect(r.dx, r.dy)) return;
    SDL_Rect src = {(Sint16)r.sx, (Sint16)r.sy, (Uint16)r.w, (Uint16)r.h};
    SDL_Rect dst = {(Sint16)r.dx, (Sint16)r.dy, (Uint16)r.w, (Uint16)r.h};
    if (caret) {
        if (ICursor) ICursor->RestoreBackground(nullptr);
        qnl::BlitWithRestore(surface_, &src, target, &dst, &backup_);
        if (ICursor) ICursor->SaveBackground();
        return;
    }
    qnl::CursorGuard guard(&dst);
    qnl::BlitWithRestore(surface_, &src, target, &dst, &backup_);
}

void CFont::PutString(SDL_Surface *target, int x, int y, const char *text, SDL_Rect *clip) {
    if (!loaded_ || !target || !text) return;
    int pen = x;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        if (*p == ' ') {
            pen += spaceWidth_;
        } else if (HasGlyph(*p)) {
            DrawGlyph(target, *p, pen, y, clip, false);
            pen += widths_[*p - kFontFirstChar] + spacing_;
        }
    }
}

void CFont::PutStringCursor(SDL_Surface *target, int x, int y, const char *text, int position,
                            SDL_Rect *clip, bool shown) {
    if (!loaded_ || !target || !text) return;
    if (shown && HasGlyph(caret_)) {
        int pen = x;
        for (int i = 0; i < position && text[i]; ++i) {
            const unsigned char c = (unsigned char)text[i];
            if (c == ' ')
                pen += spaceWidth_;
            else if (HasGlyph(c))
                pen += widths_[c - kFontFirstChar] + spacing_;
        }
        DrawGlyph(target, caret_, pen + 2 - caretOffset_, y, clip, true);
    }
    PutString(target, x, y, text, clip);
}

// ---------------------------------------------------------------------------
// Measures and settings
// ---------------------------------------------------------------------------
int CFont::Width(const char *text) const {
    int width = 0;
    for (int i = 0; i < 255 && text[i]; ++i) {
        const unsigned char c = (unsigned char)text[i];
        if (c == ' ') {
            width += spaceWidth_;
        } else if (HasGlyph(c)) {
            width += widths_[c - kFontFirstChar];
            if (text[i + 1]) width += spacing_;
        }
    }
    return width;
}

int CFont::GetWidth(const char *text) const {
    return loaded_ && text ? Width(text) : 0;
}

int CFont::GetHeight() const {
    return loaded_ ? height_ : 0;
}

int CFont::GetSpacing() const {
    return loaded_ ? spacing_ : 0;
}

SDL_Surface *CFont::GetSurface() const {
    return loaded_ ? surface_ : nullptr;
}

void CFont::SetAlpha(int alpha) {
    if (!loaded_ || perPixelAlpha_ || alpha < 0 || alpha > 255) return;
    const bool crosses = (alpha == 255) != (alpha_ == 255);
    alpha_ = alpha;
    SDL_SetAlpha(surface_, alpha < 255 ? SDL_SRCALPHA : 0, (Uint8)alpha);
    // A hardware screen blits translucent and opaque surfaces by different
    // paths; the surface is made again for the new one.
    const SDL_Surface *screen = qnl::Engine().screen();
    if (!crosses || !screen || !(screen->flags & SDL_HWSURFACE)) return;
    ILogSystem.Msg(LOG_WARNING,
                   " . [CFont::SetAlpha(%d)] Warning: on-the-fly surface conversion. It may "
                   "affect to the performance.\n",
                   alpha);
    surface_ = qnl::ConvertToDisplayFormat(surface_, false);
    key_ = surface_->format->colorkey;
    qnl::UploadTexture(surface_);
    backup_.Take(surface_);
}

void CFont::SetName(const char *name) {
    if (loaded_ && name && std::strlen(name) < sizeof name_) std::strcpy(name_, name);
}

const char *CFont::GetName() const {
    return loaded_ ? name_ : nullptr;
}

void CFont::SetCursor(Uint8 caret) {
    caret_ = caret;
}

// ---------------------------------------------------------------------------
// Pixel helpers
// ---------------------------------------------------------------------------
Uint32 CFont::CFontGetPixel(SDL_Surface *surface, int x, int y) {
    const unsigned long address = (unsigned long)(uintptr_t)surface;
    if (!surface || x < 0 || y < 0 || x >= surface->w || y >= surface->h) {
        qnl::ReportError(ErrorCode::kInvalidArgument, LOG_ERROR,
                         qnl::Format("CFont::CFontGetPixel(0x%lx,%d,%d)", address, x, y),
                         "wrong function parameters.");
        return 0;
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) < 0) {
        qnl::ReportError(ErrorCode::kUnsupported, LOG_ERROR,
                         qnl::Format("CFont::CFontGetPixel(0x%lx,%d,%d)", address, x, y), "%s",
                         SDL_GetError());
        return 0;
    }
    Uint32 pixel = 0;
    const int bytes = surface->format->BytesPerPixel;
    if (bytes >= 1 && bytes <= 4)
        pixel = qnl::ReadRawPixel(surface, x, y);
    else
        ILogSystem.Msg(LOG_ERROR, " . [CFont::CFontGetPixel(0x%lx,%d,%d)] Error: loading font",
                       address, x, y);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    return pixel;
}

void CFont::CFontSetPixel(SDL_Surface *surface, int x, int y, Uint32 pixel) {
    if (!surface || x < 0 || y < 0 || x >= surface->w || y >= surface->h) return;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) < 0) {
        qnl::ReportError(ErrorCode::kUnsupported, LOG_ERROR, "CFont::CFontSetPixel()", "%s",
                         SDL_GetError());
        return;
    }
    qnl::WriteRawPixel(surface, x, y, pixel);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
}
