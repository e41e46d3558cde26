// A complete setup.dpf for whole-launcher tests: the test layout
// (tests/data/launcher/layout.xml: skin "demo", title "Demo Game - Setup")
// and every resource it names, drawn as plain colours, with a click sound
// and a music.
#ifndef QUENLAR_TESTS_LAUNCHER_TEST_PACKAGE_H
#define QUENLAR_TESTS_LAUNCHER_TEST_PACKAGE_H

#include <quenlar/core/config.h>

#include <SDL.h>
#include <string>

// Colours of the backgrounds (0xRRGGBB), one per tab.
constexpr Uint32 kGeneralColor = 0x2060A0;
constexpr Uint32 kVideoColor = 0x20A060;
constexpr Uint32 kAudioColor = 0xA06020;

struct LauncherPackage {
    std::string path = "setup.dpf";
    std::string omit;                      // a block to leave out
    std::string layout;                    // layout.xml's text; empty: the test layout
    int clickMs = 20;                      // length of the click sound
    bool badMusic = false;                 // a music the mixer refuses when it plays it
    const QuenlarConfig *config = nullptr; // written to setup.xml when given
};

// Writes the package (normally "setup.dpf" in the current directory).
// Starts and stops the engine around the writing.
void WriteLauncherPackage(const LauncherPackage &package);
void WriteLauncherPackage(const std::string &path = "setup.dpf", const std::string &omit = "");

// The test layout's text.
std::string TestLayout();

#endif
