#include <quenlar/gfx/resourcesurface_private.h>

#include <quenlar/core/enginelink_private.h>
#include <quenlar/core/error_private.h>
#include <quenlar/gfx/imageconvert.h>
#include <quenlar/gfx/surface.h>

#include <algorithm>

namespace qnl {

SDL_Surface *PrepareResourceSurface(SDL_Surface *s, const ImageBlockHeader &stored,
                                    ResourceLook &look) {
    const bool openGL = Engine().openGL();
    look = ResourceLook();
    look.perPixelAlpha = (s->flags & SDL_SRCALPHA) && s->format->Amask && stored.alpha == 255;
    bool keyed = false;
    Uint8 r = 0, g = 0, b = 0;
    if (!look.perPixelAlpha) {
        // A key beyond an 8-bit sheet's palette denotes no colour.
        const SDL_Palette *palette = s->format->palette;
        keyed = stored.colorkey != kNoColorKey &&
                (!palette || stored.colorkey < (Uint32)palette->ncolors);
        if (keyed) SDL_GetRGB(stored.colorkey, s->format, &r, &g, &b);
        if (s->format->BitsPerPixel == 32) {
            // SDL ignores per-surface alpha on a surface with an alpha channel.
            SDL_Surface *rgb = ConvertDepth(s, 24);
            SDL_FreeSurface(s);
            if (!rgb) {
                SetError(ErrorCode::kNoMemory, "%s", SDL_GetError());
                return nullptr;
            }
            s = rgb;
        }
        look.alpha = stored.alpha;
        SDL_SetAlpha(s, look.alpha < 255 ? SDL_SRCALPHA : 0, look.alpha);
        // The key goes on in the final format; the OpenGL renderer gets it
        // before the upload.
        if (keyed && openGL)
            SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, r, g, b));
        else
            SDL_SetColorKey(s, 0, 0);
    }

    if (NeedsDisplayFormat(s)) {
        s = ConvertToDisplayFormat(s, look.perPixelAlpha);
        look.convertedWithAlpha = look.perPixelAlpha;
    }
    UploadTexture(s);

    if (!keyed) {
        s->format->colorkey = kNoColorKey;
    } else if (!openGL) {
        SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, r, g, b));
        look.colorkey = s->format->colorkey;
    } else {
        look.colorkey = s->format->colorkey;
    }
    return s;
}

void ApplyResourceLook(SDL_Surface *s, const ResourceLook &look) {
    if (look.perPixelAlpha) return;
    const Uint32 alphaFlag = look.alpha < 255 ? SDL_SRCALPHA : 0;
    if ((s->flags & SDL_SRCALPHA) != alphaFlag || s->format->alpha != look.alpha)
        SDL_SetAlpha(s, alphaFlag, look.alpha);
    if (look.colorkey == kNoColorKey) {
        if (s->flags & SDL_SRCCOLORKEY) SDL_SetColorKey(s, 0, 0);
        s->format->colorkey = kNoColorKey;
    } else if (!(s->flags & SDL_SRCCOLORKEY) || s->format->colorkey != look.colorkey) {
        SDL_SetColorKey(s, SDL_SRCCOLORKEY, look.colorkey);
    }
}

Sint16 ClampCoordinate(double v) {
    // NaN fails both comparisons and ends at the upper bound.
    return (Sint16)std::max(-32768.0, std::min(32767.0, v));
}

} // namespace qnl
