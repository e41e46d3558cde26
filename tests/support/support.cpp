#include "support.h"

#include <quenlar/core/clock.h>
#include <quenlar/core/log.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace testing_support {

// ---------------------------------------------------------------------------
// Files and directories
// ---------------------------------------------------------------------------
TempDir::TempDir() {
    char cwd[4096];
    previous_ = getcwd(cwd, sizeof cwd) ? cwd : "/";
    const char *base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quenlar-test-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
    path_ = name.data();
    if (chdir(path_.c_str()) != 0) throw std::runtime_error("chdir failed");
}

namespace {
int RemoveEntry(const char *path, const struct stat *, int, struct FTW *) {
    return remove(path);
}
} // namespace

TempDir::~TempDir() {
    if (chdir(previous_.c_str()) != 0) return;
    // Leave the directory when asked, for looking at what a failed test made.
    if (!getenv("QUENLAR_KEEP_TEMP")) nftw(path_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
}

bool FileExists(const std::string &path) {
    return access(path.c_str(), F_OK) == 0;
}

// ---------------------------------------------------------------------------
// Fake clock
// ---------------------------------------------------------------------------
namespace {
Uint32 g_fakeNow = 0;
Uint32 FakeTicks() {
    return g_fakeNow;
}
void FakeDelay(Uint32 ms) {
    g_fakeNow += ms;
}
} // namespace

FakeClock::FakeClock(Uint32 start) {
    g_fakeNow = start;
    QuenlarSetClock(FakeTicks, FakeDelay);
}
FakeClock::~FakeClock() {
    QuenlarSetClock(nullptr, nullptr);
}
void FakeClock::Set(Uint32 ms) {
    g_fakeNow = ms;
}
void FakeClock::Advance(Uint32 ms) {
    g_fakeNow += ms;
}
Uint32 FakeClock::Now() const {
    return g_fakeNow;
}

// ---------------------------------------------------------------------------
// Log capture
// ---------------------------------------------------------------------------
LogCapture::LogCapture(int level, const std::string &file) : file_(file) {
    ILogSystem.Init(file_.c_str(), LOG_NEWFILE, (Sint8)level, "test");
}

LogCapture::~LogCapture() {
    ILogSystem.Close();
}

std::string LogCapture::Text() const {
    return ReadFile(file_);
}

std::string LogCapture::Body() const {
    std::string text = Text();
    size_t start = mark_;
    if (start == std::string::npos) {
        size_t at = text.find(" . Executing at ");
        start = at == std::string::npos ? 0 : text.find('\n', at) + 1;
    }
    return start <= text.size() ? text.substr(start) : std::string();
}

void LogCapture::Mark() {
    mark_ = Text().size();
}

// ---------------------------------------------------------------------------
// Child processes
// ---------------------------------------------------------------------------
namespace {
// "NAME=value" sets a variable, a bare "NAME" removes it (in the child).
void SetEnvironment(const std::vector<std::string> &env) {
    for (const std::string &e : env) {
        if (e.find('=') == std::string::npos)
            unsetenv(e.c_str());
        else
            putenv(strdup(e.c_str()));
    }
}

// In a forked child: moves to `cwd`, adjusts the environment and becomes
// argv[0] (looked up along PATH); 126 or 127 when that fails.
[[noreturn]] void ExecInChild(const std::vector<std::string> &argv, const std::string &cwd,
                              const std::vector<std::string> &env) {
    if (chdir(cwd.c_str()) != 0) _exit(126);
    SetEnvironment(env);
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Reads what the child writes to both pipes while feeding it its input.
void Pump(int in, int out, int err, const std::string &input, RunResult &result, pid_t pid,
          int timeoutSeconds) {
    size_t written = 0;
    if (input.empty()) close(in), in = -1;
    time_t deadline = time(nullptr) + timeoutSeconds;
    char buffer[4096];
    while (out >= 0 || err >= 0) {
        struct pollfd fds[3];
        int n = 0;
        if (out >= 0) fds[n++] = {out, POLLIN, 0};
        if (err >= 0) fds[n++] = {err, POLLIN, 0};
        if (in >= 0) fds[n++] = {in, POLLOUT, 0};
        if (time(nullptr) > deadline) {
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, n, 200) <= 0) continue;
        for (int i = 0; i < n; ++i) {
            if (!fds[i].revents) continue;
            int fd = fds[i].fd;
            if (fd == in) {
                ssize_t w = write(in, input.data() + written, input.size() - written);
                if (w > 0) written += (size_t)w;
                if (w < 0 || written == input.size()) close(in), in = -1;
                continue;
            }
            ssize_t r = read(fd, buffer, sizeof buffer);
            if (r > 0) {
                (fd == out ? result.out : result.err).append(buffer, (size_t)r);
            } else {
                close(fd);
                (fd == out ? out : err) = -1;
            }
        }
    }
    if (in >= 0) close(in);
    if (out >= 0) close(out);
    if (err >= 0) close(err);
}
} // namespace

RunResult Run(const std::vector<std::string> &argv, const std::string &cwd,
              const std::string &input, const std::vector<std::string> &env, int timeoutSeconds) {
    RunResult result;
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) return result;
    signal(SIGPIPE, SIG_IGN);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0), dup2(out[1], 1), dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            close(fd);
        ExecInChild(argv, cwd, env);
    }
    close(in[0]), close(out[1]), close(err[1]);
    Pump(in[1], out[0], err[0], input, result, pid, timeoutSeconds);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Program(const std::string &name) {
    return std::string(QUENLAR_BIN_DIR) + "/" + name;
}

std::string ArtifactPath(const std::string &name) {
    std::string dir = std::string(QUENLAR_BIN_DIR) + "/../test-artifacts";
    mkdir(dir.c_str(), 0777);
    return dir + "/" + name;
}

// ---------------------------------------------------------------------------
// Programs beside the test
// ---------------------------------------------------------------------------
ChildProcess::ChildProcess(const std::vector<std::string> &argv, const std::string &cwd,
                           const std::vector<std::string> &env) {
    pid_ = fork();
    if (pid_ == 0) {
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        ExecInChild(argv, cwd, env);
    }
}

ChildProcess::~ChildProcess() {
    if (Running()) {
        kill(pid_, SIGKILL);
        Wait(5);
    }
}

bool ChildProcess::Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == 0) return true;
    if (done == pid_) status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
    return false;
}

int ChildProcess::Wait(int timeoutSeconds) {
    // Polled, so that a hung program cannot hang the test.
    for (int i = 0; i < timeoutSeconds * 20 && Running(); ++i)
        usleep(50 * 1000);
    if (Running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return -1;
    }
    return status_;
}

// ---------------------------------------------------------------------------
// Virtual X server
// ---------------------------------------------------------------------------
XServer::XServer(const std::string &screen) {
    if (access("/usr/bin/Xvfb", X_OK) != 0) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    // Xvfb picks a free display and writes its number to the pipe.
    server_.reset(new ChildProcess({"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]),
                                    "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}));
    close(fds[1]);
    std::string number;
    struct pollfd fd = {fds[0], POLLIN, 0};
    char c;
    while (poll(&fd, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
}

XServer::~XServer() = default;

RunResult XServer::Client(const std::vector<std::string> &argv, int timeoutSeconds) const {
    return Run(argv, ".", "", {"DISPLAY=" + display_}, timeoutSeconds);
}

std::string XServer::FindWindow(const std::string &name, int seconds) const {
    // --sync waits for the window; the timeout ends the wait.
    RunResult search = Client({"xdotool", "search", "--sync", "--name", name}, seconds);
    if (search.status != 0) return "";
    return search.out.substr(0, search.out.find('\n'));
}

bool XServer::Screenshot(const std::string &window, const std::string &path) const {
    return Client({"import", "-window", window, "PNG24:" + path}).status == 0;
}

bool PushInputEvent(Uint8 type, Uint8 button, SDLKey key) {
    SDL_Event e = {};
    e.type = type;
    if (type == SDL_MOUSEBUTTONDOWN || type == SDL_MOUSEBUTTONUP) {
        e.button.button = button;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    } else {
        e.key.keysym.sym = key;
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    }
    return SDL_PushEvent(&e) == 0;
}

} // namespace testing_support
