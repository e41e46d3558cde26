// A started engine for the tests of video, pacing and graphics: a fresh
// working directory, the log captured at level 5, SDL on the dummy driver.
#ifndef QUENLAR_TESTS_ENGINE_FIXTURE_H
#define QUENLAR_TESTS_ENGINE_FIXTURE_H

#include <quenlar/quenlar.h>
#include "support/support.h"

#include <gtest/gtest.h>
#include <string>

class EngineTest : public ::testing::Test {
protected:
    void TearDown() override { Quenlar.Quit(); }

    void Start(Uint32 flags = SDL_INIT_VIDEO | SDL_INIT_TIMER) {
        ASSERT_EQ(1, Quenlar.Init(flags));
        log.Mark();
    }
    // A window of the given size and depth on the user's (dummy) driver.
    void OpenScreen(int width = 64, int height = 48, int depth = 32) {
        Quenlar.resolutionx = (Uint16)width;
        Quenlar.resolutiony = (Uint16)height;
        Quenlar.colordepth = (Uint8)depth;
        Quenlar.renderer = 1;
        ASSERT_EQ(1, Quenlar.SetVideoMode());
        log.Mark();
    }
    bool Logged(const std::string &text) const {
        return log.Body().find(text) != std::string::npos;
    }

    testing_support::TempDir dir;
    testing_support::LogCapture log{5};
};

#endif
