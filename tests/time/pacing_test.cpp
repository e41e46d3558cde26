#include "video/engine_fixture.h"

#include <quenlar/core/engine_private.h>

#include <cmath>
#include <vector>

using testing_support::FakeClock;

// The engine's main-loop step, driven by the fake clock.
class Pacing : public EngineTest {
protected:
    void SetUp() override {
        Start();
        OpenScreen();
        ITimeSystem->Init(0);
    }
    // Results of `calls` calls, the clock advancing `step` ms before each.
    std::vector<int> Calls(int calls, Uint32 step = 0) {
        std::vector<int> results;
        for (int i = 0; i < calls; ++i) {
            clock.Advance(step);
            results.push_back(Quenlar.Update());
        }
        return results;
    }
    Uint32 Flips() const { return ITimeSystem->GetStats().renderTotal; }
    Uint32 Steps() const { return ITimeSystem->GetStats().logicTotal; }
    static float Fraction(float v) { return v - std::floor(v); }

    FakeClock clock{10000};
};

TEST_F(Pacing, GapOfTwoAndAHalfStepsHandsOutTwoAndCarriesTheRest) {
    ITimeSystem->SetRate(60, 20);
    Calls(3); // settle: the clock has not moved
    const float before = Quenlar.GetFrameAccumulator();
    clock.Advance(120);
    // ITimeSystem's time follows one call behind the clock.
    EXPECT_EQ(std::vector<int>({1, 0, 0, 1}), Calls(4));
    EXPECT_EQ(2u, Steps());
    EXPECT_NEAR(Fraction(before + 0.4f), Fraction(Quenlar.GetFrameAccumulator()), 1e-4);
    EXPECT_NEAR(0.4f, Fraction(Quenlar.GetFrameAccumulator() - before), 1e-4);
}

TEST_F(Pacing, LogicStepsEndTheCallBeforeRenderingOrSleeping) {
    ITimeSystem->SetRate(0, 20);
    Quenlar.mtfriendly = 3;
    Calls(2);
    clock.Advance(100); // two steps due once ITimeSystem has seen it
    Calls(1);
    const Uint32 flips = Flips(), now = clock.Now();
    EXPECT_EQ(0, Quenlar.Update());
    EXPECT_EQ(0, Quenlar.Update());
    EXPECT_EQ(flips, Flips());   // no frame between the steps
    EXPECT_EQ(now, clock.Now()); // and no sleep
    EXPECT_EQ(1, Quenlar.Update());
    EXPECT_EQ(flips + 1, Flips());
    EXPECT_EQ(now + 3, clock.Now()); // mtfriendly, through the engine's clock
}

TEST_F(Pacing, UnpacedLogicStepsEveryCall) {
    ITimeSystem->SetRate(0, 0);
    EXPECT_EQ(std::vector<int>(5, 0), Calls(5, 7));
    EXPECT_EQ(5u, Steps());
    EXPECT_EQ(5u, Flips());
}

TEST_F(Pacing, UninitialisedTimeSystemRunsUnpaced) {
    ITimeSystem->Init(0);
    Quenlar.Quit();
    Start(SDL_INIT_VIDEO); // no timer: ITimeSystem stays uninitialised
    OpenScreen();
    ITimeSystem->Init(0);
    SDL_Event event;
    for (int i = 0; i < 3; ++i) {
        // Every call is a logic step and presents a frame.
        EXPECT_EQ(0, Quenlar.Update());
    }
    while (SDL_PollEvent(&event)) {
    }
    EXPECT_EQ(0, Quenlar.Update(&event));
    EXPECT_EQ(30, event.user.type);
    EXPECT_EQ(1, event.user.code);
}

TEST_F(Pacing, RenderRateZeroFlipsOnEveryCallWithoutAStep) {
    ITimeSystem->SetRate(0, 20);
    Calls(2);
    const Uint32 flips = Flips();
    EXPECT_EQ(std::vector<int>(10, 1), Calls(10, 1)); // 10 ms: no step due
    EXPECT_EQ(flips + 10, Flips());
}

TEST_F(Pacing, RenderRateSixtyOverOneSecond) {
    ITimeSystem->SetRate(60, 20);
    Calls(2);
    const Uint32 flips = Flips(), steps = Steps();
    Calls(1000, 1);
    EXPECT_NEAR(60, (int)(Flips() - flips), 1);
    EXPECT_NEAR(20, (int)(Steps() - steps), 1);
}

TEST_F(Pacing, EventRecords) {
    ITimeSystem->SetRate(60, 20);
    SDL_Event pushed = {};
    pushed.type = SDL_USEREVENT;
    pushed.user.code = 77;
    ASSERT_EQ(0, SDL_PushEvent(&pushed));
    SDL_Event event;
    EXPECT_EQ(1, Quenlar.Update(&event));
    EXPECT_EQ(SDL_USEREVENT, event.type);
    EXPECT_EQ(77, event.user.code);
    EXPECT_EQ(0u, Flips()); // handed back before any pacing

    // Without an event the record says whether the call flipped.
    int flipped = 0, idle = 0;
    for (int i = 0; i < 40; ++i) {
        clock.Advance(1);
        const Uint32 flips = Flips();
        ASSERT_EQ(1, Quenlar.Update(&event));
        ASSERT_EQ(30, event.user.type);
        EXPECT_EQ(Flips() != flips ? 1 : 0, event.user.code);
        (event.user.code ? flipped : idle)++;
    }
    EXPECT_GT(flipped, 0);
    EXPECT_GT(idle, 0);
}

TEST_F(Pacing, InputRefreshFetchesKeyStateOncePerStep) {
    ITimeSystem->SetRate(0, 0);
    EXPECT_EQ(nullptr, EngineStateOf(Quenlar).keys);
    Quenlar.mousebuttons = 5;
    Quenlar.Update();
    EXPECT_NE(nullptr, EngineStateOf(Quenlar).keys);
    EXPECT_EQ(5, Quenlar.lastmousebuttons);
    EXPECT_EQ(0, Quenlar.mousebuttons);
    EXPECT_EQ(0, Quenlar.KeyDown(SDLK_ESCAPE));
}

TEST_F(Pacing, FlipEndsASingleRefreshRequest) {
    ITimeSystem->SetRate(0, 0);
    Quenlar.Refresh(1);
    EXPECT_EQ(1, Quenlar.NeedRefresh());
    Quenlar.Update();
    EXPECT_EQ(0, Quenlar.NeedRefresh());
    Quenlar.Refresh(2);
    Quenlar.Update();
    EXPECT_EQ(1, Quenlar.NeedRefresh());
}

TEST_F(Pacing, NegativeFriendlinessNeverSleeps) {
    ITimeSystem->SetRate(0, 0);
    Quenlar.mtfriendly = -1;
    const Uint32 now = clock.Now();
    Quenlar.Update();
    EXPECT_EQ(now, clock.Now());
}

TEST_F(Pacing, RestartedClockKeepsStepsAndFramesComing) {
    ITimeSystem->SetRate(60, 20);
    Calls(3000, 1);       // three seconds in
    ITimeSystem->Init(1); // the time system's clock starts again at 1
    const Uint32 flips = Flips(), steps = Steps();
    int zeros = 0;
    for (int i = 0; i < 1000; ++i) {
        clock.Advance(1);
        if (Quenlar.Update() == 0) ++zeros;
    }
    EXPECT_NEAR(20, zeros, 2);
    EXPECT_NEAR(60, (int)(Flips() - flips), 2);
    EXPECT_GE(Steps(), steps);
}

TEST_F(Pacing, LongRunsKeepTheRate) {
    // After many hours a float running sum can no longer take a step of
    // 0.02 frames; the accumulator must not stall or speed up.
    ITimeSystem->SetRate(60, 20);
    Calls(2);
    EngineStateOf(Quenlar).logicAccumulator = 600000.25f;
    EngineStateOf(Quenlar).renderAccumulator = 20000000.5f;
    const Uint32 flips = Flips(), steps = Steps();
    Calls(2000, 1);
    EXPECT_NEAR(40, (int)(Steps() - steps), 2);
    EXPECT_NEAR(120, (int)(Flips() - flips), 2);
    EXPECT_LT(Quenlar.GetFrameAccumulator(), 1.0f);
}
