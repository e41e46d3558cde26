// Quenlar.Update: the main loop's step. It polls one event, hands out the
// logic steps that fell due one call at a time, presents a frame when the
// render rate says so, and sleeps `mtfriendly` milliseconds.
//
// Index
//   Event inspection ... the request to close the program, the overlay windows
//   Input refresh ...... once per logic step, the overlays' animation
//   Presenting ......... overlay windows, cursor, flip
//   Update ............. the pacing itself
#include <quenlar/core/engine_private.h>

#include <quenlar/core/clock.h>
#include <quenlar/core/timesystem.h>
#include <quenlar/gfx/cursor.h>
#include <quenlar/gui/button.h>

#include <cmath>

namespace {

// Type of the event record when no event was pending. Its code field
// (as in SDL's user event) becomes 1 when the call presented a frame.
constexpr Uint8 kIdleEvent = 30;

int LogicRate() {
    return ITimeSystem ? ITimeSystem->GetLogicRate() : -1;
}
int RenderRate() {
    return ITimeSystem ? ITimeSystem->GetRenderRate() : -1;
}
Sint32 Now() {
    return ITimeSystem ? ITimeSystem->GetTime() : 0;
}

// Seconds from `last` to `now` (both ITimeSystem times in ms). A clock that
// went back (ITimeSystem->Init ran again) counts as no time at all rather
// than a negative interval, which would never hand out its steps.
float Seconds(Sint32 now, Sint32 last) {
    return now < last ? 0.0f : (float)(now - last) * 0.001f;
}

// Frames that fall due when `due` more frames are added to `accumulator`.
int FramesDue(float due, float accumulator) {
    const float sum = due + accumulator; // rounded to float before the floor
    return (int)std::floor(sum) - (int)std::floor(accumulator);
}

// The accumulators keep only their fraction: whole frames have been handed
// out already, and a float that grows for hours loses the precision the
// next small interval needs (the pacing would first run fast, then stop).
float Carry(float accumulator) {
    return accumulator - std::floor(accumulator);
}

} // namespace

// ---------------------------------------------------------------------------
// Event inspection
// ---------------------------------------------------------------------------
static void InspectEvent(qnl::EngineState &s, const SDL_Event &e) {
    switch (e.type) {
    case SDL_QUIT: // the window's close button, or SIGINT/SIGTERM through SDL
        s.quitRequested = true;
        break;
    case SDL_MOUSEBUTTONDOWN: // latched for the next input refresh
        if (e.button.button >= 1 && e.button.button <= 8) {
            const Uint8 mask = (Uint8)SDL_BUTTON(e.button.button);
            s.buttonsPressed |= mask;
            s.buttonsPressedAgain |= s.buttonsReleased & mask;
        }
        break;
    case SDL_MOUSEBUTTONUP:
        if (e.button.button >= 1 && e.button.button <= 8) {
            const Uint8 mask = (Uint8)SDL_BUTTON(e.button.button);
            s.buttonsReleased |= mask;
            s.buttonsPressedAgain &= (Uint8)~mask;
        }
        break;
    case SDL_KEYDOWN:
        if (e.key.keysym.sym < SDLK_LAST) s.keysPressed.set(e.key.keysym.sym);
        break;
    default:
        break;
    }
    qnl::OverlayEvent(s, e);
}

// ---------------------------------------------------------------------------
// Input refresh, once per logic step
// ---------------------------------------------------------------------------
static void RefreshInput(QuenlarEngine &engine, qnl::EngineState &s) {
    SDL_PumpEvents();
    engine.lastmousebuttons = engine.mousebuttons;
    if (ICursor) ICursor->SetPrevPosition(engine.mousex, engine.mousey);
    int x = 0, y = 0;
    // SDL's state, and what was pressed since the previous step; a button
    // released and pressed again since then reads as up once, so that both
    // clicks are seen.
    const Uint8 bounced = engine.lastmousebuttons & s.buttonsReleased;
    engine.mousebuttons =
        (Uint8)((SDL_GetMouseState(&x, &y) | s.buttonsPressed) & ~bounced);
    s.buttonsPressed = bounced & s.buttonsPressedAgain;
    s.buttonsReleased = s.buttonsPressedAgain = 0;
    engine.mousex = x;
    engine.mousey = y;
    s.keys = SDL_GetKeyState(&s.keyCount);
    s.stepKeys = s.keysPressed;
    s.keysPressed.reset();
    if (IButton) IButton->Update();
    if (ITimeSystem) ITimeSystem->CountLogicFrame();
    qnl::AnimateOverlays(s);
}

// ---------------------------------------------------------------------------
// Presenting a frame
// ---------------------------------------------------------------------------
static void Present(QuenlarEngine &engine, qnl::EngineState &s, SDL_Event &record) {
    record.user.code = 1;
    if (s.refresh) qnl::DrawOverlays(s);
    if (ICursor) ICursor->Draw();
    SDL_Flip(engine.screen);
    if (ITimeSystem) ITimeSystem->CountRenderFrame();
    if (s.refresh == 1) s.refresh = 0;
}

// ---------------------------------------------------------------------------
// Update
// ---------------------------------------------------------------------------
int QuenlarEngine::Update(SDL_Event *event) {
    qnl::EngineState &s = *state_;
    if (!s.retiredOverlays.empty()) qnl::FreeRetiredOverlays(s);

    // One event. A caller that passed a record handles it and calls again.
    SDL_Event &record = event ? *event : s.event;
    if (SDL_PollEvent(&record)) {
        InspectEvent(s, record);
        if (event) return 1;
    } else {
        record.user.type = kIdleEvent;
        record.user.code = 0;
    }

    // Logic: hand out the steps of the current batch one call at a time.
    const int logicRate = LogicRate();
    if (logicRate <= 0) {
        RefreshInput(*this, s);
    } else {
        if (!s.logicPending) {
            s.logicNow = Now();
            s.delta = Seconds(s.logicNow, s.logicLast);
            s.due = (float)logicRate * s.delta;
            s.stepsToRun = FramesDue(s.due, s.logicAccumulator);
        }
        if (s.stepsToRun != 0) {
            s.logicPending = 1;
            --s.stepsToRun;
            RefreshInput(*this, s);
            return 0; // no flip, no sleep until the batch is done
        }
        s.logicAccumulator = Carry(s.logicAccumulator + s.due);
    }

    // Rendering.
    if (screen) {
        const int renderRate = RenderRate();
        if (renderRate <= 0) {
            Present(*this, s, record);
        } else {
            s.renderNow = Now();
            if (s.renderNow < s.renderLast) s.renderLast = s.renderNow; // clock restarted
            const float due = (float)renderRate * Seconds(s.renderNow, s.renderLast);
            if (FramesDue(due, s.renderAccumulator) >= 1) {
                Present(*this, s, record);
                s.renderLast = s.renderNow;
                s.renderAccumulator = Carry(s.renderAccumulator + due);
            }
        }
    }

    // End of the call.
    if (ITimeSystem) ITimeSystem->Update();
    s.logicLast = s.logicNow;
    s.logicPending = 0;
    if (mtfriendly > 0) QuenlarDelay((Uint32)mtfriendly);
    return logicRate > 0 ? 1 : 0;
}

float QuenlarEngine::GetFrameAccumulator() {
    return state_->logicAccumulator;
}

int QuenlarEngine::QuitRequested() {
    return state_->quitRequested ? 1 : 0;
}
