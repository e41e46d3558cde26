// Shared helpers of the test programs.
#ifndef QUENLAR_TESTS_SUPPORT_H
#define QUENLAR_TESTS_SUPPORT_H

#include <SDL.h>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

// A fresh directory that becomes the working directory for the test's life;
// removed with its contents afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
    std::string previous_;
};

std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &bytes);
bool FileExists(const std::string &path);

// The engine's clock under the test's control: Delay advances it.
class FakeClock {
public:
    explicit FakeClock(Uint32 start = 1000);
    ~FakeClock();
    FakeClock(const FakeClock &) = delete;
    FakeClock &operator=(const FakeClock &) = delete;
    void Set(Uint32 ms);
    void Advance(Uint32 ms);
    Uint32 Now() const;
};

// Opens the global log on a file of the current directory and reads it back.
class LogCapture {
public:
    explicit LogCapture(int level = 5, const std::string &file = "capture.log");
    ~LogCapture();
    std::string Text() const; // the whole file
    std::string Body() const; // what follows the header
    // Forgets what was logged so far: Body() starts after this point.
    void Mark();

private:
    std::string file_;
    size_t mark_ = std::string::npos;
};

// A program's exit status (or -1 when it did not exit normally) and output.
struct RunResult {
    int status = -1;
    std::string out, err;
};
// Runs argv[0] with the arguments in `cwd`, feeding `input` to its stdin.
// `env` entries "NAME=value" are added to the environment, a bare "NAME"
// is removed from it. Call it qualified (testing_support::Run) inside a
// TEST, where gtest's own Run() hides it.
RunResult Run(const std::vector<std::string> &argv, const std::string &cwd = ".",
              const std::string &input = "", const std::vector<std::string> &env = {},
              int timeoutSeconds = 60);

// Path of a program built by the project (build/bin).
std::string Program(const std::string &name);

// A program running beside the test; killed if still running at the end.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string> &argv, const std::string &cwd = ".",
                 const std::vector<std::string> &env = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;
    bool Running();
    // The exit status, or -1 when it did not exit within the time (or was killed).
    int Wait(int timeoutSeconds);

private:
    int pid_ = -1;
    int status_ = -1;
};

// A virtual X server (Xvfb) for whole-window tests. Available() is false
// where Xvfb is not installed; tests then skip with a message.
class XServer {
public:
    explicit XServer(const std::string &screen = "800x600x24");
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;
    bool Available() const { return !display_.empty(); }
    const std::string &Display() const { return display_; } // e.g. ":12"
    // Runs an X client program (xdotool, import, ...) against this server.
    RunResult Client(const std::vector<std::string> &argv, int timeoutSeconds = 20) const;
    // The id of the first window whose name matches the regular expression
    // `name`, waiting up to `seconds` for one to appear; "" when none did.
    std::string FindWindow(const std::string &name, int seconds = 20) const;
    // Keeps what `window` shows as a 24-bit PNG file at `path`.
    bool Screenshot(const std::string &window, const std::string &path) const;

private:
    std::string display_;
    std::unique_ptr<ChildProcess> server_;
};

// Queues a mouse-button event (SDL_MOUSEBUTTONDOWN/UP with `button`) or a
// key event (SDL_KEYDOWN/UP with `key`) as SDL would deliver it; false when
// the queue refused it.
bool PushInputEvent(Uint8 type, Uint8 button, SDLKey key = SDLK_UNKNOWN);

// Where tests keep what a person may want to look at afterwards
// (screenshots): build/test-artifacts, created on demand.
std::string ArtifactPath(const std::string &name);

} // namespace testing_support

#endif
