// The launcher's start-up, panel and buttons, in this process on the dummy
// drivers: buttons are pressed by id, as IButton->Draw reports a click.
#include <quenlar/quenlar.h>
#include "setup/launcher.h"
#include "setup/panel.h"
#include "support.h"
#include "test_package.h"

#include <SDL_mixer.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

using namespace testing_support;

namespace {

// The clock: still, or one step per read for the benchmark. A delay
// advances it and, after `g_haltAfter` of them, ends the click.
Uint32 g_now = 0;
Uint32 g_step = 0;
int g_delays = 0;
int g_haltAfter = 0;
Uint32 Ticks() {
    g_now += g_step;
    return g_now;
}
void Delay(Uint32 ms) {
    g_now += ms;
    if (++g_delays == g_haltAfter) Mix_HaltChannel(kClickChannel);
}

int CpuOf(char *buffer) {
    snprintf(buffer, 64, "Test processor");
    return 1;
}
int RefusedCpu(char *buffer) {
    snprintf(buffer, 64, "MMX not available! MMX instruction set are required");
    return 0;
}
uint64_t ThreeGigabytes() {
    return 3ull << 30;
}
int g_crcPasses = 0;
unsigned int CountedCrc(const void *, int) {
    ++g_crcPasses;
    return 0;
}

class Launcher : public testing::Test {
protected:
    void SetUp() override {
        g_now = 1000;
        g_step = 0;
        g_delays = g_haltAfter = 0;
        QuenlarSetClock(Ticks, Delay);
    }
    void TearDown() override {
        if (started) StopLauncher(*s);
        QuenlarSetClock(nullptr, nullptr);
        Quenlar.colordepth = 0;
    }

    // Writes the package and starts; the start-up status.
    int Start(const LauncherPackage &package = LauncherPackage(), int (*cpu)(char *) = CpuOf) {
        WriteLauncherPackage(package);
        s.reset(new SetupState);
        s->machine.describeCpu = cpu;
        s->machine.availableMemory = ThreeGigabytes;
        // Classic SDL's dummy desktop has 8 bits: colours stay exact in 32.
        Quenlar.colordepth = 32;
        const int status = StartLauncher(*s);
        started = status == 0;
        return status;
    }
    int StartWith(const QuenlarConfig &config) {
        LauncherPackage package;
        package.config = &config;
        return Start(package);
    }
    static QuenlarConfig Defaults() {
        QuenlarConfig c;
        SetDefaults(c);
        return c;
    }

    int Id(int tab, int slot) const { return s->widget[tab][slot].id; }
    int State(int tab, int slot) const { return IButton->GetState(Id(tab, slot)); }
    int StateOf(const SetupWidget &w) const { return IButton->GetState(w.id); }
    // A click on a check box or radio button: it turns itself on or off,
    // as IButton->Draw does, then the launcher acts on it.
    int Toggle(int tab, int slot) {
        const int id = Id(tab, slot);
        IButton->SetState(id, IButton->GetState(id) == BS_PRESSED ? BS_NORMAL : BS_PRESSED);
        return PressButton(*s, id);
    }
    int Press(const SetupWidget &w) { return PressButton(*s, w.id); }
    std::string Log() const { return ReadFile("Setup.log"); }

    TempDir dir;
    std::unique_ptr<SetupState> s;
    bool started = false;
};

} // namespace

// ---------------------------------------------------------------------------
// Start-up
// ---------------------------------------------------------------------------
TEST_F(Launcher, StartsOnTheGeneralTabWithEveryWidget) {
    ASSERT_EQ(0, Start());
    EXPECT_EQ(0, s->currentTab);
    EXPECT_NE(-1, s->cursor);
    EXPECT_NE(-1, s->clickSound);
    EXPECT_NE(-1, s->music);
    EXPECT_EQ(BS_PRESSED, State(TAB_GENERAL, kSlotTabButton));
    EXPECT_EQ(BS_NORMAL, State(TAB_VIDEO, kSlotTabButton));
    // Layers: 0 main, 1..3 the tabs' widgets.
    EXPECT_EQ(1, s->exitButton.id / 100 + 1);
    EXPECT_EQ(1, Id(TAB_GENERAL, kSlotMtfriendly) / 100);
    EXPECT_EQ(2, Id(TAB_VIDEO, kSlotDepth8) / 100);
    EXPECT_EQ(3, Id(TAB_AUDIO, kSlotSoundVolume) / 100);
    EXPECT_EQ(-1, Id(TAB_VIDEO, kSlotX11));
    EXPECT_NE(-1, Id(TAB_GENERAL, kSlotFirstCustom));
    EXPECT_EQ(-1, Id(TAB_GENERAL, kSlotFirstCustom + 1));
    // No configuration yet: Play waits for a Save.
    EXPECT_EQ(BS_DISABLED, StateOf(s->playButton));
    EXPECT_EQ(std::string::npos, Log().find("[Init")) << Log();
}

TEST_F(Launcher, AMissingResourceNamesItselfAndEndsWithStatusOne) {
    for (const char *name : {"demo_cursor", "logo_win", "demo_font", "demo_radio", "demo_web",
                             "demo_slider", "demo_click"}) {
        LauncherPackage package;
        package.omit = name;
        EXPECT_EQ(1, Start(package)) << name;
        EXPECT_NE(std::string::npos,
                  Log().find(std::string(" \xB7 [Init Error] - Couldn't load graphic resource: '") +
                             name + "'.\n"))
            << Log();
        EXPECT_FALSE(Quenlar.IsInitialized());
    }
}

TEST_F(Launcher, MissingMusicFailsOnlyWithSound) {
    LauncherPackage package;
    package.omit = "demo_music";
    EXPECT_EQ(1, Start(package));
    EXPECT_NE(std::string::npos, Log().find("resource: 'demo_music'"));

    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const int status = Start(package);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(0, status);
    EXPECT_NE(std::string::npos,
              Log().find(" \xB7 [Init Warning] - Couldn\xB4t init sound system: "));
    EXPECT_EQ(-1, s->clickSound);
    EXPECT_EQ(-1, s->music);
    // Exit does not wait for a click that cannot play.
    EXPECT_EQ(1, Press(s->exitButton));
    EXPECT_EQ(0, g_delays);
}

TEST_F(Launcher, AMusicTheMixerRefusesLeavesItRunning) {
    LauncherPackage package;
    package.badMusic = true; // kept as bytes at load, refused when played
    ASSERT_EQ(0, Start(package));
    EXPECT_NE(-1, s->music);
    EXPECT_EQ(0, Press(s->saveButton));
}

// ---------------------------------------------------------------------------
// The video tab
// ---------------------------------------------------------------------------
TEST_F(Launcher, RenderersAllowWhatTheyCanDo) {
    ASSERT_EQ(0, StartWith(Defaults())); // Windib, software, in a window
    EXPECT_EQ(BS_PRESSED, State(TAB_VIDEO, kSlotWindib));
    EXPECT_EQ(BS_PRESSED, State(TAB_VIDEO, kSlotSoftware));
    EXPECT_EQ(BS_DISABLED, State(TAB_VIDEO, kSlotHardSmooth));
    EXPECT_EQ(BS_DISABLED, State(TAB_VIDEO, kSlotHardSpeed));
    EXPECT_EQ(BS_NORMAL, StateOf(s->saveButton));

    Toggle(TAB_VIDEO, kSlotOpenGL);
    EXPECT_EQ(64, s->config.renderer);
    EXPECT_EQ(2, s->config.accel);
    EXPECT_EQ(BS_DISABLED, State(TAB_VIDEO, kSlotSoftware));
    EXPECT_EQ(BS_PRESSED, State(TAB_VIDEO, kSlotHardSmooth));
    EXPECT_EQ(BS_NORMAL, State(TAB_VIDEO, kSlotWindib));
    Toggle(TAB_VIDEO, kSlotHardSpeed);
    EXPECT_EQ(3, s->config.accel);

    // DirectX in a window: no acceleration.
    Toggle(TAB_VIDEO, kSlotDirectX);
    EXPECT_EQ(1, s->config.accel);
    EXPECT_EQ(BS_PRESSED, State(TAB_VIDEO, kSlotSoftware));
    EXPECT_EQ(BS_DISABLED, State(TAB_VIDEO, kSlotHardSpeed));
    EXPECT_EQ(BS_NORMAL, StateOf(s->saveButton));

    // X11 and FBCon have no buttons; their rules still hold.
    s->config.renderer = 8;
    s->config.window = 0;
    RefreshVideoTab(*s);
    EXPECT_EQ(1, s->config.window);
    EXPECT_EQ(BS_DISABLED, State(TAB_VIDEO, kSlotFullScreen));
    s->config.renderer = 16;
    RefreshVideoTab(*s);
    EXPECT_EQ(0, s->config.window);
    EXPECT_EQ(2, s->config.accel);
    EXPECT_EQ(BS_DISABLED, State(TAB_VIDEO, kSlotWindow));
    EXPECT_EQ(BS_DISABLED, State(TAB_VIDEO, kSlotSoftware));
    EXPECT_EQ(BS_PRESSED, State(TAB_VIDEO, kSlotFullScreen));
}

TEST_F(Launcher, OpenGLWithSoftwareIsShownAccelerated) {
    QuenlarConfig config = Defaults();
    config.renderer = 64;
    config.accel = 1;
    ASSERT_EQ(0, StartWith(config));
    EXPECT_EQ(2, s->config.accel);
    EXPECT_EQ(BS_PRESSED, State(TAB_VIDEO, kSlotHardSmooth));
    EXPECT_EQ(BS_DISABLED, State(TAB_VIDEO, kSlotSoftware));
}

TEST_F(Launcher, WindowAfterFullScreenNeedsADepthAgain) {
    QuenlarConfig config = Defaults();
    config.window = 0;
    config.colordepth = 16;
    ASSERT_EQ(0, StartWith(config));
    EXPECT_EQ(BS_PRESSED, State(TAB_VIDEO, kSlotDepth16));
    EXPECT_EQ(BS_NORMAL, StateOf(s->playButton));

    Toggle(TAB_VIDEO, kSlotWindow);
    EXPECT_EQ(0, s->config.colordepth);
    EXPECT_EQ(BS_DISABLED, State(TAB_VIDEO, kSlotDepth8));
    EXPECT_EQ(BS_DISABLED, State(TAB_VIDEO, kSlotDepth16));
    EXPECT_EQ(BS_NORMAL, StateOf(s->saveButton));

    // Back to full screen: no depth is chosen, none looks chosen.
    Toggle(TAB_VIDEO, kSlotFullScreen);
    EXPECT_EQ(0, s->config.colordepth);
    EXPECT_EQ(BS_NORMAL, State(TAB_VIDEO, kSlotDepth16));
    EXPECT_EQ(BS_DISABLED, StateOf(s->saveButton));
    Toggle(TAB_VIDEO, kSlotDepth32);
    EXPECT_EQ(32, s->config.colordepth);
    EXPECT_EQ(BS_NORMAL, StateOf(s->saveButton));
}

TEST_F(Launcher, ResolutionsOfferedAndOthers) {
    QuenlarConfig config = Defaults();
    config.resolutionx = 700;
    config.resolutiony = 500;
    ASSERT_EQ(0, StartWith(config));
    for (int k = 0; k < 4; ++k)
        EXPECT_NE(BS_PRESSED, State(TAB_VIDEO, kSlotResolution1 + k));
    EXPECT_EQ(BS_NORMAL, StateOf(s->saveButton));

    Toggle(TAB_VIDEO, kSlotResolution1 + 2);
    EXPECT_EQ(1024, s->config.resolutionx);
    EXPECT_EQ(768, s->config.resolutiony);
    EXPECT_EQ(BS_PRESSED, State(TAB_VIDEO, kSlotResolution1 + 2));
    EXPECT_EQ(BS_DISABLED, State(TAB_VIDEO, kSlotResolution1 + 1)); // as the layout says
}

TEST_F(Launcher, ValuesOutsideThePanelsSetsAreShownSafely) {
    ASSERT_EQ(0, StartWith(Defaults()));
    QuenlarConfig &c = s->config;
    c.renderer = 200;
    c.accel = 9;
    c.window = 7;
    c.colordepth = 24;
    c.format = 0x8010;
    c.frequency = 8000;
    c.mode = 3;
    RefreshVideoTab(*s);
    RefreshAudioTab(*s);
    UpdateSaveButton(*s);
    EXPECT_EQ(24, c.colordepth); // kept: Save writes it back
    EXPECT_EQ(BS_PRESSED, State(TAB_AUDIO, kSlotFormat16));
    EXPECT_EQ(BS_PRESSED, State(TAB_AUDIO, kSlotFreq44));
    EXPECT_EQ(BS_PRESSED, State(TAB_AUDIO, kSlotMulti));
    ShowTab(*s, TAB_VIDEO);
    ShowTab(*s, TAB_AUDIO);
}

TEST_F(Launcher, ATabTheLayoutDisabledAsksNothingOfSave) {
    LauncherPackage package;
    package.layout = ReadFile(std::string(QUENLAR_TEST_DATA) + "/layout/complete.xml");
    ASSERT_NE(std::string::npos, package.layout.find("<video state=\"0\""));
    const QuenlarConfig config = Defaults();
    package.config = &config;
    ASSERT_EQ(0, Start(package));
    EXPECT_EQ(BS_NORMAL, State(TAB_VIDEO, kSlotWindib)); // never refreshed
    EXPECT_EQ(BS_NORMAL, StateOf(s->saveButton));
    EXPECT_EQ(BS_DISABLED, State(TAB_GENERAL, kSlotMtfriendly));
}

// ---------------------------------------------------------------------------
// The general and audio tabs
// ---------------------------------------------------------------------------
TEST_F(Launcher, MtfriendlyComesBackAsItWas) {
    QuenlarConfig config = Defaults();
    config.mtfriendly = 0;
    ASSERT_EQ(0, StartWith(config));
    EXPECT_EQ(BS_NORMAL, State(TAB_GENERAL, kSlotMtfriendly));
    Toggle(TAB_GENERAL, kSlotMtfriendly);
    EXPECT_EQ(10, s->config.mtfriendly);
    StopLauncher(*s);

    config.mtfriendly = 5;
    ASSERT_EQ(0, StartWith(config));
    EXPECT_EQ(BS_PRESSED, State(TAB_GENERAL, kSlotMtfriendly));
    Toggle(TAB_GENERAL, kSlotMtfriendly);
    EXPECT_EQ(0, s->config.mtfriendly);
    Toggle(TAB_GENERAL, kSlotMtfriendly);
    EXPECT_EQ(5, s->config.mtfriendly);
}

TEST_F(Launcher, AudioOffDisablesItsWidgetsAndOnRestoresThem) {
    QuenlarConfig config = Defaults();
    config.frequency = 44100;
    config.mode = 2;
    config.musicvol = 200;
    ASSERT_EQ(0, StartWith(config));
    EXPECT_EQ(200, IButton->GetValue(Id(TAB_AUDIO, kSlotMusicVolume)));

    Toggle(TAB_AUDIO, kSlotAudioEnable);
    EXPECT_EQ(0, s->config.enable);
    EXPECT_EQ(BS_NORMAL, State(TAB_AUDIO, kSlotAudioEnable));
    for (int slot = kSlotFormat8; slot <= kSlotSoundVolume; ++slot)
        EXPECT_EQ(BS_DISABLED, State(TAB_AUDIO, slot)) << slot;
    EXPECT_EQ(BS_NORMAL, StateOf(s->saveButton)); // audio off asks nothing of them

    Toggle(TAB_AUDIO, kSlotAudioEnable);
    EXPECT_EQ(1, s->config.enable);
    EXPECT_EQ(BS_PRESSED, State(TAB_AUDIO, kSlotFormat8));
    EXPECT_EQ(BS_NORMAL, State(TAB_AUDIO, kSlotFormat16));
    EXPECT_EQ(BS_PRESSED, State(TAB_AUDIO, kSlotFreq44));
    EXPECT_EQ(BS_DISABLED, State(TAB_AUDIO, kSlotFreq22)); // as the layout says
    EXPECT_EQ(BS_PRESSED, State(TAB_AUDIO, kSlotStereo));
    EXPECT_EQ(BS_NORMAL, State(TAB_AUDIO, kSlotMono));

    Toggle(TAB_AUDIO, kSlotFormat16);
    Toggle(TAB_AUDIO, kSlotFreq11);
    Toggle(TAB_AUDIO, kSlotMulti);
    EXPECT_EQ(16, s->config.format);
    EXPECT_EQ(11025, s->config.frequency);
    EXPECT_EQ(4, s->config.mode);
    EXPECT_EQ(BS_NORMAL, State(TAB_AUDIO, kSlotFormat8));
    EXPECT_EQ(BS_NORMAL, State(TAB_AUDIO, kSlotFreq44));
    EXPECT_EQ(BS_NORMAL, StateOf(s->saveButton));
}

TEST_F(Launcher, TabsShowTheirLayers) {
    ASSERT_EQ(0, Start());
    Toggle(TAB_VIDEO, kSlotTabButton);
    EXPECT_EQ(TAB_VIDEO, s->currentTab);
    EXPECT_EQ(BS_PRESSED, State(TAB_VIDEO, kSlotTabButton));
    EXPECT_EQ(BS_NORMAL, State(TAB_GENERAL, kSlotTabButton));
    // The shown tab pressed again stays shown and pressed.
    Toggle(TAB_VIDEO, kSlotTabButton);
    EXPECT_EQ(BS_PRESSED, State(TAB_VIDEO, kSlotTabButton));
    Uint8 r, g, b;
    SDL_GetRGB(IPrimitives->GetPixel(Quenlar.screen, 0, 0, 1), Quenlar.screen->format, &r, &g, &b);
    EXPECT_EQ(kVideoColor, (Uint32)r << 16 | g << 8 | b);
}

// Radio buttons are 13 x 13, sliders 11 high, the test font's characters 9.
TEST_F(Launcher, TextsSitBesideTheirWidgets) {
    ASSERT_EQ(0, Start());
    // The first white pixel of `surface` in the rectangle, row by row.
    const auto ink = [](SDL_Surface *surface, int x0, int y0, int w, int h) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) {
                Uint8 r, g, b;
                SDL_GetRGB(IPrimitives->GetPixel(surface, (Sint16)x, (Sint16)y, 1), surface->format,
                           &r, &g, &b);
                if ((r & g & b) == 255) return std::make_pair(x - x0, y - y0);
            }
        return std::make_pair(-1, -1);
    };
    // Where the font puts its first ink for a text drawn at (0, 0).
    SDL_Surface *blank =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 120, 20, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    s->font->PutString(blank, 0, 0, "OpenGL");
    const auto first = ink(blank, 0, 0, 120, 20);
    SDL_FreeSurface(blank);
    ASSERT_NE(-1, first.first);

    ShowTab(*s, TAB_VIDEO);
    // "OpenGL" beside its radio at (20, 100): 5 right of it, (13 - 9 + 3) / 2 down.
    const std::pair<int, int> none(-1, -1);
    EXPECT_EQ(first, ink(Quenlar.screen, 38, 103, 60, 15));
    EXPECT_EQ(none, ink(Quenlar.screen, 38, 103 - 1, 60, 1));
    ShowTab(*s, TAB_AUDIO);
    // "Music volume:" 50 left of its slider at (80, 260), (11 - 9 + 3) / 2 down.
    const auto music = ink(Quenlar.screen, 30, 262, 50, 15);
    EXPECT_EQ(first.second, music.second);
    EXPECT_EQ(none, ink(Quenlar.screen, 30, 262 - 1, 50, 1));
    EXPECT_EQ(none, ink(Quenlar.screen, 0, 240, 29, 40)); // nothing further left
}

// ---------------------------------------------------------------------------
// Save, Play, Exit
// ---------------------------------------------------------------------------
TEST_F(Launcher, SaveWritesTheSettingsAndEnablesPlay) {
    ASSERT_EQ(0, Start());
    EXPECT_EQ(BS_DISABLED, StateOf(s->playButton));
    IButton->SetValue(Id(TAB_AUDIO, kSlotMusicVolume), 17);
    IButton->SetValue(Id(TAB_AUDIO, kSlotSoundVolume), 250);
    Toggle(TAB_VIDEO, kSlotResolution1 + 3);
    EXPECT_EQ(0, Press(s->saveButton));
    EXPECT_EQ(BS_NORMAL, StateOf(s->playButton));

    QuenlarConfig saved;
    ASSERT_EQ(1, Quenlar.ReadConfig(nullptr, "setup.xml", &saved));
    EXPECT_EQ(17, saved.musicvol);
    EXPECT_EQ(250, saved.soundvol);
    EXPECT_EQ(1280, saved.resolutionx);
    EXPECT_EQ(1024, saved.resolutiony);
    EXPECT_EQ(0, saved.colordepth); // a window takes the desktop's depth
}

TEST_F(Launcher, PlayThatCannotStartKeepsTheLauncherOpen) {
    ASSERT_EQ(0, StartWith(Defaults()));
    EXPECT_EQ(0, Press(s->playButton));
    EXPECT_NE(std::string::npos,
              Log().find(" \xB7 [Execute Error] - Couldn\xB4t execute the target application\n"));
}

TEST_F(Launcher, ExitWaitsForTheClick) {
    LauncherPackage package;
    package.clickMs = 5000;
    ASSERT_EQ(0, Start(package));
    g_haltAfter = 7; // the click ends during the seventh wait
    const Uint32 before = g_now;
    EXPECT_EQ(1, Press(s->exitButton));
    EXPECT_EQ(7, g_delays);
    EXPECT_EQ(before + 70, g_now);
}

// ---------------------------------------------------------------------------
// Processor and benchmark
// ---------------------------------------------------------------------------
TEST_F(Launcher, AProcessorTheGameCannotUseKeepsPlayAndSaveOff) {
    ASSERT_EQ(0, Start(LauncherPackage(), RefusedCpu));
    EXPECT_EQ(BS_DISABLED, StateOf(s->playButton));
    EXPECT_EQ(BS_DISABLED, StateOf(s->saveButton));
    Toggle(TAB_VIDEO, kSlotWindib);
    Press(s->saveButton);
    EXPECT_EQ(BS_DISABLED, StateOf(s->playButton));
    EXPECT_EQ(BS_DISABLED, StateOf(s->saveButton));
}

TEST(Benchmark, PointsOfGivenCounts) {
    BenchmarkCounts c;
    EXPECT_EQ(0, BenchmarkPoints(c)); // nothing counted: no division by zero
    c.ticksBefore = 4000000;          // A = 100
    c.crcPasses = 10;                 // M = 320
    c.ticksAfter = 2039999;           // B = 50
    c.blits[0] = 2500;
    c.blits[4] = 2500 * 19 / 16 + 1; // V = (2500 + 16 * 2969) / 2500 = 20
    // 80 + 20 + 10 + 7: 0.35f * 20 is below 7, its single-precision sum is not.
    EXPECT_EQ(117, BenchmarkPoints(c));
    for (uint64_t &n : c.blits)
        n = UINT64_MAX / 64;
    c.crcPasses = UINT64_MAX / 64;
    EXPECT_EQ(2147483647, BenchmarkPoints(c));
}

TEST_F(Launcher, BenchmarkCountsEachSecondAndShowsThePoints) {
    ASSERT_EQ(0, Start());
    s->machine.crc32 = CountedCrc;
    g_crcPasses = 0;
    g_step = 1; // every clock read takes a millisecond
    const BenchmarkCounts c = MeasureBenchmark(s->machine);
    EXPECT_EQ(1000u, c.ticksBefore);
    EXPECT_EQ(1000u, c.crcPasses);
    EXPECT_EQ(1000, g_crcPasses);
    EXPECT_EQ(1000u, c.ticksAfter);
    for (uint64_t n : c.blits)
        EXPECT_EQ(1000u, n);

    // 0.25 * 32000 MiB + 0.35 * 31000 / 2500 blits
    PressButton(*s, Id(TAB_GENERAL, kSlotBenchmark));
    EXPECT_EQ(8004, s->benchmarkPoints);
    EXPECT_EQ(TAB_GENERAL, s->currentTab);
}
