// What the layers below the engine may ask of the program's engine object.
//
// The engine (`Quenlar`) is the top layer: lower layers cannot name it, yet
// drawing needs the screen, loaders refuse to work before the engine has
// started, buttons read the mouse and keys, resources keep the engine's live
// counts. The engine installs this table when it is constructed; lower layers
// ask through qnl::Engine() on every use, since a program may change the
// facts at any time. With no table installed (a lower layer used on its
// own) the answers are those of an engine that has not started: no screen,
// no keys, and fields kept in this module. SDK-internal.
#ifndef QUENLAR_CORE_ENGINELINK_PRIVATE_H
#define QUENLAR_CORE_ENGINELINK_PRIVATE_H

#include <quenlar/core/config.h>

#include <SDL.h>

namespace qnl {

struct EngineLink {
    bool (*started)();                // Quenlar.Init succeeded (startticks is set)
    SDL_Surface *(*screen)();         // Quenlar.screen, or null
    bool (*openGL)();                 // the OpenGL renderer runs (Quenlar.IsOpenGL)
    bool (*surfacesCanBeLost)();      // blits may report lost video memory (lostsurfaces)
    float (*frameAccumulator)();      // Quenlar.GetFrameAccumulator
    void (*refresh)(int request);     // Quenlar.Refresh
    int (*needRefresh)();             // Quenlar.NeedRefresh
    Uint8 (*keyDown)(int key);        // Quenlar.KeyDown
    int (*readKey)(Uint32 delay);     // Quenlar.ReadKey
    const char *(*keyText)(int code); // Quenlar.KeyText

    // The engine's public fields, read and written in place (never null):
    // its own configuration record (volumes, depth ...) and its state.
    QuenlarConfig *config;
    Sint32 *mousex;
    Sint32 *mousey;
    Uint8 *mousebuttons;
    Uint8 *lastmousebuttons;
    Sint32 *fontcount; // live CFont objects
    Sint32 *spritecount;
    Sint32 *tilecount;
};

// `link` must outlive every use; null puts the no-engine answers back.
void SetEngineLink(const EngineLink *link);
// The installed table, or the no-engine one.
const EngineLink &Engine();

} // namespace qnl

#endif
