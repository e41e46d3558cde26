// The launcher program's start-up, run as a real process.
#include "support.h"
#include "test_package.h"

#include <gtest/gtest.h>
#include <regex>

using namespace testing_support;

namespace {
const char kHeader[] =
    "\\+-{58}\\+\n"
    "\xA6         Quenlar SDK Win32 v5\\.20 \\(build 3278\\)            \xA6\n"
    "\xA6[^\n]{57}\xA6\n"
    "\xA6[^\n]{57}\xA6\n"
    "\\+-{58}\\+\n"
    "\n \\. Quenlar SDK - Setup v1\\.1b\n"
    "\n \\. Executing at [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9:]{8} [0-9]{4}\n"
    " \\. Running on [^\n]*\n"
    " \\. Selected [^\n]* code path\\.\n"
    "\n \\. Quenlar successfully initiated\\.\n";
} // namespace

namespace {
// Every start-up here ends within a second or two; a hang fails fast.
constexpr int kDeadline = 20;

RunResult RunSetup(const TempDir &dir, const std::vector<std::string> &env = {}) {
    return testing_support::Run({Program("setup")}, dir.path(), "", env, kDeadline);
}
} // namespace

TEST(LauncherStartup, EmptyDirectoryEndsWithTheLayoutError) {
    TempDir dir;
    // The sound library has no card to find here: it must not say so.
    RunResult run = RunSetup(dir, {"SDL_AUDIODRIVER=alsa"});
    EXPECT_EQ(1, run.status);
    // Once on stderr in UTF-8, naming the log; the log keeps its bytes.
    EXPECT_EQ("setup: [Init Error] - Couldn\xC2\xB4t parse layout.xml file. Error code: 1 (see "
              "Setup.log)\n",
              run.err);
    std::string log = ReadFile(dir / "Setup.log");
    EXPECT_TRUE(
        std::regex_match(log, std::regex(std::string(kHeader) +
                                         " \\. \\[IStuffDPF->Open\\('setup\\.dpf'\\)\\] Error: "
                                         "No such file or directory\n"
                                         " \xB7 \\[Init Error\\] - Couldn\xB4t parse layout\\.xml "
                                         "file\\. Error code: 1\n")))
        << log;
}

TEST(LauncherStartup, EngineFailureEndsWithItsMessage) {
    TempDir dir;
    RunResult run = RunSetup(dir, {"SDL_VIDEODRIVER=no-such-driver"});
    EXPECT_EQ(1, run.status);
    EXPECT_TRUE(std::regex_match(
        run.err, std::regex("setup: \\[Init Error\\] - Couldn\xC2\xB4t initialize Quenlar: [^\n]+ "
                            "\\(see Setup\\.log\\)\n")))
        << run.err;
    std::string log = ReadFile(dir / "Setup.log");
    EXPECT_NE(std::string::npos,
              log.find(" . [Quenlar.Init()] Error: Couldn't initialize SDL 1.2: "))
        << log;
    EXPECT_TRUE(std::regex_search(
        log, std::regex(" \xB7 \\[Init Error\\] - Couldn\xB4t initialize Quenlar: [^\n]+\n$")))
        << log;
}

TEST(LauncherStartup, WithoutADisplayTheTerminalIsLeftAlone) {
    TempDir dir;
    WriteLauncherPackage();
    // SDL 1.2 left to choose would take the terminal over with caca.
    RunResult run = RunSetup(dir, {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY", "TERM=xterm"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(std::string::npos, run.out.find('\x1b')) << run.out;
    EXPECT_EQ("setup: [Init Error] - Couldn\xC2\xB4t set video mode 430x400: there is no display "
              "to open a window on (DISPLAY is not set) (see Setup.log)\n",
              run.err);
}

TEST(LauncherStartup, TheTerminalIsGivenBackOnEveryPath) {
    TempDir dir;
    // A terminal driver the player chose, and a failure that ends the
    // launcher without shutting the engine down (no layout).
    RunResult run = RunSetup(dir, {"SDL_VIDEODRIVER=caca", "TERM=xterm"});
    EXPECT_EQ(1, run.status);
    if (ReadFile(dir / "Setup.log").find("Couldn't initialize SDL") != std::string::npos)
        GTEST_SKIP() << "this SDL 1.2 library has no caca driver";
    const size_t taken = run.out.find("\x1b[?1049h"); // the terminal's alternate screen
    ASSERT_NE(std::string::npos, taken);
    EXPECT_NE(std::string::npos, run.out.find("\x1b[?1049l", taken)); // ... left again
}
