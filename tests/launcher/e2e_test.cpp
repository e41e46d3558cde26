// The launcher program with the demo skin in a real window under a virtual
// X server, used as a player uses it (e2e_player.h). Screenshots are kept
// in build/test-artifacts (launcher-e2e-*.png).
#include <quenlar/quenlar.h>
#include "launcher/e2e_player.h"
#include "support.h"

#include <gtest/gtest.h>

using namespace testing_support;
using namespace e2e;

namespace {

const char kLauncherWindow[] = "^Quenlar Demo - Setup$"; // layout.xml's appname + " - Setup"
const char kGameWindow[] = "^Quenlar Demo$";
const char kSettingsFile[] = "setup.xml"; // layout.xml's setupxml, a plain file

// The saved settings as the game reads them; false while they cannot be read.
bool ReadSettings(QuenlarConfig &settings) {
    settings = QuenlarConfig();
    return Quenlar.ReadConfig("", kSettingsFile, &settings) == 1;
}

class LauncherEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        const std::string missing = MissingTools();
        ASSERT_EQ("", missing) << "whole-window tests need" << missing
                               << " (scripts/install-deps.sh installs them)";
        ASSERT_TRUE(x.Available()) << "Xvfb did not start";
        ASSERT_TRUE(skin.Packed()) << skin.Error();
    }

    // The launcher's window, once it is open.
    std::string OpenWindow(ChildProcess &launcher) {
        const std::string window = x.FindWindow(kLauncherWindow);
        if (window.empty())
            ADD_FAILURE() << "no launcher window (running: " << launcher.Running() << ")\n"
                          << ReadFile("Setup.log") << ReadFile("err.txt");
        return window;
    }

    XServer x{"1024x768x24"};
    TempDir dir;
    DemoSkin skin{dir.path()};
};

} // namespace

// ---------------------------------------------------------------------------
// Configure, Save, Play; then again, and Exit
// ---------------------------------------------------------------------------
TEST_F(LauncherEndToEnd, ConfiguresSavesAndStartsTheGame) {
    // The game outlives the launcher; it becomes the test's child then.
    ASSERT_TRUE(Game::MakeSubreaper());

    const Widget tabGeneral = skin.Get("general", "tabgeneral"),
                 tabVideo = skin.Get("video", "tabvideo"), tabAudio = skin.Get("audio", "tabaudio"),
                 save = skin.Get("butsave", "save"), play = skin.Get("butplay", "play"),
                 exit = skin.Get("butexit", "exit"), mtfriendly = skin.Check("mtfriendly");
    const Widget opengl = skin.Radio("vidrenderer_opengl"),
                 windib = skin.Radio("vidrenderer_windib"),
                 directx = skin.Radio("vidrenderer_ddraw"), res640 = skin.Radio("vidresolution1"),
                 res800 = skin.Radio("vidresolution2"), depth8 = skin.Radio("vidcolordepth8"),
                 depth16 = skin.Radio("vidcolordepth16"), depth32 = skin.Radio("vidcolordepth32"),
                 software = skin.Radio("vidaccelsoftware"),
                 smooth = skin.Radio("vidaccelhardsmooth"), speed = skin.Radio("vidaccelhardspeed"),
                 window = skin.Radio("vidmodewindow"), full = skin.Radio("vidmodefullscreen"),
                 noframe = skin.Radio("vidmodewindownoframe");
    const Widget audio = skin.Check("butaudioenabled"), bits8 = skin.Radio("butformat8"),
                 bits16 = skin.Radio("butformat16"), hz11 = skin.Radio("butfreq11"),
                 hz22 = skin.Radio("butfreq22"), hz44 = skin.Radio("butfreq44"),
                 mono = skin.Radio("butmono"), stereo = skin.Radio("butstereo"),
                 multi = skin.Radio("butmulti"), music = skin.Get("butmusicvol", "slider"),
                 sound = skin.Get("butsoundvol", "slider");

    std::unique_ptr<ChildProcess> launcher = StartLauncher(x, dir.path());
    const std::string id = OpenWindow(*launcher);
    ASSERT_NE("", id);
    Player player(x, skin, id);
    player.Away();

    // No settings saved yet: the defaults, and Play off until a Save.
    ASSERT_TRUE(player.Looks({{tabGeneral, 'p'},
                              {tabVideo, 'n'},
                              {tabAudio, 'n'},
                              {mtfriendly, 'p'},
                              {save, 'n'},
                              {play, 'o'},
                              {exit, 'n'}},
                             "general"));

    // Video: Windib in a window at 640x480; a window takes the desktop's depth.
    player.Click(tabVideo);
    EXPECT_TRUE(player.Looks({{tabVideo, 'p'},
                              {tabGeneral, 'n'},
                              {opengl, 'n'},
                              {windib, 'p'},
                              {directx, 'n'},
                              {res640, 'p'},
                              {res800, 'n'},
                              {depth8, 'o'},
                              {depth16, 'o'},
                              {depth32, 'o'},
                              {software, 'p'},
                              {smooth, 'o'},
                              {speed, 'o'},
                              {window, 'p'},
                              {full, 'n'},
                              {noframe, 'n'}},
                             "video"));
    player.Click(res800);
    EXPECT_TRUE(player.Looks({{res800, 'p'}, {res640, 'n'}}));
    // Full screen with no depth chosen cannot be saved ...
    player.Click(full);
    EXPECT_TRUE(player.Looks(
        {{full, 'p'}, {window, 'n'}, {depth8, 'n'}, {depth16, 'n'}, {depth32, 'n'}, {save, 'o'}}));
    // ... until a depth is chosen.
    player.Click(depth16);
    EXPECT_TRUE(player.Looks({{depth16, 'p'}, {save, 'n'}}));
    // Back to a window: the depth is the desktop's again, and Save allowed.
    player.Click(window);
    EXPECT_TRUE(player.Looks(
        {{window, 'p'}, {full, 'n'}, {depth8, 'o'}, {depth16, 'o'}, {depth32, 'o'}, {save, 'n'}}));

    // Audio: off disables every choice, on brings back the chosen ones.
    player.Click(tabAudio);
    EXPECT_TRUE(player.Looks({{tabAudio, 'p'},
                              {audio, 'p'},
                              {bits8, 'p'},
                              {bits16, 'n'},
                              {hz11, 'p'},
                              {hz22, 'n'},
                              {hz44, 'n'},
                              {mono, 'p'},
                              {stereo, 'n'},
                              {multi, 'n'}},
                             "audio"));
    player.Click(audio);
    EXPECT_TRUE(player.Looks(
        {{audio, 'n'}, {bits8, 'o'}, {bits16, 'o'}, {hz11, 'o'}, {mono, 'o'}, {stereo, 'o'}},
        "audio-off"));
    player.Click(audio);
    EXPECT_TRUE(player.Looks({{audio, 'p'}, {bits8, 'p'}, {hz11, 'p'}, {mono, 'p'}}));
    player.Click(bits16);
    EXPECT_TRUE(player.Looks({{bits16, 'p'}, {bits8, 'n'}}));
    player.Click(hz22);
    EXPECT_TRUE(player.Looks({{hz22, 'p'}, {hz11, 'n'}}));
    player.Click(stereo);
    EXPECT_TRUE(player.Looks({{stereo, 'p'}, {mono, 'n'}}));
    // Both volumes, dragged from the middle of their tracks.
    player.DragSlider(music, 40);
    EXPECT_TRUE(player.KnobAt(music, 40));
    player.Button(false);
    player.DragSlider(sound, 70);
    EXPECT_TRUE(player.KnobAt(sound, 70));
    player.Button(false);

    // General: no time left to other programs.
    player.Click(tabGeneral);
    EXPECT_TRUE(player.Looks({{tabGeneral, 'p'}, {mtfriendly, 'p'}}));
    player.Click(mtfriendly);
    EXPECT_TRUE(player.Looks({{mtfriendly, 'n'}}));

    // Save writes every choice; Play becomes available.
    player.Click(save);
    QuenlarConfig saved;
    EXPECT_TRUE(WaitUntil([&] { return ReadSettings(saved); })) << ReadFile("Setup.log");
    player.Away();
    EXPECT_TRUE(player.Looks({{save, 'n'}, {play, 'n'}}, "saved"));
    EXPECT_EQ(0, saved.mtfriendly);
    EXPECT_EQ(2, saved.renderer);
    EXPECT_EQ(800, saved.resolutionx);
    EXPECT_EQ(600, saved.resolutiony);
    EXPECT_EQ(0, saved.colordepth); // forced in a window
    EXPECT_EQ(1, saved.window);
    EXPECT_EQ(1, saved.accel);
    EXPECT_EQ(1, saved.enable);
    EXPECT_EQ(16, saved.format & 0xFF);
    EXPECT_EQ(22050, saved.frequency);
    EXPECT_EQ(2, saved.mode);
    EXPECT_EQ(40, saved.musicvol);
    EXPECT_EQ(70, saved.soundvol);

    // Play starts the game and ends the launcher; the game runs on the
    // saved settings and prints them (its output goes where the launcher's does).
    player.Click(play);
    EXPECT_EQ(0, launcher->Wait(10)) << ReadFile("Setup.log");
    Game game;
    EXPECT_TRUE(WaitUntil([&] { return game.Found(); })) << ReadFile("Setup.log");
    const std::string gameWindow = x.FindWindow(kGameWindow);
    ASSERT_NE("", gameWindow) << ReadFile("out.txt") << ReadFile("demo-game.log");
    ASSERT_TRUE(WaitUntil([] { return ReadFile("out.txt").find("audio: ") != std::string::npos; }))
        << ReadFile("out.txt");
    const std::string printed = ReadFile("out.txt");
    for (const char *line :
         {"config: read setup.xml\n", "renderer: 2\n", "resolution: 800x600\n", "colordepth: 0\n",
          "window: 1\n", "accel: 1\n", "mtfriendly: 0\n", "enable: 1\n", "format: 16\n",
          "frequency: 22050\n", "mode: 2\n", "musicvol: 40\n", "soundvol: 70\n", "video: 800x600x",
          "audio: playing\n"})
        EXPECT_NE(std::string::npos, printed.find(line)) << line << " in:\n" << printed;
    x.Screenshot(gameWindow, ArtifactPath("launcher-e2e-game.png"));
    x.Client({"xdotool", "windowfocus", "--sync", gameWindow});
    x.Client({"xdotool", "key", "Escape"});
    EXPECT_EQ(0, game.Wait(10)) << ReadFile("demo-game.log");

    // Again: the saved settings are shown, Play is on from the start.
    launcher = StartLauncher(x, dir.path());
    const std::string again = OpenWindow(*launcher);
    ASSERT_NE("", again);
    Player next(x, skin, again);
    next.Away();
    EXPECT_TRUE(next.Looks({{mtfriendly, 'n'}, {play, 'n'}}));
    next.Click(tabVideo);
    EXPECT_TRUE(next.Looks({{res800, 'p'}, {window, 'p'}, {windib, 'p'}, {depth16, 'o'}}));
    // Ticking the switch when the settings had none leaves 10 ms.
    next.Click(tabGeneral);
    next.Click(mtfriendly);
    EXPECT_TRUE(next.Looks({{mtfriendly, 'p'}}));
    next.Click(save);
    EXPECT_TRUE(WaitUntil([&] { return ReadSettings(saved) && saved.mtfriendly == 10; }))
        << (int)saved.mtfriendly;
    EXPECT_EQ(800, saved.resolutionx);

    next.Click(exit);
    EXPECT_EQ(0, launcher->Wait(10));
    const std::string log = ReadFile("Setup.log");
    EXPECT_NE(std::string::npos, log.find(" . Quenlar successfully closed.")) << log;
    EXPECT_EQ(std::string::npos, log.find("Error")) << log;
}

// ---------------------------------------------------------------------------
// Without a sound device, and with a resource missing
// ---------------------------------------------------------------------------
TEST_F(LauncherEndToEnd, StartsSilentlyWithoutASoundDevice) {
    std::unique_ptr<ChildProcess> launcher =
        StartLauncher(x, dir.path(), {"SDL_AUDIODRIVER=no-such-driver"});
    const std::string id = OpenWindow(*launcher);
    ASSERT_NE("", id);
    Player player(x, skin, id);
    player.Away();
    const Widget tabGeneral = skin.Get("general", "tabgeneral"), exit = skin.Get("butexit", "exit");
    EXPECT_TRUE(player.Looks({{tabGeneral, 'p'}, {exit, 'n'}}, "silent"));
    EXPECT_NE(std::string::npos,
              ReadFile("Setup.log").find(" \xB7 [Init Warning] - Couldn\xB4t init sound system"))
        << ReadFile("Setup.log");

    // With no click playing, Exit ends the run at once.
    player.Click(exit);
    EXPECT_EQ(0, launcher->Wait(5)) << ReadFile("Setup.log");
    EXPECT_EQ(std::string::npos, ReadFile("Setup.log").find("[Init Error]"))
        << ReadFile("Setup.log");
}

TEST_F(LauncherEndToEnd, MissingResourceEndsTheRunNamingIt) {
    RunResult removed =
        testing_support::Run({Program("dpftool"), "delete", "setup.dpf", "demo_bgvideo", "IMG"});
    ASSERT_EQ(0, removed.status) << removed.err;

    RunResult run = testing_support::Run({Program("setup")}, ".", "",
                                         {"SDL_VIDEODRIVER", "DISPLAY=" + x.Display()}, 30);
    EXPECT_EQ(1, run.status) << run.err;
    const std::string log = ReadFile("Setup.log");
    EXPECT_NE(std::string::npos,
              log.find(" \xB7 [Init Error] - Couldn't load graphic resource: 'demo_bgvideo'.\n"))
        << log;
    EXPECT_NE(std::string::npos, log.find(" . Quenlar successfully closed.")) << log;
}
