// examples/overlays, the program: headless, and in a real window under a
// virtual X server driven with xdotool (the screenshot is kept in
// build/test-artifacts).
#include "support.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;

namespace {
bool Has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

// How many of the points look like the colour `channel` (0 red, 1 green,
// 2 blue) dominates, in the picture at `path`.
int Dominated(const std::string &path, const std::vector<std::pair<int, int>> &points,
              int channel) {
    int count = 0;
    for (const auto &p : points) {
        const std::string at =
            "p{" + std::to_string(p.first) + "," + std::to_string(p.second) + "}";
        const std::string format =
            "%[fx:int(255*" + at + ".r)] %[fx:int(255*" + at + ".g)] %[fx:int(255*" + at + ".b)]";
        RunResult pixel = testing_support::Run({"convert", path, "-format", format, "info:"});
        int rgb[3] = {0, 0, 0};
        if (std::sscanf(pixel.out.c_str(), "%d %d %d", &rgb[0], &rgb[1], &rgb[2]) != 3) continue;
        bool dominant = true;
        for (int c = 0; c < 3; ++c)
            if (c != channel && rgb[c] * 2 > rgb[channel]) dominant = false;
        count += dominant;
    }
    return count;
}
} // namespace

TEST(OverlaysExample, AnswersTheLinesOfItsCommandLineHeadless) {
    TempDir dir;
    RunResult run = testing_support::Run(
        {Program("overlays"), "--frames", "10", "spawn 2", "spawn", "debug list"}, dir.path(), "",
        {}, 30);
    ASSERT_EQ(0, run.status) << run.err << ReadFile("overlays.log");
    const std::string text = ReadFile("console.txt");
    EXPECT_TRUE(Has(text, "spawn 2\n Spawned 2 sprites (2 in all)\n"
                          " . [Overlays] Info: 2 sprites spawned\n\n"))
        << text;
    EXPECT_TRUE(Has(text, "spawn\n Syntax error or command not found\n\n")) << text;
    EXPECT_TRUE(Has(text, "debug list\n frames 0\n sprites 2\n angle ")) << text;
}

TEST(OverlaysExample, ConsoleAndDebugWindowInARealWindow) {
    XServer x;
    if (!x.Available()) GTEST_SKIP() << "Xvfb is not installed; whole-window test skipped";
    TempDir dir;
    // The program chooses the windowed X11 driver itself: no SDL_VIDEODRIVER.
    ChildProcess game({Program("overlays")}, dir.path(),
                      {"SDL_VIDEODRIVER", "DISPLAY=" + x.Display()});
    RunResult search =
        x.Client({"xdotool", "search", "--sync", "--name", "^Quenlar overlays example$"}, 10);
    ASSERT_EQ(0, search.status) << "no window: " << ReadFile("overlays.log");
    const std::string window = search.out.substr(0, search.out.find('\n'));
    ASSERT_EQ(0, x.Client({"xdotool", "windowfocus", "--sync", window}, 10).status);

    // Back-quote shows the console. It reads one key per logic step (50
    // ms): keys come slower than that, as from a person.
    const auto pause = [] { usleep(150 * 1000); };
    EXPECT_EQ(0, x.Client({"xdotool", "key", "grave"}, 10).status);
    for (const char *line : {"help", "spawn 7"}) {
        pause();
        EXPECT_EQ(0, x.Client({"xdotool", "type", "--delay", "150", line}, 10).status);
        pause();
        EXPECT_EQ(0, x.Client({"xdotool", "key", "Return"}, 10).status);
    }
    usleep(1200 * 1000); // past the console's one-second fade

    // The console across the top third on blue, the debug window in the
    // middle of the lower half on green (sprites may cover a point or two).
    const std::string shot = ArtifactPath("overlays-console.png");
    ASSERT_EQ(0, x.Client({"import", "-window", window, shot}, 10).status);
    EXPECT_GE(Dominated(shot, {{3, 60}, {320, 3}, {636, 80}, {3, 156}, {500, 150}}, 2), 4);
    EXPECT_GE(Dominated(shot, {{216, 300}, {420, 300}, {216, 396}, {420, 396}, {320, 380}}, 1), 4);

    EXPECT_EQ(0, x.Client({"xdotool", "key", "Escape"}, 10).status);
    ASSERT_EQ(0, game.Wait(10));
    const std::string text = ReadFile("console.txt");
    EXPECT_TRUE(Has(text, "help\n help - List all registered commands\n"
                          " con - Console control commands\n"
                          " debug - Debug window control commands\n"
                          " spawn - Add N bouncing sprites (spawn N)\n\n"))
        << text;
    EXPECT_TRUE(Has(text, "spawn 7\n Spawned 7 sprites (7 in all)\n"
                          " . [Overlays] Info: 7 sprites spawned\n"))
        << text;
}
