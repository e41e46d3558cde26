// IScreenFX: the operations. This file clips, checks sizes, makes the
// result surfaces with their key, alpha and palette, and delivers them; the
// pixel loops live in screenfx_pixels.cpp.
//
// Index
//   Helpers ............ clipping, views, locks, result surfaces, delivery
//   Texture path ....... the OpenGL renderer's branch
//   Mirror and Flip
//   Resize and Zoom .... the working source, scaling
//   RotoZoom and Rotate
#include <quenlar/gfx/screenfx.h>

#include <quenlar/core/blockcopy.h>
#include <quenlar/core/log.h>
#include <quenlar/gfx/blit.h>
#include <quenlar/core/enginelink_private.h>
#include <quenlar/gfx/gllayer.h>
#include <quenlar/gfx/primitives.h>
#include <quenlar/gfx/screenfx_private.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

QScreenFX *IScreenFX = nullptr;

QScreenFX::QScreenFX() {
    if (!IPrimitives) {
        IPrimitives = new QPrimitives;
        ownsPrimitives_ = true;
    }
    ILogSystem.Msg(5, " . [IScreenFX] Interfaz created.\n");
}

QScreenFX::~QScreenFX() {
    ILogSystem.Msg(5, " . [IScreenFX] Interfaz deleted.\n");
    if (ownsPrimitives_) {
        delete IPrimitives;
        IPrimitives = nullptr;
    }
}

// ---------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------
namespace {
using qnl::fx::View;

// A source rectangle after clipping.
struct Area {
    int x, y, w, h;
};

// Null source, source drawn onto itself, or nothing left after clipping.
bool ClipSource(const SDL_Surface *src, const SDL_Surface *dst, const SDL_Rect *rect, Area &a) {
    if (!src || src == dst) return false;
    a = {0, 0, src->w, src->h};
    if (rect) {
        a.x = std::min(std::max((int)rect->x, 0), src->w);
        a.y = std::min(std::max((int)rect->y, 0), src->h);
        a.w = std::min((int)rect->w, src->w - a.x);
        a.h = std::min((int)rect->h, src->h - a.y);
    }
    return a.w > 0 && a.h > 0;
}

// Refuses, with the log line, a result size that is not finite or beyond
// the limits; sizes are taken in magnitude (negative ones mirror).
bool SizeAllowed(double w, double h, const char *origin) {
    w = std::fabs(w), h = std::fabs(h);
    if (w <= QScreenFX::kMaxSide && h <= QScreenFX::kMaxSide && w * h <= QScreenFX::kMaxPixels)
        return true; // NaN fails every comparison
    ILogSystem.Msg(0,
                   " . [%s] Error: a result of %.0f x %.0f pixels is refused (at most %d "
                   "pixels a side and %d in all).\n",
                   origin, w, h, QScreenFX::kMaxSide, QScreenFX::kMaxPixels);
    return false;
}

View ViewOf(SDL_Surface *s, const Area &a) {
    Uint8 *pixels = static_cast<Uint8 *>(s->pixels) + (std::ptrdiff_t)a.y * s->pitch +
                    a.x * s->format->BytesPerPixel;
    return {pixels, s->pitch, a.w, a.h};
}

View ViewOf(SDL_Surface *s) {
    return ViewOf(s, {0, 0, s->w, s->h});
}

// IPrimitives->Lock for the scope; ok() once the pixels can be touched.
class Locked {
public:
    explicit Locked(SDL_Surface *s) : s_(s) { IPrimitives->Lock(s_); }
    ~Locked() { IPrimitives->Unlock(s_); }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;
    bool ok() const { return s_->pixels != nullptr; }

private:
    SDL_Surface *s_;
};

// A software surface of w x h in the layout of `f`, with its palette.
SDL_Surface *NewSurface(const SDL_PixelFormat *f, int w, int h, const char *origin) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, f->BitsPerPixel, f->Rmask, f->Gmask,
                                          f->Bmask, f->Amask);
    if (!s) {
        ILogSystem.Msg(0, " . [%s] Error: %s\n", origin, SDL_GetError());
        return nullptr;
    }
    if (f->palette && s->format->palette)
        SDL_SetColors(s, f->palette->colors, 0, f->palette->ncolors);
    return s;
}

bool HasSurfaceAlpha(const SDL_Surface *s) {
    return (s->flags & SDL_SRCALPHA) && s->format->alpha != 255;
}

// Mirror, Flip and Resize: the source's colour key (as `key`, a value of
// the result's format) and a per-surface alpha below 255 go to the result.
void CarryKeyAndAlpha(const SDL_Surface *src, SDL_Surface *result, Uint32 key) {
    if (src->flags & SDL_SRCCOLORKEY) SDL_SetColorKey(result, SDL_SRCCOLORKEY, key);
    if (HasSurfaceAlpha(src)) SDL_SetAlpha(result, SDL_SRCALPHA, src->format->alpha);
}

// Without a destination the result itself; else the result drawn at the
// destination rectangle's corner moved by (dx, dy), freed, and `dst`.
SDL_Surface *Deliver(SDL_Surface *result, SDL_Surface *dst, const SDL_Rect *dstrect, int dx,
                     int dy) {
    if (!dst || !result) return result;
    auto coordinate = [](int v) { return (Sint16)std::min(std::max(v, -32768), 32767); };
    SDL_Rect at = {coordinate((dstrect ? dstrect->x : 0) + dx),
                   coordinate((dstrect ? dstrect->y : 0) + dy), 0, 0};
    qnl::ScreenBlit(result, nullptr, dst, &at);
    SDL_FreeSurface(result);
    return dst;
}
} // namespace

// ---------------------------------------------------------------------------
// Texture path
// ---------------------------------------------------------------------------
namespace {
bool OnTexturePath(SDL_Surface *src, SDL_Surface *dst) {
    return dst && qnl::Engine().openGL() && qnl::gl::IsTexture(src);
}

// The texture layer draws the rectangle onto `dst` with the rectangle's
// corner at the destination rectangle's corner moved by (dx, dy).
void DrawTexture(SDL_Surface *src, const Area &a, SDL_Surface *dst, const SDL_Rect *dstrect, int dx,
                 int dy, const qnl::gl::Transform &t) {
    SDL_Rect rect = {(Sint16)a.x, (Sint16)a.y, (Uint16)a.w, (Uint16)a.h};
    qnl::gl::Draw(src, &rect, dst, (dstrect ? dstrect->x : 0) + dx, (dstrect ? dstrect->y : 0) + dy,
                  t);
}

// Scaled drawings turn about the rectangle's centre, so that they land
// where the software path centres its result.
qnl::gl::Transform Centred(const Area &a, double scaleX, double scaleY, bool smooth) {
    qnl::gl::Transform t;
    t.scaleX = scaleX, t.scaleY = scaleY;
    t.centreX = a.w / 2, t.centreY = a.h / 2;
    t.smooth = smooth;
    return t;
}
} // namespace

// ---------------------------------------------------------------------------
// Mirror and Flip
// ---------------------------------------------------------------------------
namespace {
SDL_Surface *SameSize(SDL_Surface *src, const SDL_Rect *srcrect, SDL_Surface *dst,
                      const SDL_Rect *dstrect, bool mirror, const char *origin) {
    Area a;
    if (!ClipSource(src, dst, srcrect, a)) return nullptr;
    if (OnTexturePath(src, dst)) {
        // Mirrored about the rectangle's left (top) edge, hence the shift.
        qnl::gl::Transform t;
        (mirror ? t.scaleX : t.scaleY) = -1;
        DrawTexture(src, a, dst, dstrect, mirror ? a.w : 0, mirror ? 0 : a.h, t);
        return dst;
    }
    SDL_Surface *result = NewSurface(src->format, a.w, a.h, origin);
    if (!result) return nullptr;
    CarryKeyAndAlpha(src, result, src->format->colorkey);
    {
        Locked in(src), out(result);
        const int bpp = src->format->BytesPerPixel;
        if (in.ok() && out.ok()) {
            if (mirror)
                qnl::fx::MirrorRows(ViewOf(src, a), ViewOf(result), bpp);
            else
                qnl::fx::FlipRows(ViewOf(src, a), ViewOf(result), bpp, QuenlarBlockCopy);
        }
    }
    return Deliver(result, dst, dstrect, 0, 0);
}
} // namespace

SDL_Surface *QScreenFX::Mirror(SDL_Surface *src, const SDL_Rect *srcrect, SDL_Surface *dst,
                               const SDL_Rect *dstrect) {
    return SameSize(src, srcrect, dst, dstrect, true, "IScreenFX->Mirror()");
}

SDL_Surface *QScreenFX::Flip(SDL_Surface *src, const SDL_Rect *srcrect, SDL_Surface *dst,
                             const SDL_Rect *dstrect) {
    return SameSize(src, srcrect, dst, dstrect, false, "IScreenFX->Flip()");
}

// ---------------------------------------------------------------------------
// Resize and Zoom
// ---------------------------------------------------------------------------
namespace {
// The pixels that scaling and rotation read: the rectangle of a 32- or
// 8-bit source in place, locked for the object's life, or a 32-bit copy of
// any other source's rectangle carrying its colour key as the same colour.
// The copy folds a per-surface alpha into its alpha channel, so the result
// draws as translucent as the source did.
class WorkingSource {
public:
    WorkingSource(SDL_Surface *src, const Area &a, const char *origin) : src_(src) {
        const SDL_PixelFormat *f = src->format;
        keyed_ = (src->flags & SDL_SRCCOLORKEY) != 0;
        if (f->BitsPerPixel == 32 || f->BitsPerPixel == 8) {
            lock_.emplace(src);
            if (lock_->ok()) view_ = ViewOf(src, a), ok_ = true;
            key_ = f->colorkey;
            return;
        }
        copy_ = SDL_CreateRGBSurface(SDL_SWSURFACE, a.w, a.h, 32, 0x000000FF, 0x0000FF00,
                                     0x00FF0000, 0xFF000000);
        if (!copy_) {
            ILogSystem.Msg(0, " . [%s] Error: %s\n", origin, SDL_GetError());
            return;
        }
        Locked in(src);
        if (!in.ok()) return;
        const Uint8 alpha = (src->flags & SDL_SRCALPHA) ? f->alpha : 255;
        qnl::fx::ConvertToRGBA32(ViewOf(src, a), *f, keyed_, alpha, ViewOf(copy_));
        if (keyed_) {
            key_ = qnl::fx::ToRGBA32(f->colorkey, *f, 255);
            SDL_SetColorKey(copy_, SDL_SRCCOLORKEY, key_);
        }
        view_ = ViewOf(copy_), ok_ = true;
    }
    ~WorkingSource() {
        if (copy_) SDL_FreeSurface(copy_);
    }
    WorkingSource(const WorkingSource &) = delete;
    WorkingSource &operator=(const WorkingSource &) = delete;

    bool ok() const { return ok_; }
    const View &view() const { return view_; }
    const SDL_PixelFormat *format() const { return copy_ ? copy_->format : src_->format; }
    bool keyed() const { return keyed_; }
    Uint32 key() const { return key_; } // in format()'s terms

private:
    SDL_Surface *src_;
    SDL_Surface *copy_ = nullptr;
    std::optional<Locked> lock_; // a source read in place
    View view_ = {nullptr, 0, 0, 0};
    bool ok_ = false, keyed_ = false;
    Uint32 key_ = 0;
};

SDL_Surface *Scale(SDL_Surface *src, const Area &a, bool smooth, int width, int height,
                   SDL_Surface *dst, const SDL_Rect *dstrect, const char *origin) {
    const bool mirrorX = width < 0, mirrorY = height < 0;
    const int w = std::max(1, std::abs(width)), h = std::max(1, std::abs(height));
    WorkingSource source(src, a, origin);
    if (!source.ok()) return nullptr;
    SDL_Surface *result = NewSurface(source.format(), w, h, origin);
    if (!result) return nullptr;
    CarryKeyAndAlpha(src, result, source.key());
    {
        Locked out(result);
        const View in = source.view(), to = ViewOf(result);
        // A table that cannot be allocated leaves the result unfilled.
        if (result->format->BytesPerPixel == 1)
            qnl::fx::ScaleNearest8(in, to, mirrorX, mirrorY);
        else if (smooth)
            qnl::fx::ScaleSmooth32(in, to, mirrorX, mirrorY);
        else
            qnl::fx::ScaleNearest32(in, to, mirrorX, mirrorY);
    }
    return Deliver(result, dst, dstrect, (a.w - w) / 2, (a.h - h) / 2);
}
} // namespace

SDL_Surface *QScreenFX::Resize(SDL_Surface *src, bool smooth, int width, int height,
                               const SDL_Rect *srcrect, SDL_Surface *dst, const SDL_Rect *dstrect) {
    Area a;
    if (!ClipSource(src, dst, srcrect, a)) return nullptr;
    char origin[64];
    std::snprintf(origin, sizeof origin, "IScreenFX->Resize(%d, %d)", width, height);
    if (!SizeAllowed(width, height, origin)) return nullptr;
    if (OnTexturePath(src, dst)) {
        const int w = width ? width : 1, h = height ? height : 1;
        DrawTexture(src, a, dst, dstrect, 0, 0,
                    Centred(a, (double)w / a.w, (double)h / a.h, smooth));
        return dst;
    }
    return Scale(src, a, smooth, width, height, dst, dstrect, origin);
}

SDL_Surface *QScreenFX::Zoom(SDL_Surface *src, bool smooth, double zoomx, double zoomy,
                             const SDL_Rect *srcrect, SDL_Surface *dst, const SDL_Rect *dstrect) {
    Area a;
    if (!ClipSource(src, dst, srcrect, a)) return nullptr;
    char origin[64];
    std::snprintf(origin, sizeof origin, "IScreenFX->Zoom(%g, %g)", zoomx, zoomy);
    const double w = std::trunc(a.w * zoomx), h = std::trunc(a.h * zoomy);
    if (!SizeAllowed(w, h, origin)) return nullptr;
    if (OnTexturePath(src, dst)) {
        DrawTexture(src, a, dst, dstrect, 0, 0, Centred(a, zoomx, zoomy, smooth));
        return dst;
    }
    return Scale(src, a, smooth, (int)w, (int)h, dst, dstrect, origin);
}

// ---------------------------------------------------------------------------
// RotoZoom and Rotate
// ---------------------------------------------------------------------------
SDL_Surface *QScreenFX::RotoZoom(SDL_Surface *src, bool smooth, double angle, double zoom,
                                 const SDL_Rect *srcrect, SDL_Surface *dst,
                                 const SDL_Rect *dstrect) {
    if (std::fabs(angle) < 0.001) return Zoom(src, smooth, zoom, zoom, srcrect, dst, dstrect);
    Area a;
    if (!ClipSource(src, dst, srcrect, a)) return nullptr;
    char origin[64];
    std::snprintf(origin, sizeof origin, "IScreenFX->RotoZoom(%g, %g)", angle, zoom);

    // The size of the turned rectangle. The angle constant is part of the
    // result: at 90 degrees the cosine comes out near -2e-10, not 0, and a
    // 40 x 20 rectangle gives 21 x 41.
    if (zoom < 0.001) zoom = 0.001;
    const double radians = angle * 3.141592654 / 180.0;
    const double sine = std::sin(radians), cosine = std::cos(radians);
    const double sz = sine * zoom, cz = cosine * zoom;
    const double rw =
        std::ceil(std::max(std::fabs(a.w * cz - a.h * sz), std::fabs(a.w * cz + a.h * sz)));
    const double rh =
        std::ceil(std::max(std::fabs(a.h * cz - a.w * sz), std::fabs(a.h * cz + a.w * sz)));
    if (!SizeAllowed(rw, rh, origin)) return nullptr;
    const int w = std::max(1, (int)rw), h = std::max(1, (int)rh);

    if (OnTexturePath(src, dst)) {
        // The layer turns counter-clockwise on screen for positive angles,
        // as the software path does, so the angle goes over unchanged.
        qnl::gl::Transform t = Centred(a, zoom, zoom, smooth);
        t.angle = angle;
        DrawTexture(src, a, dst, dstrect, 0, 0, t);
        return nullptr;
    }

    WorkingSource source(src, a, origin);
    if (!source.ok()) return nullptr;
    SDL_Surface *result = NewSurface(source.format(), w, h, origin);
    if (!result) return nullptr;
    const bool eightBit = result->format->BytesPerPixel == 1;
    // A result with an alpha channel (SDL gives it per-surface alpha 255)
    // stays fully transparent where no source shows; any other is keyed and
    // filled with its key there.
    Uint32 fill = 0;
    if (!((result->flags & SDL_SRCALPHA) && result->format->alpha == 255)) {
        fill = source.keyed() ? source.key() : eightBit ? 255 : 0xFF00FF;
        SDL_SetColorKey(result, SDL_SRCCOLORKEY, fill);
        if (HasSurfaceAlpha(src)) SDL_SetAlpha(result, SDL_SRCALPHA, src->format->alpha);
    }
    {
        Locked out(result);
        const qnl::fx::Rotation r = {(Sint64)(65536.0 * cosine / zoom),
                                     (Sint64)(65536.0 * sine / zoom)};
        const View in = source.view(), to = ViewOf(result);
        if (eightBit)
            qnl::fx::RotateNearest8(in, to, r, (Uint8)fill);
        else if (smooth)
            qnl::fx::RotateSmooth32(in, to, r, fill);
        else
            qnl::fx::RotateNearest32(in, to, r, fill);
    }
    return Deliver(result, dst, dstrect, (a.w - w) / 2, (a.h - h) / 2);
}

SDL_Surface *QScreenFX::Rotate(SDL_Surface *src, bool smooth, double angle, const SDL_Rect *srcrect,
                               SDL_Surface *dst, const SDL_Rect *dstrect) {
    return RotoZoom(src, smooth, angle, 1.0, srcrect, dst, dstrect);
}
