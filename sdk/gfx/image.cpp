#include "gfx/image.h"

#include "core/log.h"
#include "gfx/imageblock.h"
#include "gfx/surface.h"

#include <SDL_image.h>

QImage *IImage = nullptr;

QImage::QImage() { ILogSystem.Msg(5, " . [IImage] Interfaz created.\n"); }

QImage::~QImage() { ILogSystem.Msg(5, " . [IImage] Interfaz deleted.\n"); }

// ---------------------------------------------------------------------------
// PNG data
// ---------------------------------------------------------------------------
SDL_Surface *QImage::LoadPNG(const void *data, int size) {
    if (!data || size <= 0) return nullptr;
    SDL_RWops *rw = SDL_RWFromConstMem(data, size);
    if (!rw) return nullptr;
    SDL_Surface *surface = IMG_LoadPNG_RW(rw);
    SDL_RWclose(rw);
    if (!surface) return nullptr;

    if (qnl::ImageConversion() && qnl::NeedsDisplayFormat(surface)) {
        if (surface->flags & SDL_SRCALPHA) {
            surface = qnl::ConvertToDisplayFormat(surface, true);
        } else {
            SDL_SetAlpha(surface, 0, 255);
            SDL_SetColorKey(surface, 0, 0);
            surface = qnl::ConvertToDisplayFormat(surface, false);
        }
    }
    if (qnl::ImageConversion()) qnl::UploadTexture(surface);
    surface->format->colorkey = qnl::kNoColorKey;
    return surface;
}
