// Buttons on a started engine: a 320 x 240 screen, a package of buttons
// whose state images are plain colours, and input driven through SDL at the
// launcher's pacing (20 logic steps a second) with the fake clock.
//
// Input goes through SDL as a program's would: the pointer is moved with
// SDL_WarpMouse, which on SDL's dummy driver moves SDL's own pointer and
// queues the motion event; buttons and keys are SDL events pushed into the
// queue. SDL keeps no button state for pushed events, so a button held over
// several steps is pressed again before each of them (Hold), as the
// engine's latch reads a press between two steps.
#ifndef QUENLAR_TESTS_BUTTON_FIXTURE_H
#define QUENLAR_TESTS_BUTTON_FIXTURE_H

#include "video/engine_fixture.h"

#include <quenlar/gfx/tileblock_private.h>
#include <quenlar/gui/buttondesc_private.h>

#include <cstring>
#include <vector>

// The state images' colours.
constexpr Uint32 kNormalColor = 0x2040C0, kPressedColor = 0xC04020, kOffColor = 0x808080,
                 kSelectColor = 0x20C040;

class ButtonTest : public EngineTest {
protected:
    void SetUp() override {
        Start();
        OpenScreen(320, 240, 32);
        handle = IStuffDPF->Create("buttons.dpf");
        ASSERT_GT(handle, 0);
        ITimeSystem->Init(0);
        ITimeSystem->SetRate(60, 20);
        Quenlar.mtfriendly = 1;
        Step();
        log.Mark();
    }
    void TearDown() override {
        if (IStuffDPF) IStuffDPF->Close(handle);
        EngineTest::TearDown();
    }

    // ---- The package -------------------------------------------------------
    void AddBlock(const std::string &name, const char *type, std::vector<Uint8> payload) {
        DPFBlock b;
        std::memset(&b, 0, sizeof b);
        std::snprintf(b.name, sizeof b.name, "%s", name.c_str());
        std::strcpy(b.type, type);
        b.size = (unsigned int)payload.size();
        b.data = reinterpret_cast<char *>(payload.data());
        ASSERT_GT(IStuffDPF->Replace(handle, &b), 0);
    }
    // A "TILB2" block of one colour.
    void AddTile(const std::string &name, int w, int h, Uint32 color) {
        SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        SDL_FillRect(s, nullptr, color);
        AddBlock(name, "TILB2", qnl::EncodeTileBlock(qnl::TileBlock(), s, qnl::kNoColorKey, 255));
        SDL_FreeSurface(s);
    }
    // The images a kind needs, w x h (a slider's knob is knobW wide).
    void AddImages(const std::string &name, int type, int w, int h, int knobW = 10) {
        AddTile(name + "_n", w, h, kNormalColor);
        AddTile(name + "_p", type == BT_SLIDER ? knobW : w, h, kPressedColor);
        AddTile(name + "_o", w, h, kOffColor);
        if (type == BT_COMPLEX) AddTile(name + "_s", w, h, kSelectColor);
    }
    static ButtonDesc Desc(int type, Sint16 x, Sint16 y, Sint16 range = 0, Sint32 value = 0) {
        ButtonDesc d = ButtonDesc();
        d.type = (Uint8)type;
        d.x = x;
        d.y = y;
        d.range = range;
        d.value = value;
        return d;
    }
    // Images of w x h and the "BUT" block, then IButton->Load.
    int Make(const std::string &name, const ButtonDesc &d, int w = 40, int h = 20,
             Uint8 master = 0) {
        AddImages(name, d.type, w, h);
        AddBlock(name, "BUT", qnl::EncodeButtonDesc(d));
        return IButton->Load(handle, name.c_str(), master);
    }

    // ---- Input and frames ----------------------------------------------------
    // Runs Quenlar.Update until it has run a logic step (IButton->Update).
    void Step() {
        for (int calls = 0; calls < 1000; ++calls)
            if (Quenlar.Update() == 0) return;
        FAIL() << "no logic step within 1000 calls";
    }
    // One pass of a program's loop: a logic step, then the draw.
    int Frame() {
        Step();
        return IButton->Draw();
    }
    void MoveTo(int x, int y) { SDL_WarpMouse((Uint16)x, (Uint16)y); }
    void Push(Uint8 type, Uint8 button, SDLKey key = SDLK_UNKNOWN) {
        ASSERT_TRUE(testing_support::PushInputEvent(type, button, key));
    }
    void Press(Uint8 button = SDL_BUTTON_LEFT) { Push(SDL_MOUSEBUTTONDOWN, button); }
    void Release(Uint8 button = SDL_BUTTON_LEFT) { Push(SDL_MOUSEBUTTONUP, button); }
    // A frame with the button held down through its logic step.
    int Hold(Uint8 button = SDL_BUTTON_LEFT) {
        Press(button);
        return Frame();
    }
    // A click within one logic step: the frame that sees it pressed, then
    // the one that sees the release; the second's result.
    int Click(Uint8 button = SDL_BUTTON_LEFT) {
        Press(button);
        Release(button);
        Frame();
        return Frame();
    }
    // A key tap within one logic step.
    void Tap(SDLKey key) {
        Push(SDL_KEYDOWN, 0, key);
        Push(SDL_KEYUP, 0, key);
    }
    // A key held down or let go, as a real key sets SDL's key state.
    void SetKey(SDLKey key, bool down) {
        Push(down ? SDL_KEYDOWN : SDL_KEYUP, 0, key);
        SDL_GetKeyState(nullptr)[key] = down ? 1 : 0;
    }

    // The screen's colour at (x, y) as 0xRRGGBB.
    Uint32 At(int x, int y) {
        Uint8 r, g, b;
        SDL_GetRGB(IPrimitives->GetPixel(Quenlar.screen, (Sint16)x, (Sint16)y, 1),
                   Quenlar.screen->format, &r, &g, &b);
        return (Uint32)r << 16 | (Uint32)g << 8 | b;
    }
    void ClearScreen() { SDL_FillRect(Quenlar.screen, nullptr, 0); }
    // A draw of everything, as after a change that requested one.
    int Redraw() {
        Quenlar.Refresh(1);
        return IButton->Draw();
    }

    int handle = 0;
    testing_support::FakeClock clock{10000};
};

#endif
