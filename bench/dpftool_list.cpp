// `dpftool list` of a package of 1000 blocks of 64 KiB beside `tar tf` of
// an archive of the same 1000 files: both programs started afresh, their
// output thrown away. And what starting each costs: `dpftool help` beside
// `tar --version`, which do no work but start (dpftool loads the shared
// libraries of everything the SDK draws on).
#include "packages.h"
#include "paired.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <limits.h>
#include <random>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {
constexpr int kFiles = 1000;
constexpr size_t kFileSize = 64 * 1024;

void Noise(int i, std::vector<char> &data) {
    std::mt19937 gen((unsigned)i);
    for (char &c : data)
        c = (char)(gen() & 0xFF);
}

// dpftool is built beside the benchmarks.
std::string Dpftool() {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "dpftool";
    const std::string path(self, (size_t)n);
    return path.substr(0, path.rfind('/') + 1) + "dpftool";
}

struct Fixture {
    bench::TempDir dir;
    std::string package, tar, dpftool = Dpftool();

    Fixture() {
        IStuffDPF = new QStuffDPF;
        package = dir.path + "/files.dpf";
        if (!bench::MakePackage(package, kFiles, kFileSize, Noise)) std::abort();
        delete IStuffDPF;
        IStuffDPF = nullptr;

        const std::string files = dir.path + "/files";
        mkdir(files.c_str(), 0755);
        std::vector<char> data(kFileSize);
        for (int i = 0; i < kFiles; ++i) {
            Noise(i, data);
            FILE *f = fopen((files + "/" + bench::BlockName(i)).c_str(), "wb");
            if (!f || fwrite(data.data(), 1, data.size(), f) != data.size()) std::abort();
            fclose(f);
        }
        tar = dir.path + "/files.tar";
        const std::string command =
            "tar cf '" + tar + "' -C '" + files + "' . && rm -r '" + files + "'";
        if (system(command.c_str()) != 0) std::abort();
    }
};

Fixture &Shared() {
    static Fixture fixture;
    return fixture;
}

// Runs a program with its output to /dev/null; its exit status, or -1.
int Run(std::vector<std::string> args) {
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int status = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
        waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        status = WEXITSTATUS(status);
    posix_spawn_file_actions_destroy(&actions);
    return status;
}

void DpftoolList(benchmark::State &state) {
    const Fixture &f = Shared();
    bench::Paired(
        state, "tar tf",
        [&] {
            if (Run({f.dpftool, "list", f.package}) != 0) state.SkipWithError("dpftool list");
        },
        [&] {
            if (Run({"tar", "tf", f.tar}) != 0) state.SkipWithError("tar tf");
        });
}

void DpftoolStart(benchmark::State &state) {
    const Fixture &f = Shared();
    bench::Paired(
        state, "tar --version",
        [&] {
            if (Run({f.dpftool, "help"}) != 0) state.SkipWithError("dpftool help");
        },
        [&] {
            if (Run({"tar", "--version"}) != 0) state.SkipWithError("tar --version");
        });
}
} // namespace

BENCHMARK(DpftoolList)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(DpftoolStart)->UseManualTime()->Unit(benchmark::kMillisecond);
