#include "canvas.h"

#include "label.h"

#include <quenlar/gfx/pixel_private.h>

#include <algorithm>

namespace dpftool {

namespace {
constexpr Uint32 kBackground = 0x303030;
constexpr Uint32 kCheckLight = 0x9A9A9A, kCheckDark = 0x6A6A6A;
constexpr int kCheckSize = 8; // canvas pixels per checkerboard square

// The source pixel's colour and its opacity (0 to 255) as a draw shows it.
void Sample(SDL_Surface *src, int x, int y, Uint8 rgb[3], int &opacity) {
    const Uint32 pixel = qnl::ReadRawPixel(src, x, y);
    Uint8 a = 255;
    SDL_GetRGBA(pixel, src->format, &rgb[0], &rgb[1], &rgb[2], &a);
    const SDL_PixelFormat *f = src->format;
    if ((src->flags & SDL_SRCCOLORKEY) && pixel == f->colorkey) {
        opacity = 0;
    } else if (src->flags & SDL_SRCALPHA) {
        opacity = f->Amask ? a : f->alpha; // SDL uses one or the other
    } else {
        opacity = 255;
    }
}
} // namespace

SDL_Surface *NewCanvas(int width, int height) {
    SDL_Surface *canvas =
        SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    if (canvas) SDL_FillRect(canvas, nullptr, kBackground);
    return canvas;
}

int PreviewScale(int detail, int extent) {
    detail = std::max(1, detail);
    extent = std::max(1, extent);
    return std::max(1, std::min({8, (48 + detail - 1) / detail, 1024 / extent}));
}

void DrawEnlarged(SDL_Surface *canvas, SDL_Surface *src, const SDL_Rect &area, int x, int y,
                  int scale) {
    if (SDL_MUSTLOCK(src) && SDL_LockSurface(src) < 0) return;
    for (int sy = 0; sy < area.h; ++sy) {
        for (int sx = 0; sx < area.w; ++sx) {
            const int px = area.x + sx, py = area.y + sy;
            if (px < 0 || py < 0 || px >= src->w || py >= src->h) continue;
            Uint8 rgb[3];
            int opacity;
            Sample(src, px, py, rgb, opacity);
            for (int dy = 0; dy < scale; ++dy) {
                for (int dx = 0; dx < scale; ++dx) {
                    const int cx = x + sx * scale + dx, cy = y + sy * scale + dy;
                    if (cx < 0 || cy < 0 || cx >= canvas->w || cy >= canvas->h) continue;
                    const Uint32 check =
                        ((cx / kCheckSize + cy / kCheckSize) & 1) ? kCheckDark : kCheckLight;
                    Uint32 out = 0;
                    for (int c = 0; c < 3; ++c) {
                        const int under = (int)(check >> (16 - 8 * c)) & 0xFF;
                        const int mixed = (rgb[c] * opacity + under * (255 - opacity)) / 255;
                        out |= (Uint32)mixed << (16 - 8 * c);
                    }
                    qnl::WriteRawPixel(canvas, cx, cy, out);
                }
            }
        }
    }
    if (SDL_MUSTLOCK(src)) SDL_UnlockSurface(src);
}

void DrawOutline(SDL_Surface *canvas, const SDL_Rect &r, Uint32 color) {
    SDL_Rect edges[4] = {{r.x, r.y, r.w, 1},
                         {r.x, (Sint16)(r.y + r.h - 1), r.w, 1},
                         {r.x, r.y, 1, r.h},
                         {(Sint16)(r.x + r.w - 1), r.y, 1, r.h}};
    for (SDL_Rect &e : edges)
        SDL_FillRect(canvas, &e, color);
}

int LabelWidth(const char *text, int pixels) {
    SDL_Surface *scratch = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    const int width = DrawLabel(scratch, 0, 0, text, kLabelColor, pixels);
    SDL_FreeSurface(scratch);
    return width;
}

} // namespace dpftool
