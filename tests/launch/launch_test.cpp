// Starting the game and opening links: command-line splitting, program
// lookup, the started process's arguments and directory, and reaping.
#include <quenlar/core/log.h>
#include <quenlar/platform/process.h>
#include "setup/launch.h"
#include "support/support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace testing_support;
using qnl::platform::SplitCommandLine;

namespace {

typedef std::vector<std::string> Args;

TEST(SplitCommandLine, FollowsTheWindowsRules) {
    struct Row {
        const char *line;
        Args args;
    };
    const Row rows[] = {
        {"", {}},
        {"   \t ", {}},
        {"game.exe", {"game.exe"}},
        {"  game.exe   -w  -x ", {"game.exe", "-w", "-x"}},
        {"\"C:\\Program Files\\game.exe\" -a", {"C:\\Program Files\\game.exe", "-a"}},
        {"game \"two words\" x\"y z\"w", {"game", "two words", "xy zw"}},
        {"game a\\\\b c\\d", {"game", "a\\\\b", "c\\d"}}, // lone backslashes stay
        {"game a\\\"b", {"game", "a\"b"}},                // \" is a quote
        {"game a\\\\\"b c\"", {"game", "a\\b c"}},        // \\" : one \ and a group
        {"game a\\\\\\\"b", {"game", "a\\\"b"}},          // \\\" : \ and a quote
        {"game \"a\"\"b\" c", {"game", "a\"b", "c"}},     // "" inside quotes
        {"game \"\" end", {"game", "", "end"}},           // an empty argument
        {"game \"open to the end", {"game", "open to the end"}},
        {"\"dir\\\"game x", {"dir\\game", "x"}}, // the name keeps \ as is
        {"game\ttab", {"game", "tab"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(row.args, SplitCommandLine(row.line));
    }
}

// A small program that records its arguments and working directory.
void WriteRecorder(const std::string &path, const std::string &out) {
    WriteFile(path, "#!/bin/sh\n"
                    "{ pwd; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } > " +
                        out + ".tmp\nmv " + out + ".tmp " + out + "\n");
    chmod(path.c_str(), 0755);
}

// The started programs run on their own; wait for what they leave behind.
std::string WaitForFile(const std::string &path) {
    for (int i = 0; i < 1000 && !FileExists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ReadFile(path);
}

// Children of this process that have ended but were not collected.
int Zombies() {
    int count = 0;
    DIR *proc = opendir("/proc");
    while (dirent *entry = proc ? readdir(proc) : nullptr) {
        std::string stat = ReadFile(std::string("/proc/") + entry->d_name + "/stat");
        size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        int ppid = 0;
        if (sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == getpid() &&
            state == 'Z')
            ++count;
    }
    if (proc) closedir(proc);
    return count;
}

class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        mkdir("bin", 0755);
        const char *path = getenv("PATH");
        setenv("PATH", (dir.path() + "/bin:" + (path ? path : "/usr/bin:/bin")).c_str(), 1);
    }
    void SetTarget(const std::string &line) {
        snprintf(state.target, sizeof state.target, "%s", line.c_str());
    }

    TempDir dir;
    LogCapture log{2};
    SetupState state;
};

TEST_F(LaunchTest, TheTargetRunsInTheWorkingDirectoryWithItsArguments) {
    WriteRecorder("game", "ran.txt");
    SetTarget("game -w \"two words\" a\\\"b");
    log.Mark();
    EXPECT_EQ(1, LaunchTarget(state));
    EXPECT_EQ(dir.path() + "\n[-w]\n[two words]\n[a\"b]\n", WaitForFile("ran.txt"));
    EXPECT_EQ(" \xB7 [Execute Info] - 'game -w \"two words\" a\\\"b' was successfully executed!\n",
              log.Body());
}

TEST_F(LaunchTest, ProgramsAreFoundHereFirstThenAlongPath) {
    WriteRecorder("bin/tool", "from-path.txt");
    SetTarget("tool x");
    EXPECT_EQ(1, LaunchTarget(state));
    EXPECT_EQ(dir.path() + "\n[x]\n", WaitForFile("from-path.txt"));

    WriteRecorder("tool", "from-here.txt");
    EXPECT_EQ(1, LaunchTarget(state));
    EXPECT_EQ(dir.path() + "\n[x]\n", WaitForFile("from-here.txt"));

    mkdir("sub", 0755);
    WriteRecorder("sub/game", "from-sub.txt");
    SetTarget("./sub/game");
    EXPECT_EQ(1, LaunchTarget(state));
    EXPECT_EQ(dir.path() + "\n", WaitForFile("from-sub.txt"));
}

TEST_F(LaunchTest, ProgramsThatCannotStartAreErrors) {
    WriteFile("data.txt", "not a program");
    chmod("data.txt", 0644);
    WriteFile("noshebang", "echo hi\n"); // executable bit, but no interpreter line
    chmod("noshebang", 0755);
    mkdir("adir", 0755);
    const std::string error =
        " \xB7 [Execute Error] - Couldn\xB4t execute the target application\n";
    for (const char *target : {"", "missing.exe", "./missing", "data.txt", "noshebang", "adir"}) {
        SCOPED_TRACE(target);
        SetTarget(target);
        log.Mark();
        EXPECT_EQ(0, LaunchTarget(state));
        EXPECT_EQ(error, log.Body());
    }
}

TEST_F(LaunchTest, EndedProgramsAreNotLeftAsZombies) {
    WriteRecorder("game", "ran.txt");
    SetTarget("game");
    ASSERT_EQ(1, LaunchTarget(state));
    WaitForFile("ran.txt");
    int zombies = 1;
    for (int i = 0; i < 500 && (zombies = Zombies()) > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(0, zombies);
}

TEST_F(LaunchTest, LinksGoToTheDesktopAsOneArgument) {
    WriteRecorder("bin/xdg-open", "opened.txt");
    state.custom[2].type = 2;
    snprintf(state.custom[2].data, sizeof state.custom[2].data, "%s",
             "https://example.org/a page?x=1&y=\"2\"");
    log.Mark();
    OpenCustomLink(state, 2);
    EXPECT_EQ(dir.path() + "\n[https://example.org/a page?x=1&y=\"2\"]\n",
              WaitForFile("opened.txt"));
    EXPECT_EQ("", log.Body());

    // Free entries and indexes outside 0..6 do nothing.
    OpenCustomLink(state, 0);
    OpenCustomLink(state, -1);
    OpenCustomLink(state, 7);
    EXPECT_EQ("", log.Body());
}

TEST_F(LaunchTest, OverlongOrUnopenableLinksAreErrors) {
    WriteRecorder("bin/xdg-open", "opened.txt");
    state.custom[0].type = 1;
    std::string longest(kMaxLinkData, 'a');
    snprintf(state.custom[0].data, sizeof state.custom[0].data, "%s", longest.c_str());
    OpenCustomLink(state, 0);
    EXPECT_EQ(dir.path() + "\n[" + longest + "]\n", WaitForFile("opened.txt"));

    log.Mark();
    std::string tooLong = longest + "b";
    snprintf(state.custom[0].data, sizeof state.custom[0].data, "%s", tooLong.c_str());
    OpenCustomLink(state, 0);
    EXPECT_EQ(" \xB7 [OpenData() Error] - Couldn\xB4t open '" + tooLong + "'\n", log.Body());

    // No handler at all.
    setenv("PATH", (dir.path() + "/nothing").c_str(), 1);
    unlink("bin/xdg-open");
    log.Mark();
    snprintf(state.custom[0].data, sizeof state.custom[0].data, "%s", "file.txt");
    OpenCustomLink(state, 0);
    EXPECT_EQ(" \xB7 [OpenData() Error] - Couldn\xB4t open 'file.txt'\n", log.Body());
}

} // namespace
