#include <quenlar/gfx/gllayer.h>

#include <quenlar/gfx/pixel_private.h>

#include <algorithm>
#include <cmath>

namespace qnl {
namespace gl {

namespace {
unsigned g_uploads = 0;

// Locks a surface for the scope when SDL requires it.
class ScopedLock {
public:
    explicit ScopedLock(SDL_Surface *s) : s_(SDL_MUSTLOCK(s) ? s : nullptr) {
        if (s_ && SDL_LockSurface(s_) < 0) s_ = nullptr, failed_ = true;
    }
    ~ScopedLock() {
        if (s_) SDL_UnlockSurface(s_);
    }
    bool failed() const { return failed_; }

private:
    SDL_Surface *s_;
    bool failed_ = false;
};
} // namespace

int Upload(SDL_Surface *surface) {
    if (!surface) return 0;
    if (surface->unused1 != kTextureMark) ++g_uploads;
    surface->unused1 = kTextureMark;
    return 1;
}

unsigned UploadCount() {
    return g_uploads;
}

Uint32 GetPixel(SDL_Surface *surface, int x, int y) {
    ScopedLock lock(surface);
    if (lock.failed()) return 0;
    return ReadRawPixel(surface, x, y);
}

void PutPixel(SDL_Surface *surface, int x, int y, Uint32 pixel) {
    ScopedLock lock(surface);
    if (!lock.failed()) WriteRawPixel(surface, x, y, pixel);
}

int Draw(SDL_Surface *src, const SDL_Rect *srcrect, SDL_Surface *dst, int x, int y,
         const Transform &t) {
    if (!src || !dst || src == dst) return -1;
    if (std::fabs(t.scaleX) < 1e-9 || std::fabs(t.scaleY) < 1e-9) return -1;

    // The source rectangle, clipped to the source.
    int sx = 0, sy = 0, w = src->w, h = src->h;
    if (srcrect) {
        sx = std::max(0, (int)srcrect->x);
        sy = std::max(0, (int)srcrect->y);
        w = std::min((int)srcrect->x + (int)srcrect->w, src->w) - sx;
        h = std::min((int)srcrect->y + (int)srcrect->h, src->h) - sy;
    }
    if (w <= 0 || h <= 0) return -1;

    const double rad = t.angle * 3.14159265358979323846 / 180.0;
    const double c = std::cos(rad), s = std::sin(rad);
    // Forward map of a source point (relative to the rectangle).
    auto forward = [&](double px, double py, double &qx, double &qy) {
        const double ux = (px - t.centreX) * t.scaleX, uy = (py - t.centreY) * t.scaleY;
        qx = t.centreX + ux * c + uy * s;
        qy = t.centreY - ux * s + uy * c;
    };
    double minX = 1e30, minY = 1e30, maxX = -1e30, maxY = -1e30;
    const double corners[4][2] = {{0, 0}, {(double)w, 0}, {0, (double)h}, {(double)w, (double)h}};
    for (const auto &p : corners) {
        double qx, qy;
        forward(p[0], p[1], qx, qy);
        minX = std::min(minX, qx), maxX = std::max(maxX, qx);
        minY = std::min(minY, qy), maxY = std::max(maxY, qy);
    }
    // Far beyond any surface (SDL coordinates are 16-bit), safe to convert.
    auto bound = [](double v) { return std::min(std::max(v, -1e6), 1e6); };
    const int bx = (int)std::floor(bound(minX)), by = (int)std::floor(bound(minY));
    const int bw = (int)std::ceil(bound(maxX)) - bx, bh = (int)std::ceil(bound(maxY)) - by;
    if (bw <= 0 || bh <= 0) return -1;

    // Each destination pixel inside the clip rectangle is mapped back to the
    // source; pixels outside the source or of its colour key are left alone,
    // translucent ones are blended, opaque ones written exactly.
    const SDL_Rect &clip = dst->clip_rect;
    const int x0 = std::max(x + bx, (int)clip.x), x1 = std::min(x + bx + bw, clip.x + (int)clip.w);
    const int y0 = std::max(y + by, (int)clip.y), y1 = std::min(y + by + bh, clip.y + (int)clip.h);
    if (x0 >= x1 || y0 >= y1) return 0;

    const SDL_PixelFormat *f = src->format;
    const bool keyed = (src->flags & SDL_SRCCOLORKEY) != 0;
    const bool surfaceAlpha = (src->flags & SDL_SRCALPHA) && !f->Amask;
    ScopedLock srcLock(src), dstLock(dst);
    if (srcLock.failed() || dstLock.failed() || !src->pixels || !dst->pixels) return -1;
    for (int dy = y0; dy < y1; ++dy) {
        for (int dx = x0; dx < x1; ++dx) {
            // Inverse map of the destination pixel's centre.
            const double qx = dx - x + 0.5 - t.centreX, qy = dy - y + 0.5 - t.centreY;
            const double ux = qx * c - qy * s, uy = qx * s + qy * c;
            const double fx = t.centreX + ux / t.scaleX, fy = t.centreY + uy / t.scaleY;
            if (!(fx >= 0 && fy >= 0 && fx < w && fy < h)) continue;
            const Uint32 raw = ReadRawPixel(src, sx + (int)fx, sy + (int)fy);
            if (keyed && raw == f->colorkey) continue;
            Uint8 r, g, b, a;
            SDL_GetRGBA(raw, const_cast<SDL_PixelFormat *>(f), &r, &g, &b, &a);
            if (surfaceAlpha) a = f->alpha;
            if (a == 0) continue;
            if (a < 255) {
                Uint8 dr, dg, db;
                SDL_GetRGB(ReadRawPixel(dst, dx, dy), dst->format, &dr, &dg, &db);
                r = (Uint8)((r * a + dr * (255 - a)) / 255);
                g = (Uint8)((g * a + dg * (255 - a)) / 255);
                b = (Uint8)((b * a + db * (255 - a)) / 255);
            }
            WriteRawPixel(dst, dx, dy, SDL_MapRGB(dst->format, r, g, b));
        }
    }
    return 0;
}

} // namespace gl
} // namespace qnl
