// A minimal setup.dpf for whole-launcher tests: the complete test layout
// (skin "demo", title "Demo Game - Setup"), the icon and the three tab
// backgrounds.
#ifndef QUENLAR_TESTS_LAUNCHER_TEST_PACKAGE_H
#define QUENLAR_TESTS_LAUNCHER_TEST_PACKAGE_H

#include <SDL.h>
#include <string>

// Colours of the backgrounds (0xRRGGBB), one per tab.
constexpr Uint32 kGeneralColor = 0x2060A0;
constexpr Uint32 kVideoColor = 0x20A060;
constexpr Uint32 kAudioColor = 0xA06020;

// Writes `path` (normally "setup.dpf" in the current directory). Starts and
// stops the engine around the writing. `omit` names a block to leave out.
void WriteLauncherPackage(const std::string &path = "setup.dpf", const std::string &omit = "");

#endif
