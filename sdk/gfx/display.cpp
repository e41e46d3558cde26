#include <quenlar/gfx/display_private.h>

namespace qnl {

namespace {
const DisplayQueries *g_queries = nullptr;
} // namespace

void SetDisplayQueries(const DisplayQueries *queries) {
    g_queries = queries;
}

SDL_Surface *DisplayScreen() {
    return g_queries ? g_queries->screen() : nullptr;
}

bool DisplayIsOpenGL() {
    return g_queries && g_queries->openGL();
}

bool SurfacesCanBeLost() {
    return g_queries && g_queries->surfacesCanBeLost();
}

} // namespace qnl
