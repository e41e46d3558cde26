// The engine object's private state. SDK-internal: modules of the engine
// (video, pacing, XML, configuration) and the tests include it; it is not
// installed.
#ifndef QUENLAR_CORE_ENGINE_PRIVATE_H
#define QUENLAR_CORE_ENGINE_PRIVATE_H

#include <quenlar/core/engine.h>

#include <bitset>
#include <vector>

class TiXmlDocument;
class TiXmlElement;
class cConsole;
class cDebugWO;
class cSimpleWin;

namespace qnl {

constexpr int kXmlSlots = 10;    // XML handles 1..10
constexpr int kRepeatKeys = 300; // last-repeat times, one per SDL key code

struct EngineState {
    bool initialised = false;
    bool videoRequested = false; // Init was asked for SDL's video

    // Keyboard: SDL's key-state array (null until the first logic step) and
    // the time each key was last reported by ReadKey, in ms.
    const Uint8 *keys = nullptr;
    int keyCount = 0;
    Uint32 lastRepeat[kRepeatKeys] = {0};

    // Presses seen in events since the previous logic step, and the keys
    // the current step shows pressed that way: a button or key pressed and
    // released between two steps, which SDL's state no longer shows, still
    // reads as down for one step.
    Uint8 buttonsPressed = 0; // SDL button mask
    // Released since the previous step, and of those, pressed again after
    // the release (SDL button masks): a button down at that step reads as
    // up for one step, and the new press is seen at the step after.
    Uint8 buttonsReleased = 0, buttonsPressedAgain = 0;
    std::bitset<SDLK_LAST> keysPressed;
    std::bitset<SDLK_LAST> stepKeys;

    // XML documents by handle: slot i holds handle i + 1.
    TiXmlDocument *xmlDoc[kXmlSlots] = {nullptr};
    TiXmlElement *xmlCurrent[kXmlSlots] = {nullptr};

    bool opengl = false; // the OpenGL renderer was chosen by SetVideoMode
    int refresh = 0;     // redraw request: 0 none, 1 once, 2 every frame

    // Frame pacing (Update). Times are ITimeSystem->GetTime values in ms.
    int logicPending = 0;
    Sint32 logicNow = 0, logicLast = 0;
    Sint32 stepsToRun = 0;
    float delta = 0.0f, due = 0.0f;
    float logicAccumulator = 0.0f;
    Sint32 renderNow = 0, renderLast = 0;
    float renderAccumulator = 0.0f;
    SDL_Event event{};          // the record Update fills when given none
    bool quitRequested = false; // an SDL_QUIT event was seen by Update

    // The overlay windows SetVideoMode creates (owned; Quit deletes them).
    // The log's console output reads `console` from any thread, under the
    // log's lock: only ReplaceOverlays changes it, with that output detached.
    cConsole *console = nullptr;
    cDebugWO *debugWindow = nullptr;
    // Overlays replaced while one of them may still be running the code
    // that replaced them (a console command calling SetVideoMode): owned,
    // deleted by the next Update or by Quit.
    std::vector<cSimpleWin *> retiredOverlays;
    // The mouse drags the debug window: the pointer's last place (pixels).
    bool dragging = false;
    Sint32 dragX = 0, dragY = 0;
};

// The engine's overlay windows (console_hooks.cpp). ReplaceOverlays retires
// the current console and debug window and takes the given ones (null:
// none). The others run them from Update: the back-quote toggle and the
// mouse drag for each event, their animation once per logic step, their
// drawing on each presented frame while a refresh is requested.
void ReplaceOverlays(EngineState &s, cConsole *console, cDebugWO *debugWindow);
// Deletes the overlays ReplaceOverlays retired; only where none can be
// running (the start of Update, Quit).
void FreeRetiredOverlays(EngineState &s);
void OverlayEvent(EngineState &s, const SDL_Event &e);
void AnimateOverlays(EngineState &s);
void DrawOverlays(EngineState &s);

} // namespace qnl

// The private state of an engine object (for the SDK's own modules and tests).
qnl::EngineState &EngineStateOf(QuenlarEngine &engine);

#endif
