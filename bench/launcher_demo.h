// What the launcher's benchmarks run it with: the demo skin packed as
// `make run` packs it, programs started beside the benchmark, and a virtual
// X server (Xvfb) for the window.
#ifndef QUENLAR_BENCH_LAUNCHER_DEMO_H
#define QUENLAR_BENCH_LAUNCHER_DEMO_H

#include "packages.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace bench {

// The folder of this benchmark program, where the launcher, the demo game
// and dpftool are built too; ends in "/".
inline std::string BinDir() {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string path(self, n > 0 ? (size_t)n : 0);
    return path.substr(0, path.rfind('/') + 1);
}

// setup.dpf, demo-game.dpf and ./demo-game in `dir`, by demo/pack.sh.
inline bool PackDemo(const std::string &dir) {
    const std::string pack =
        "sh '" QUENLAR_SOURCE_DIR "/demo/pack.sh' '" + BinDir() + "' '" + dir + "' >/dev/null 2>&1";
    return system(pack.c_str()) == 0;
}

// Starts a program with exactly the environment `env`, in `cwd` when
// given, its standard output thrown away; its pid, or -1.
inline pid_t Spawn(const std::vector<std::string> &args, const std::vector<std::string> &env,
                   const std::string &cwd = "") {
    std::vector<char *> argv, envp;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string &e : env)
        envp.push_back(const_cast<char *>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Asks a program to end as its window's close button would (SDL turns
// SIGTERM into SDL_QUIT), and waits; killed after five seconds.
inline void End(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// A virtual X server on a free display, with a 24-bit screen; ended with
// this object. `display` is empty when it did not start.
struct Xvfb {
    pid_t pid = -1;
    std::string display; // ":N"

    Xvfb() {
        // Xvfb picks the display and writes its number to the pipe.
        int fds[2];
        if (pipe(fds) != 0) return;
        pid = Spawn({"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                     "1024x768x24", "-nolisten", "tcp", "-noreset"},
                    {});
        close(fds[1]);
        std::string number;
        struct pollfd fd = {fds[0], POLLIN, 0};
        char c;
        while (pid > 0 && poll(&fd, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (!number.empty()) display = ":" + number;
    }
    ~Xvfb() {
        if (pid > 0) End(pid);
    }
    Xvfb(const Xvfb &) = delete;
    Xvfb &operator=(const Xvfb &) = delete;
};

} // namespace bench

#endif
