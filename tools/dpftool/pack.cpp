// dpftool pack: a whole package from a manifest in one step. A manifest is
// an XML list of importer commands, one element per block, run in order
// through dpftool's own command table, so every importer (a command named
// "add" or "add-...") works in it as it does on the command line:
//
//   <?xml version="1.0"?>
//   <manifest>
//     <add name="layout.xml" source="FILE layout.xml"/>
//     <add-image name="game_bggeneral" source="art/general.png" bpp="16"/>
//     <add-font name="game_font" ttf="fonts/Game.ttf" size="12"/>
//   </manifest>
//
// An element runs as `dpftool ELEMENT PACKAGE NAME SOURCE... --ATTRIBUTE=VALUE...`:
// `name` is the block's name, `source` what the command takes after it
// (separated by blanks; double quotes keep blanks inside one), and every
// other attribute an option (an empty value gives the bare option:
// replace=""). Each importer runs in a process of its own, in the
// manifest's folder, so relative paths, in `source` or in options, are
// relative to it.
//
// The package is built beside PACKAGE under a temporary name and renamed
// over it only when every entry succeeded: a failure names its entry and
// leaves PACKAGE as it was.
#include "command.h"

#include <tinyxml.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const char kCommand[] = "pack";

// One element of the manifest: an importer run.
struct Entry {
    int line = 0;
    std::string command;
    std::vector<std::string> operands; // NAME, then the source operands
    std::vector<std::string> options;  // "--bpp=16", "--replace"
};

// "a b "c d"" -> a, b, c d.
bool SplitSource(const char *text, std::vector<std::string> &out) {
    std::string word;
    bool quoted = false, inWord = false;
    for (const char *p = text; *p; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r')) {
            if (inWord) out.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += *p;
            inWord = true;
        }
    }
    if (inWord) out.push_back(word);
    return !quoted;
}

// Importers are the commands that add blocks; others (create, delete, pack
// itself) have no place in a list of blocks.
bool IsImporter(const std::string &command) {
    return command == "add" || command.compare(0, 4, "add-") == 0;
}

// ---- Reading the manifest -----------------------------------------------------------
// Every entry of `path`, checked before anything is built. Prints the
// first fault as "MANIFEST:LINE: ..." and returns false.
bool ReadManifest(const std::string &path, std::vector<Entry> &entries) {
    std::string text;
    if (!dpftool::ReadWholeFile(path, text)) {
        dpftool::Fail("%s: cannot be read: %s", path.c_str(), strerror(errno));
        return false;
    }
    TiXmlDocument doc;
    doc.Parse(text.c_str());
    if (doc.Error()) {
        dpftool::Fail("%s:%d: %s", path.c_str(), doc.ErrorRow(), doc.ErrorDesc());
        return false;
    }
    const TiXmlElement *root = doc.RootElement();
    if (!root || strcmp(root->Value(), "manifest") != 0) {
        dpftool::Fail("%s: the root element must be <manifest>", path.c_str());
        return false;
    }
    for (const TiXmlElement *e = root->FirstChildElement(); e; e = e->NextSiblingElement()) {
        Entry entry;
        entry.line = e->Row();
        entry.command = e->Value();
        const char *where = path.c_str();
        if (!dpftool::FindCommand(entry.command)) {
            dpftool::Fail("%s:%d: unknown command '%s'", where, entry.line, e->Value());
            return false;
        }
        if (!IsImporter(entry.command)) {
            dpftool::Fail("%s:%d: '%s' is not an importer (only add and add-... commands)", where,
                          entry.line, e->Value());
            return false;
        }
        const char *name = e->Attribute("name");
        if (!name) {
            dpftool::Fail("%s:%d: %s has no name", where, entry.line, e->Value());
            return false;
        }
        entry.operands.push_back(name);
        for (const TiXmlAttribute *a = e->FirstAttribute(); a; a = a->Next()) {
            const std::string key = a->Name();
            if (key == "name") continue;
            if (key == "source") {
                if (!SplitSource(a->Value(), entry.operands)) {
                    dpftool::Fail("%s:%d: unbalanced quote in source", where, entry.line);
                    return false;
                }
            } else {
                entry.options.push_back(*a->Value() ? "--" + key + "=" + a->Value() : "--" + key);
            }
        }
        entries.push_back(entry);
    }
    return true;
}

// ---- Running -------------------------------------------------------------------------
// Runs a registered command as if from the command line, in `folder`, in a
// child process: importers keep process-wide state (SDL, the mixer's
// decoders, TrueType) that a second run in one process must not inherit,
// and a crash ends only the child. The exit status; a command that did not
// exit fails with the reason in `why`.
int RunCommand(const std::string &command, const std::vector<std::string> &arguments,
               const std::string &folder, std::string &why) {
    fflush(stdout);
    fflush(stderr);
    const pid_t pid = fork();
    if (pid < 0) {
        why = std::string("no process for it: ") + strerror(errno);
        return dpftool::kFailed;
    }
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) {
            dpftool::Fail("%s: %s", folder.c_str(), strerror(errno));
            exit(dpftool::kFailed);
        }
        std::vector<std::string> words = arguments; // the commands take char **
        std::vector<char *> argv;
        for (std::string &w : words)
            argv.push_back(&w[0]);
        argv.push_back(nullptr);
        exit(dpftool::FindCommand(command)->run((int)words.size(), argv.data()));
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    why = WIFSIGNALED(status) ? std::string("killed by signal ") + std::to_string(WTERMSIG(status))
                              : std::string("it did not end normally");
    return dpftool::kFailed;
}

std::string FolderOf(const std::string &path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Absolute(const std::string &path) {
    if (!path.empty() && path[0] == '/') return path;
    char *cwd = getcwd(nullptr, 0);
    std::string absolute = cwd ? std::string(cwd) + "/" + path : path;
    free(cwd);
    return absolute;
}

// The package being built: a new file beside the target, removed again
// unless Commit renamed it over the target.
class ScratchPackage {
public:
    explicit ScratchPackage(const std::string &target) : target_(target) {
        const size_t slash = target.rfind('/');
        const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
        path_ = FolderOf(target) + "/." + base + ".pack-XXXXXX";
        const int fd = mkstemp(&path_[0]);
        if (fd < 0) {
            path_.clear();
            return;
        }
        // mkstemp makes the file private; the package gets a new file's mode.
        const mode_t mask = umask(0);
        umask(mask);
        if (fchmod(fd, 0666 & ~mask) != 0) perror("dpftool pack: file mode");
        close(fd);
    }
    ~ScratchPackage() {
        if (!path_.empty()) unlink(path_.c_str());
    }
    ScratchPackage(const ScratchPackage &) = delete;
    ScratchPackage &operator=(const ScratchPackage &) = delete;
    bool ok() const { return !path_.empty(); }
    const std::string &path() const { return path_; }
    bool Commit() {
        if (rename(path_.c_str(), target_.c_str()) != 0) return false;
        path_.clear();
        return true;
    }

private:
    std::string target_, path_;
};

int Run(int argc, char **argv) {
    dpftool::Args args(kCommand, argc, argv, {}, 2, 2);
    if (!args.ok()) return args.status();
    const std::string manifest = args[0], package = Absolute(args[1]);

    std::vector<Entry> entries;
    if (!ReadManifest(manifest, entries)) return dpftool::kFailed;

    ScratchPackage scratch(package);
    if (!scratch.ok())
        return dpftool::Fail("%s: cannot write beside it: %s", args[1], strerror(errno));
    std::string why;
    if (RunCommand("create", {scratch.path(), "--force"}, ".", why) != dpftool::kOk)
        return dpftool::Fail("%s: the package cannot be created %s", args[1], why.c_str());
    const std::string folder = FolderOf(manifest);
    for (const Entry &e : entries) {
        std::vector<std::string> arguments = {scratch.path()};
        arguments.insert(arguments.end(), e.operands.begin(), e.operands.end());
        arguments.insert(arguments.end(), e.options.begin(), e.options.end());
        if (RunCommand(e.command, arguments, folder, why) != dpftool::kOk)
            return dpftool::Fail("%s:%d: %s '%s' failed%s%s; %s was not written", manifest.c_str(),
                                 e.line, e.command.c_str(), e.operands[0].c_str(),
                                 why.empty() ? "" : ": ", why.c_str(), args[1]);
    }
    if (!scratch.Commit())
        return dpftool::Fail("%s: cannot be written: %s", args[1], strerror(errno));
    printf("%s: %zu entries packed from %s\n", args[1], entries.size(), manifest.c_str());
    return dpftool::kOk;
}

} // namespace

DPFTOOL_COMMAND("pack", "pack MANIFEST PACKAGE", Run);
