// dpftool when things go wrong: writes killed half way, full disks, several
// writers at once, links, FIFOs and hostile block names.
#include "dpftool/dpftool_fixture.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::ChildProcess;
using testing_support::FileExists;
using testing_support::Program;
using testing_support::ReadFile;
using testing_support::RunResult;
using testing_support::WriteFile;

namespace {
long long FileSize(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (long long)st.st_size : -1;
}

// dpftool running in the background, to be killed at a chosen moment.
class Background {
public:
    Background(const std::vector<std::string> &args, const std::string &cwd) {
        pid_ = fork();
        if (pid_ == 0) {
            int null = open("/dev/null", O_RDWR);
            dup2(null, 1);
            dup2(null, 2);
            if (chdir(cwd.c_str()) != 0) _exit(127);
            std::vector<std::string> all = {Program("dpftool")};
            all.insert(all.end(), args.begin(), args.end());
            std::vector<char *> argv;
            for (std::string &a : all)
                argv.push_back(&a[0]);
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~Background() { Kill(SIGKILL); }
    // Waits (at most 20 s) until `ready` holds; false when the program
    // ended first.
    bool WaitUntil(const std::function<bool()> &ready) {
        for (int i = 0; i < 20000 && !Ended(); ++i) {
            if (ready()) return true;
            usleep(1000);
        }
        return false;
    }
    // Sends the signal and waits for the end; whether the signal ended it.
    bool Kill(int signal) {
        if (Ended()) return false;
        kill(pid_, signal);
        waitpid(pid_, &status_, 0);
        pid_ = -1;
        return WIFSIGNALED(status_);
    }
    pid_t pid() const { return pid_; }

private:
    bool Ended() {
        if (pid_ > 0 && waitpid(pid_, &status_, WNOHANG) == pid_) pid_ = -1;
        return pid_ <= 0;
    }
    pid_t pid_ = -1;
    int status_ = 0;
};

// Bytes a process has written so far (the "wchar" line of /proc/PID/io).
long long BytesWritten(pid_t pid) {
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    std::string key;
    long long value;
    while (io >> key >> value)
        if (key == "wchar:") return value;
    return -1;
}

// A small tmpfs mounted at `path` while this lives, where the machine lets
// the test mount one.
class SmallDisk {
public:
    SmallDisk(const std::string &path, const std::string &size) : path_(path) {
        mkdir(path.c_str(), 0777);
        mounted_ =
            testing_support::Run({"mount", "-t", "tmpfs", "-o", "size=" + size, "tmpfs", path})
                .status == 0;
    }
    ~SmallDisk() {
        if (mounted_) testing_support::Run({"umount", path_});
    }
    bool mounted() const { return mounted_; }

private:
    std::string path_;
    bool mounted_ = false;
};
} // namespace

TEST_F(DpftoolTest, AnInterruptedAddLeavesATailThatRepairCutsOff) {
    MakePackage(dir / "p.dpf", {"a", "b"});
    const std::string before = ReadFile(dir / "p.dpf");
    WriteFile(dir / "big.bin", RandomBytes(48 << 20));
    for (int signal : {SIGKILL, SIGTERM}) {
        WriteFile(dir / "p.dpf", before);
        Background add({"add", "p.dpf", "big", "T", "big.bin", "--mode", "stored"}, dir.path());
        add.WaitUntil([&] { return FileSize(dir / "p.dpf") > (long long)before.size(); });
        add.Kill(signal);
        // Killed while writing: what it wrote is a tail the checksum does not
        // count, refused until a repair cuts it off (kept beside).
        const std::string after = ReadFile(dir / "p.dpf");
        if (Tool({"verify", "p.dpf"}).status != 0) {
            RunResult r = Tool({"extract", "p.dpf", "a", "T"});
            EXPECT_EQ(1, r.status);
            EXPECT_NE(std::string::npos, r.err.find("\"dpftool repair p.dpf\"")) << r.err;
            r = Tool({"repair", "p.dpf"});
            EXPECT_EQ(0, r.status) << r.err;
            EXPECT_NE(std::string::npos, r.out.find("p.dpf: cut off ")) << r.out;
            EXPECT_EQ(before, ReadFile(dir / "p.dpf"));
            EXPECT_EQ(after.substr(before.size()), ReadFile(dir / "p.dpf.cut"));
            unlink((dir / "p.dpf.cut").c_str());
        }
        Ok({"verify", "p.dpf"});
        EXPECT_EQ("data of a", Ok({"extract", "p.dpf", "a", "T"}));
    }
}

TEST_F(DpftoolTest, RepairCutsOnlyWhatTheChecksumDoesNotCount) {
    MakePackage(dir / "p.dpf", {"a"});
    const std::string good = ReadFile(dir / "p.dpf");
    const std::string tail = Marker() + "half a header";
    WriteFile(dir / "p.dpf", good + tail);
    RunResult r = Tool({"verify", "p.dpf"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("\"dpftool repair p.dpf\""));
    EXPECT_EQ("p.dpf: cut off 29 bytes after block 1, the last one the checksum vouches for; "
              "they are kept in p.dpf.cut\n",
              Ok({"repair", "p.dpf"}));
    EXPECT_EQ(good, ReadFile(dir / "p.dpf"));
    EXPECT_EQ(tail, ReadFile(dir / "p.dpf.cut"));
    EXPECT_EQ("p.dpf: nothing to repair: the checksum matches\n", Ok({"repair", "p.dpf"}));

    // Damage inside the package is reported and left alone.
    std::string damaged = good;
    damaged[600] ^= 1;
    WriteFile(dir / "p.dpf", damaged + tail);
    r = Tool({"repair", "p.dpf"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("nothing was changed")) << r.err;
    EXPECT_EQ(damaged + tail, ReadFile(dir / "p.dpf"));
    EXPECT_EQ((std::vector<std::string>{"p.dpf", "p.dpf.cut"}), Entries(dir.path()));
}

TEST_F(DpftoolTest, FourWritersAtOnceLoseNothing) {
    WriteFile(dir / "f", "block data");
    std::vector<std::unique_ptr<ChildProcess>> writers;
    for (int w = 0; w < 4; ++w) {
        const std::string script = "for i in $(seq 1 25); do \"$0\" add p.dpf w" +
                                   std::to_string(w) + "-$i T f || exit 1; done";
        writers.emplace_back(
            new ChildProcess({"/bin/sh", "-c", script, Program("dpftool")}, dir.path()));
    }
    for (auto &w : writers)
        EXPECT_EQ(0, w->Wait(120));
    const std::string list = Ok({"list", "p.dpf"});
    EXPECT_EQ(100, std::count(list.begin(), list.end(), '\n')) << list;
    EXPECT_EQ("p.dpf: ok, 100 blocks\n", Ok({"verify", "p.dpf"}));
}

TEST_F(DpftoolTest, AFullDiskLosesNothing) {
    SmallDisk disk(dir / "small", "256k");
    // Without a tmpfs, a file-size limit stands in for the full disk.
    std::vector<std::string> limited;
    if (!disk.mounted())
        std::cout << "[   INFO   ] no tmpfs can be mounted here: a file-size limit stands in "
                     "for the full disk\n";
    auto Full = [&](std::vector<std::string> args, long long limit) {
        if (disk.mounted()) return Tool(args);
        args.insert(args.begin(),
                    {"prlimit", "--fsize=" + std::to_string(limit), Program("dpftool")});
        return testing_support::Run(args, dir.path());
    };
    const std::string where = disk.mounted() ? "small/" : "";
    const std::string package = where + "p.dpf";
    WriteFile(dir / "old", "the old block");
    WriteFile(dir / "big", RandomBytes(1 << 20));
    Ok({"add", package, "x", "T", "old"});
    Ok({"add", package, "gone", "T", "old"});
    Ok({"delete", package, "gone", "T"});
    const std::string before = ReadFile(dir / package);

    const long long room = (long long)before.size() + 100;
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {"add", package, "x", "T", "big", "--replace", "--mode", "stored"},
             {"add", package, "y", "T", "big", "--mode", "stored"}}) {
        RunResult r = Full(args, room);
        EXPECT_EQ(1, r.status) << args[1];
        EXPECT_EQ(before, ReadFile(dir / package));
    }
    EXPECT_EQ("the old block", Ok({"extract", package, "x", "T"}));

    // A disk full to the last byte: compacting and creating leave nothing.
    if (disk.mounted()) {
        std::ofstream fill(dir / "small/fill", std::ios::binary);
        const std::string chunk(4096, 'f');
        while (fill.write(chunk.data(), chunk.size()))
            ;
    }
    EXPECT_EQ(1, Full({"compact", package}, 100).status);
    EXPECT_EQ(before, ReadFile(dir / package));
    EXPECT_EQ(1, Full({"create", where + "c.dpf"}, 100).status);
    EXPECT_FALSE(FileExists(dir / (where + "c.dpf")));
    if (disk.mounted()) {
        EXPECT_EQ((std::vector<std::string>{"fill", "p.dpf"}), Entries(dir / "small"));
    }
    Ok({"verify", package});
}

TEST_F(DpftoolTest, AKilledCompactLeavesNothingBeside) {
    int h = IStuffDPF->Create((dir / "p.dpf").c_str());
    Add(h, "big", "T", 1, RandomBytes(32 << 20));
    Add(h, "kept", "T", 1, "kept");
    DPFBlock big = Block("gone", "T", 1, RandomBytes(1 << 20));
    IStuffDPF->AddData(h, &big);
    IStuffDPF->Delete(h, &big);
    IStuffDPF->Close(h);
    const std::string before = ReadFile(dir / "p.dpf");

    Background compact({"compact", "p.dpf"}, dir.path());
    const pid_t pid = compact.pid();
    compact.WaitUntil([&] { return BytesWritten(pid) > (1 << 20); });
    compact.Kill(SIGKILL);
    EXPECT_EQ((std::vector<std::string>{"p.dpf"}), Entries(dir.path()));
    const std::string after = ReadFile(dir / "p.dpf");
    if (after.size() == before.size()) {
        EXPECT_EQ(before, after); // not compacted yet: as it was
    }
    EXPECT_EQ("kept", Ok({"extract", "p.dpf", "kept", "T"}));
}

TEST_F(DpftoolTest, NoOutputIsWrittenThroughTheWrongFile) {
    MakePackage(dir / "p.dpf", {"a", "b"});
    const std::string package = ReadFile(dir / "p.dpf");
    // extract into the package itself, by any of its names.
    ASSERT_EQ(0, link((dir / "p.dpf").c_str(), (dir / "alias.dpf").c_str()));
    for (const char *out : {"p.dpf", "./p.dpf", "alias.dpf"}) {
        RunResult r = Tool({"extract", "p.dpf", "a", "T", out});
        EXPECT_EQ(1, r.status) << out;
        EXPECT_EQ("dpftool: " + std::string(out) + ": the output is the package itself\n", r.err);
    }
    EXPECT_EQ(package, ReadFile(dir / "p.dpf"));

    // extract-all never follows a link or a second name out of DIR.
    mkdir((dir / "outside").c_str(), 0777);
    WriteFile(dir / "outside/a", "outside");
    WriteFile(dir / "victim", "victim");
    mkdir((dir / "out").c_str(), 0777);
    ASSERT_EQ(0, symlink("../outside", (dir / "out/T").c_str()));
    RunResult r = Tool({"extract-all", "p.dpf", "out"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("out/T: a symbolic link, not followed")) << r.err;
    unlink((dir / "out/T").c_str());
    mkdir((dir / "out/T").c_str(), 0777);
    ASSERT_EQ(0, symlink("../../victim", (dir / "out/T/a").c_str()));
    ASSERT_EQ(0, link((dir / "victim").c_str(), (dir / "out/T/b").c_str()));
    r = Tool({"extract-all", "p.dpf", "out"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("out/T/a: a symbolic link, not followed")) << r.err;
    EXPECT_NE(std::string::npos,
              r.err.find("out/T/b: a file with other names (hard links), not written through"));
    EXPECT_EQ("outside", ReadFile(dir / "outside/a"));
    EXPECT_EQ("victim", ReadFile(dir / "victim"));
}

TEST_F(DpftoolTest, FifosAreRefusedNotWaitedFor) {
    ASSERT_EQ(0, mkfifo((dir / "p.dpf").c_str(), 0666));
    WriteFile(dir / "f", "x");
    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>>{{"list", "p.dpf"},
                                               {"info", "p.dpf"},
                                               {"verify", "p.dpf"},
                                               {"repair", "p.dpf"},
                                               {"extract", "p.dpf", "a", "T"},
                                               {"extract-all", "p.dpf", "out"},
                                               {"add", "p.dpf", "a", "T", "f"},
                                               {"delete", "p.dpf", "a", "T"},
                                               {"compact", "p.dpf"},
                                               {"update", "p.dpf"},
                                               {"add-image", "q.dpf", "i", "p.dpf"}}) {
        RunResult r = Tool(args, "", 10);
        EXPECT_EQ(1, r.status) << args[0];
        EXPECT_NE(std::string::npos, r.err.find("not a regular file")) << args[0] << r.err;
    }
    // The launcher's own package: it ends with its start-up error.
    ASSERT_EQ(0, rename((dir / "p.dpf").c_str(), (dir / "setup.dpf").c_str()));
    RunResult r = testing_support::Run({Program("setup")}, dir.path(), "", {}, 20);
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, ReadFile(dir / "Setup.log").find("Error code: 1"));
}

TEST_F(DpftoolTest, NamesReachTheTerminalEscaped) {
    int h = IStuffDPF->Create((dir / "p.dpf").c_str());
    Add(h, "title\x1B]0;owned\x07\x1B[2J", "T", 1, "x");
    Add(h, "caf\xE9", "T\x9B\x81", 1, "y"); // a 1252 letter, a quote mark, no character
    IStuffDPF->Close(h);
    const std::string list = Ok({"list", "p.dpf"});
    EXPECT_EQ(std::string::npos, list.find('\x1B'));
    EXPECT_EQ("title\\x1B]0;owned\\x07\\x1B[2J    T       stored              1          1\n"
              "caf\xC3\xA9                            T\xE2\x80\xBA\\x81  stored              1    "
              "      1\n",
              list);
}

TEST_F(DpftoolTest, DeleteOnAReadOnlyPackageSaysSo) {
    MakePackage(dir / "p.dpf", {"a"});
    chmod((dir / "p.dpf").c_str(), 0444);
    std::vector<std::string> args = {Program("dpftool"), "delete", "p.dpf", "a", "T"};
    if (geteuid() == 0) { // root writes anyway: run as nobody
        chmod(dir.path().c_str(), 0755);
        args.insert(args.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    }
    RunResult r = testing_support::Run(args, dir.path());
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("dpftool: p.dpf: the DPF was opened in read only mode.\n", r.err);
}
