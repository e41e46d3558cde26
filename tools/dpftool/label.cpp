#include "label.h"

#include <SDL_ttf.h>
#include <unistd.h>

namespace dpftool {

const char *LabelFontPath() {
    static const char *const kCandidates[] = {
        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
        "/usr/share/fonts/TTF/DejaVuSans.ttf",
    };
    for (const char *path : kCandidates)
        if (access(path, R_OK) == 0) return path;
    return nullptr;
}

int DrawLabel(SDL_Surface *target, int x, int y, const char *text, SDL_Color color, int pixels) {
    const char *path = LabelFontPath();
    if (!target || !text || !*text || !path) return 0;
    if (!TTF_WasInit() && TTF_Init() != 0) return 0;
    TTF_Font *font = TTF_OpenFont(path, pixels);
    if (!font) return 0;
    int width = 0;
    if (SDL_Surface *rendered = TTF_RenderText_Blended(font, text, color)) {
        SDL_Rect at = {(Sint16)x, (Sint16)y, 0, 0};
        SDL_BlitSurface(rendered, nullptr, target, &at);
        width = rendered->w;
        SDL_FreeSurface(rendered);
    }
    TTF_CloseFont(font);
    return width;
}

} // namespace dpftool
