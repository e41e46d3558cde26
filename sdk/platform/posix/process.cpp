#include <quenlar/platform/process.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace qnl {
namespace platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsExecutableFile(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Waits for the process in a thread of its own, so that its exit status is
// collected whenever it ends and nothing is left as a zombie.
void ReapInBackground(pid_t pid) {
    std::thread([pid] {
        int status;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string &line) {
    std::vector<std::string> args;
    size_t i = 0, n = line.size();
    while (i < n && IsBlank(line[i]))
        ++i;
    if (i == n) return args;

    // The program name: quotes group, backslashes are path characters.
    std::string word;
    bool quoted = false;
    for (; i < n && (quoted || !IsBlank(line[i])); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else
            word += line[i];
    }
    args.push_back(word);

    for (;;) {
        while (i < n && IsBlank(line[i]))
            ++i;
        if (i == n) break;
        word.clear();
        quoted = false;
        while (i < n) {
            char c = line[i];
            if (c == '\\') {
                size_t run = line.find_first_not_of('\\', i);
                if (run == std::string::npos) run = n;
                size_t count = run - i;
                if (run < n && line[run] == '"') {
                    word.append(count / 2, '\\');
                    if (count % 2) {
                        word += '"'; // an escaped quote
                        i = run + 1;
                    } else {
                        i = run; // the quote groups, below
                    }
                } else {
                    word.append(count, '\\');
                    i = run;
                }
            } else if (c == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    word += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else if (!quoted && IsBlank(c)) {
                break;
            } else {
                word += c;
                ++i;
            }
        }
        args.push_back(word);
    }
    return args;
}

std::string FindProgram(const std::string &name) {
    if (name.empty()) return "";
    if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : "";
    if (IsExecutableFile("./" + name)) return "./" + name;

    const char *path = getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        size_t end = dirs.find(':', start);
        std::string dir =
            dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (IsExecutableFile(candidate)) return candidate;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return "";
}

bool StartProgram(const std::vector<std::string> &argv) {
    if (argv.empty()) return false;
    std::string file = FindProgram(argv[0]);
    if (file.empty()) return false;

    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);

    // The program starts clean: none of our descriptors beyond the standard
    // three, no blocked signals, default handling for those we may ignore,
    // and a session of its own, so it outlives us untouched.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGCHLD, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGALRM, SIGUSR1, SIGUSR2})
        sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef POSIX_SPAWN_SETSID
    flags |= POSIX_SPAWN_SETSID;
#endif
    posix_spawnattr_setflags(&attr, flags);

    pid_t pid;
    // glibc reports a failed exec here, so a program that cannot run is an
    // error of this call rather than of a child we never hear from.
    int error = posix_spawn(&pid, file.c_str(), &actions, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return false;
    ReapInBackground(pid);
    return true;
}

bool StartCommandLine(const char *commandLine) {
    if (!commandLine) return false;
    return StartProgram(SplitCommandLine(commandLine));
}

bool OpenWithAssociatedProgram(const char *text) {
    if (!text) return false;
    return StartProgram({"xdg-open", text});
}

} // namespace platform
} // namespace qnl
