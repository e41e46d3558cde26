#include "video/engine_fixture.h"

using testing_support::FakeClock;

class TimeSystem : public EngineTest {
protected:
    FakeClock clock{5000};
};

TEST_F(TimeSystem, QueriesBeforeAndRightAfterInit) {
    Start();
    EXPECT_EQ(-1, ITimeSystem->GetTime());
    EXPECT_EQ(-1, ITimeSystem->GetRenderRate());
    EXPECT_EQ(-1, ITimeSystem->GetLogicRate());
    ITimeSystem->CountLogicFrame(); // ignored while not initialised
    ITimeSystem->Init(0);
    EXPECT_EQ(1, ITimeSystem->GetTime());
    EXPECT_EQ(0, ITimeSystem->GetRenderRate());
    EXPECT_EQ(0, ITimeSystem->GetLogicRate());
    EXPECT_EQ(0u, ITimeSystem->GetStats().logicTotal);
    clock.Advance(40);
    EXPECT_EQ(1, ITimeSystem->GetTime()); // the time of the last Update, not the clock
    ITimeSystem->Update();
    EXPECT_EQ(40, ITimeSystem->GetTime());
}

TEST_F(TimeSystem, InitModes) {
    Start();
    ITimeSystem->Init(1); // not initialised yet: nothing
    EXPECT_EQ(-1, ITimeSystem->GetTime());
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(60, 20);
    ITimeSystem->CountRenderFrame();
    clock.Advance(300);
    ITimeSystem->Init(1); // keeps the rates, restarts the clock and counters
    EXPECT_EQ(60, ITimeSystem->GetRenderRate());
    EXPECT_EQ(20, ITimeSystem->GetLogicRate());
    EXPECT_EQ(1, ITimeSystem->GetTime());
    EXPECT_EQ(0u, ITimeSystem->GetStats().renderTotal);
    ITimeSystem->Init(7); // unknown mode: nothing
    EXPECT_EQ(60, ITimeSystem->GetRenderRate());
    ITimeSystem->Init(0);
    EXPECT_EQ(0, ITimeSystem->GetRenderRate());
    EXPECT_EQ(0, ITimeSystem->GetLogicRate());
}

TEST_F(TimeSystem, WithoutTimerSubsystemStaysUninitialisedAndWarnsOnce) {
    Start(SDL_INIT_VIDEO);
    ITimeSystem->Init(0);
    EXPECT_TRUE(Logged(" . [ITimeSystem->Init()] Warning: SDL_INIT_TIMER was not initialized.\n"));
    EXPECT_EQ(-1, ITimeSystem->GetTime());
    ITimeSystem->Update();
    ITimeSystem->Update();
    const std::string body = log.Body();
    const std::string warning = " . [ITimeSystem->Update()] Warning: ITimeSystem was not initialized.\n";
    const size_t first = body.find(warning);
    ASSERT_NE(std::string::npos, first);
    EXPECT_EQ(std::string::npos, body.find(warning, first + 1));
}

TEST_F(TimeSystem, SetRateCaps) {
    Start();
    ITimeSystem->SetRate(60, 20); // not initialised: ignored
    ITimeSystem->Init(0);
    EXPECT_EQ(0, ITimeSystem->GetRenderRate());
    ITimeSystem->SetRate(500, 500);
    EXPECT_EQ(120, ITimeSystem->GetRenderRate());
    EXPECT_EQ(200, ITimeSystem->GetLogicRate());
    ITimeSystem->SetRate((Uint32)-1, 200);
    EXPECT_EQ(120, ITimeSystem->GetRenderRate()); // negative values are huge unsigned ones
    ITimeSystem->SetRate(60, 20);
    EXPECT_EQ(60, ITimeSystem->GetRenderRate());
    EXPECT_EQ(20, ITimeSystem->GetLogicRate());
    EXPECT_EQ(60u, ITimeSystem->GetStats().renderLastSecond);
    ITimeSystem->SetRate(0, 0);
    EXPECT_EQ(0, ITimeSystem->GetRenderRate());
    EXPECT_EQ(0, ITimeSystem->GetLogicRate());
    EXPECT_FALSE(Logged("doublebuffer")); // no double-buffered screen
}

TEST_F(TimeSystem, WindowsAndAverages) {
    Start();
    ITimeSystem->Init(0);
    for (int i = 0; i < 30; ++i) ITimeSystem->CountRenderFrame();
    for (int i = 0; i < 10; ++i) ITimeSystem->CountLogicFrame();
    clock.Advance(500);
    ITimeSystem->Update();
    QFrameStats stats = ITimeSystem->GetStats();
    EXPECT_FLOAT_EQ(0.5f, stats.elapsedSeconds);
    EXPECT_FLOAT_EQ(60.0f, stats.renderAverage);
    EXPECT_FLOAT_EQ(20.0f, stats.logicAverage);
    EXPECT_EQ(30u, stats.renderLastSecond); // the window from mark 0 closes at once

    clock.Advance(100); // within a quarter of the last update: averages keep
    ITimeSystem->CountRenderFrame();
    ITimeSystem->Update();
    EXPECT_FLOAT_EQ(60.0f, ITimeSystem->GetStats().renderAverage);

    clock.Advance(1001);
    ITimeSystem->CountRenderFrame();
    ITimeSystem->Update();
    stats = ITimeSystem->GetStats();
    EXPECT_EQ(2u, stats.renderLastSecond);
    EXPECT_EQ(32u, stats.renderTotal);
}
