// A started engine for the tests of video, pacing and graphics: a fresh
// working directory, the log captured at level 5, SDL on the dummy driver.
#ifndef QUENLAR_TESTS_ENGINE_FIXTURE_H
#define QUENLAR_TESTS_ENGINE_FIXTURE_H

#include <quenlar/quenlar.h>
#include "support/support.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

// An engine test with a package of its own, open as `handle`, and a 32-bit
// surface to draw on as `target`.
class PackageTest : public EngineTest {
protected:
    void StartWithPackage(const char *path, int targetSize) {
        Start();
        handle = IStuffDPF->Create(path);
        ASSERT_GT(handle, 0);
        target = SDL_CreateRGBSurface(SDL_SWSURFACE, targetSize, targetSize, 32, 0xFF0000,
                                      0xFF00, 0xFF, 0);
    }
    void TearDown() override {
        SDL_FreeSurface(target);
        if (handle > 0) IStuffDPF->Close(handle);
        EngineTest::TearDown();
    }
    // Adds `payload` as it is, uncompressed, as block NAME of TYPE.
    void Add(const char *name, const char *type, std::vector<Uint8> payload) {
        DPFBlock b = Record(name, type);
        b.size = (unsigned int)payload.size();
        b.data = reinterpret_cast<char *>(payload.data());
        ASSERT_GT(IStuffDPF->AddData(handle, &b), 0);
    }
    bool Has(const char *name, const char *type) {
        DPFBlock b = Record(name, type);
        return IStuffDPF->Find(handle, &b) == 1;
    }

    int handle = 0;
    SDL_Surface *target = nullptr;

private:
    static DPFBlock Record(const char *name, const char *type) {
        DPFBlock b;
        std::memset(&b, 0, sizeof b);
        std::snprintf(b.name, sizeof b.name, "%s", name);
        std::snprintf(b.type, sizeof b.type, "%s", type);
        return b;
    }
};

#endif
