// The launcher program's start-up, run as a real process.
#include "support.h"

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

TEST(LauncherStartup, EmptyDirectoryEndsWithTheLayoutError) {
    TempDir dir;
    RunResult run = testing_support::Run({Program("setup")}, dir.path());
    EXPECT_EQ(1, run.status);
    std::string log = ReadFile(dir / "Setup.log");
    EXPECT_TRUE(std::regex_match(log, std::regex(std::string(kHeader) +
                                                 " \\. \\[IStuffDPF->Open\\('setup\\.dpf'\\)\\] Error: "
                                                 "No such file or directory\n"
                                                 " \xB7 \\[Init Error\\] - Couldn\xB4t parse layout\\.xml "
                                                 "file\\. Error code: 1\n")))
        << log;
}

TEST(LauncherStartup, EngineFailureEndsWithItsMessage) {
    TempDir dir;
    RunResult run = testing_support::Run({Program("setup")}, dir.path(), "", {"SDL_VIDEODRIVER=no-such-driver"});
    EXPECT_EQ(1, run.status);
    std::string log = ReadFile(dir / "Setup.log");
    EXPECT_NE(std::string::npos,
              log.find(" . [Quenlar.Init()] Error: Couldn't initialize SDL 1.2: "))
        << log;
    EXPECT_TRUE(std::regex_search(
        log, std::regex(" \xB7 \\[Init Error\\] - Couldn\xB4t initialize Quenlar: [^\n]+\n$")))
        << log;
}
