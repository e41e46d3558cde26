// The demo: the game the demo skin's Play starts, run headless on settings
// written as the launcher saves them, and the skin built from its sources.
#include "support/support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::FileExists;
using testing_support::Program;
using testing_support::ReadFile;
using testing_support::RunResult;
using testing_support::WriteFile;

namespace {

const std::string kDemo = QUENLAR_SOURCE_DIR "/demo";

// A configuration document as the launcher's Save writes it (the help texts
// left out: the game reads only the attributes).
std::string Settings(const std::string &video, const std::string &audio) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
           "<setup>\n"
           "    <!--Quenlar SDK Setup System.-->\n"
           "    <general mtfriendly=\"5\">General information</general>\n"
           "    <video " +
           video +
           " />\n"
           "    <audio " +
           audio +
           " />\n"
           "</setup>\n";
}

class DemoGameTest : public ::testing::Test {
protected:
    testing_support::TempDir dir;

    // The game's package from its own manifest, with a short music made by sox.
    void SetUp() override {
        WriteFile("game-manifest.xml", ReadFile(kDemo + "/game-manifest.xml"));
        ASSERT_EQ(0, testing_support::Run({"sox", "-q", "-n", "-r", "22050", "-c", "2", "-b", "16",
                                           "music.wav", "synth", "0.5", "sine", "440"})
                         .status)
            << "sox is missing: run scripts/install-deps.sh";
        ASSERT_EQ(
            0, testing_support::Run({"oggenc", "--quiet", "-o", "music.ogg", "music.wav"}).status);
        RunResult r = testing_support::Run(
            {Program("dpftool"), "pack", "game-manifest.xml", "demo-game.dpf"});
        ASSERT_EQ(0, r.status) << r.err;
    }
    // Runs the game for a few logic steps; its output.
    std::string Game() {
        RunResult r = testing_support::Run({Program("demo-game"), "--frames", "3"}, dir.path());
        EXPECT_EQ(0, r.status) << r.err;
        return r.out;
    }
};

} // namespace

TEST_F(DemoGameTest, OpensTheSavedSettingsAndPlaysItsMusic) {
    WriteFile("setup.xml",
              Settings("renderer=\"2\" resolutionx=\"800\" resolutiony=\"600\" colordepth=\"16\" "
                       "window=\"1\" accel=\"3\"",
                       "enable=\"1\" format=\"16\" frequency=\"22050\" mode=\"2\" musicvol=\"200\" "
                       "soundvol=\"100\" buffer=\"2048\""));
    EXPECT_EQ("config: read setup.xml\n"
              "renderer: 2\n"
              "resolution: 800x600\n"
              "colordepth: 16\n"
              "window: 1\n"
              "accel: 3\n"
              "mtfriendly: 5\n"
              "enable: 1\n"
              "format: 16\n"
              "frequency: 22050\n"
              "mode: 2\n"
              "buffer: 2048\n"
              "musicvol: 200\n"
              "soundvol: 100\n"
              "video: 800x600x16\n"
              "audio: playing\n",
              Game());
}

TEST_F(DemoGameTest, FullScreenAndSilent) {
    WriteFile("setup.xml",
              Settings("renderer=\"2\" resolutionx=\"640\" resolutiony=\"480\" colordepth=\"32\" "
                       "window=\"0\" accel=\"1\"",
                       "enable=\"0\" format=\"8\" frequency=\"11025\" mode=\"1\" musicvol=\"0\" "
                       "soundvol=\"0\" buffer=\"4096\""));
    const std::string out = Game();
    EXPECT_NE(std::string::npos, out.find("window: 0\n")) << out;
    EXPECT_NE(std::string::npos, out.find("video: 640x480x32\naudio: off\n")) << out;
}

TEST_F(DemoGameTest, WithoutSettingsItStartsOnItsDefaults) {
    const std::string out = Game();
    EXPECT_EQ(0u, out.find("config: not read (defaults) setup.xml\n")) << out;
    EXPECT_NE(std::string::npos, out.find("\nresolution: 640x480\n")) << out;
    EXPECT_NE(std::string::npos, out.find("\naudio: off\n")) << out;
}

// The whole demo built as `make run` builds it: the pictures and sounds
// drawn, both packages packed from their manifests, the game linked beside.
TEST(DemoSkin, BuildsFromItsSources) {
    testing_support::TempDir dir;
    RunResult r =
        testing_support::Run({kDemo + "/pack.sh", QUENLAR_BIN_DIR, dir.path()}, ".", "", {}, 110);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_TRUE(FileExists("demo-game.dpf"));
    EXPECT_TRUE(FileExists("demo-game"));
    RunResult layout = testing_support::Run({Program("dpftool"), "layout", "setup.dpf"});
    EXPECT_EQ(0u, layout.out.find("ok\nresources:\n")) << layout.out;
    EXPECT_EQ(0, layout.status) << layout.out;
    EXPECT_EQ(std::string::npos, layout.out.find("missing")) << layout.out;
}
