// What the drawing code needs to know about the display. The layer above
// owns these facts (the engine object's `screen` and `lostsurfaces` fields
// and the renderer its SetVideoMode chose) and installs a table of queries
// when it is created; the drawing code asks through it on every use, since a
// program may change them at any time. With no table installed there is no
// screen, no OpenGL renderer and no lost video memory. SDK-internal.
#ifndef QUENLAR_GFX_DISPLAY_PRIVATE_H
#define QUENLAR_GFX_DISPLAY_PRIVATE_H

#include <SDL.h>

namespace qnl {

struct DisplayQueries {
    SDL_Surface *(*screen)();    // the display surface, or null
    bool (*openGL)();            // the OpenGL renderer runs
    bool (*surfacesCanBeLost)(); // blits may report lost video memory (-2)
};

// `queries` must outlive every drawing call; null removes the table.
void SetDisplayQueries(const DisplayQueries *queries);

SDL_Surface *DisplayScreen();
bool DisplayIsOpenGL();
bool SurfacesCanBeLost();

} // namespace qnl

#endif
