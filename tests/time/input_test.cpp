// Presses between logic steps: a button or key pressed and released while
// no step ran still reads as down for one step.
#include "video/engine_fixture.h"

using testing_support::FakeClock;

namespace {

void Push(Uint8 type, Uint8 button, SDLKey key = SDLK_UNKNOWN) {
    ASSERT_TRUE(testing_support::PushInputEvent(type, button, key));
}

void Click(Uint8 button) {
    Push(SDL_MOUSEBUTTONDOWN, button);
    Push(SDL_MOUSEBUTTONUP, button);
}

void Tap(SDLKey key) {
    Push(SDL_KEYDOWN, 0, key);
    Push(SDL_KEYUP, 0, key);
}

} // namespace

// The launcher's pacing: 20 logic steps a second, 1 ms slept per call.
class InputLatch : public EngineTest {
protected:
    void SetUp() override {
        Start();
        OpenScreen();
        ITimeSystem->Init(0);
        ITimeSystem->SetRate(60, 20);
        Quenlar.mtfriendly = 1;
        Step();
    }
    // Runs calls until the next logic step has refreshed the input.
    void Step() {
        for (int calls = 0; calls < 1000; ++calls)
            if (Quenlar.Update() == 0) return;
        FAIL() << "no logic step within 1000 calls";
    }
    FakeClock clock{10000};
};

TEST_F(InputLatch, ClicksBetweenStepsAreSeenForOneStep) {
    int seen = 0;
    for (int i = 0; i < 10; ++i) {
        Click(SDL_BUTTON_LEFT);
        Step();
        seen += (Quenlar.mousebuttons & SDL_BUTTON_LMASK) != 0;
        EXPECT_FALSE(Quenlar.lastmousebuttons & SDL_BUTTON_LMASK);
        Step(); // the release
        EXPECT_FALSE(Quenlar.mousebuttons & SDL_BUTTON_LMASK);
        EXPECT_TRUE(Quenlar.lastmousebuttons & SDL_BUTTON_LMASK);
    }
    EXPECT_EQ(10, seen);

    Click(SDL_BUTTON_RIGHT);
    Step();
    EXPECT_EQ(SDL_BUTTON_RMASK, Quenlar.mousebuttons);
}

TEST_F(InputLatch, KeyTapsBetweenStepsAreSeenForOneStep) {
    Tap(SDLK_ESCAPE);
    Step();
    EXPECT_EQ(1, Quenlar.KeyDown(SDLK_ESCAPE));
    EXPECT_EQ(0, Quenlar.KeyDown(SDLK_SPACE));
    Step();
    EXPECT_EQ(0, Quenlar.KeyDown(SDLK_ESCAPE));

    // Text entry reads taps as well.
    Tap(SDLK_q);
    Step();
    EXPECT_EQ('q', Quenlar.ReadKey(150));
    EXPECT_EQ(0, Quenlar.ReadKey(150));
}

TEST_F(InputLatch, HeldKeysReadAsTheyAre) {
    Uint8 *state = SDL_GetKeyState(nullptr); // as a real key press sets it
    state[SDLK_a] = 1;
    for (int i = 0; i < 3; ++i) {
        Step();
        EXPECT_EQ(1, Quenlar.KeyDown(SDLK_a)) << i;
    }
    state[SDLK_a] = 0;
    Step();
    EXPECT_EQ(0, Quenlar.KeyDown(SDLK_a));
}

TEST_F(InputLatch, AReleaseAndANewPressBetweenStepsAreBothSeen) {
    Push(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    Step();
    EXPECT_TRUE(Quenlar.mousebuttons & SDL_BUTTON_LMASK);
    Push(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT); // a second click starts at once
    Push(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    Step();
    EXPECT_FALSE(Quenlar.mousebuttons & SDL_BUTTON_LMASK); // the first click ends
    Step();
    EXPECT_TRUE(Quenlar.mousebuttons & SDL_BUTTON_LMASK); // the second one
    Push(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
    Step();
    EXPECT_FALSE(Quenlar.mousebuttons & SDL_BUTTON_LMASK);
}
