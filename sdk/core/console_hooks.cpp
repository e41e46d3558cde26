// The engine's overlay windows: the console and the debug window that
// SetVideoMode creates, the console hooks, and what Update does with them.
//
// Index
//   Ownership ...... ReplaceOverlays, GetConsole, GetDebugWindow
//   Console hooks .. ShowConsole, ConsoleVisible, LogToConsole
//   Update ......... OverlayEvent (toggle, drag), AnimateOverlays, DrawOverlays
#include <quenlar/core/engine_private.h>

#include <quenlar/core/log.h>
#include <quenlar/tools/console.h>
#include <quenlar/tools/debugwin.h>

#include <algorithm>

namespace {
// The log's LOG_CONSOLE output, under the log's lock. Installed while a
// console exists.
void ForwardToConsole(const char *format, va_list args) {
    Quenlar.LogToConsole(format, args);
}
} // namespace

// ---------------------------------------------------------------------------
// Ownership
// ---------------------------------------------------------------------------
namespace qnl {

void ReplaceOverlays(EngineState &s, cConsole *console, cDebugWO *debugWindow) {
    // Detaching the log's output takes the log's lock, so no message is
    // being printed into the old console while it goes.
    ILogSystem.SetConsoleOutput(nullptr);
    if (s.debugWindow) s.debugWindow->AttachConsole(nullptr); // its command goes first
    if (s.console) s.retiredOverlays.push_back(s.console);
    if (s.debugWindow) s.retiredOverlays.push_back(s.debugWindow);
    s.console = console;
    s.debugWindow = debugWindow;
    s.dragging = false;
    if (console) ILogSystem.SetConsoleOutput(ForwardToConsole);
}

void FreeRetiredOverlays(EngineState &s) {
    for (cSimpleWin *window : s.retiredOverlays)
        delete window;
    s.retiredOverlays.clear();
}

} // namespace qnl

cConsole *QuenlarEngine::GetConsole() {
    return state_->console;
}

cDebugWO *QuenlarEngine::GetDebugWindow() {
    return state_->debugWindow;
}

// ---------------------------------------------------------------------------
// Console hooks
// ---------------------------------------------------------------------------
void QuenlarEngine::ShowConsole(int show) {
    if (state_->console) state_->console->Show(show);
}

int QuenlarEngine::ConsoleVisible() {
    const cConsole *console = state_->console;
    return console && console->IsEnabled() && console->GetFadeState() != cSimpleWin::kHidden;
}

void QuenlarEngine::LogToConsole(const char *format, va_list args) {
    if (state_->console) state_->console->VPrint(format, args);
}

// ---------------------------------------------------------------------------
// Update
// ---------------------------------------------------------------------------
namespace qnl {

namespace {
// The back-quote key, without Shift, shows a hidden console and hides a
// shown one, unless the console's features say otherwise.
void ToggleConsole(cConsole *console, const SDL_keysym &key) {
    if (!console || key.sym != SDLK_BACKQUOTE || (key.mod & KMOD_SHIFT)) return;
    if (console->GetFeatures() & cSimpleWin::kNoToggle) return;
    console->Show(console->GetFadeState() == cSimpleWin::kHidden ? 1 : 0);
}

bool Inside(const SDL_Rect &r, int x, int y) {
    return x >= r.x && x <= r.x + r.w && y >= r.y && y <= r.y + r.h; // edges included
}

// A press on the enabled debug window (shown or not) drags it until the
// button is released. The pointer's place is the event's own, so the
// window follows the pointer between logic steps too.
void DragDebugWindow(EngineState &s, const SDL_Event &e) {
    cDebugWO *window = s.debugWindow;
    switch (e.type) {
    case SDL_MOUSEBUTTONDOWN:
        if (!window || !window->IsEnabled() || s.dragging) return;
        if (!Inside(window->GetRect(), e.button.x, e.button.y)) return;
        s.dragging = true;
        s.dragX = e.button.x;
        s.dragY = e.button.y;
        break;
    case SDL_MOUSEMOTION: {
        if (!s.dragging || !window || !window->IsEnabled()) return;
        const SDL_Rect r = window->GetRect();
        // Past the left or top edge the window stops at it (Move keeps a
        // coordinate given as negative).
        const Sint16 x = (Sint16)(r.x + e.motion.x - s.dragX);
        const Sint16 y = (Sint16)(r.y + e.motion.y - s.dragY);
        window->Move(std::max<int>(x, 0), std::max<int>(y, 0));
        s.dragX = e.motion.x;
        s.dragY = e.motion.y;
        break;
    }
    case SDL_MOUSEBUTTONUP:
        s.dragging = false;
        break;
    default:
        break;
    }
}
} // namespace

void OverlayEvent(EngineState &s, const SDL_Event &e) {
    if (e.type == SDL_KEYDOWN) ToggleConsole(s.console, e.key.keysym);
    DragDebugWindow(s, e);
}

void AnimateOverlays(EngineState &s) {
    if (s.console) s.console->Animate();
    if (s.debugWindow) s.debugWindow->Animate();
}

void DrawOverlays(EngineState &s) {
    if (s.console) s.console->Draw();
    if (s.debugWindow) s.debugWindow->Draw();
}

} // namespace qnl
