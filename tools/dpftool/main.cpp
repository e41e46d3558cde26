// dpftool: makes and inspects data packages. Each command is a file of
// this folder that registers itself (see command.h).
#include "command.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
void PrintUsage(FILE *out) {
    fprintf(out, "usage: dpftool [-v] COMMAND ARGUMENTS...\n\ncommands:\n");
    for (const dpftool::Command &c : dpftool::Commands())
        fprintf(out, "  dpftool %s\n", c.usage);
    fprintf(out,
            "\n-v writes the SDK log to stderr; --parents lets a command that creates a "
            "package make\nits missing folders; \"dpftool help COMMAND\" shows one command.\n");
}
} // namespace

int main(int argc, char **argv) {
    // A file-size limit makes a write fail (and be undone) instead of
    // killing the program in the middle of it.
    signal(SIGXFSZ, SIG_IGN);
    int at = 1;
    for (; at < argc && argv[at][0] == '-'; ++at) {
        std::string option = argv[at];
        if (option == "-v" || option == "--verbose") {
            dpftool::EnableVerboseLog();
        } else if (option == "--parents") {
            dpftool::AllowParents();
        } else if (option == "-h" || option == "--help") {
            PrintUsage(stdout);
            return dpftool::kOk;
        } else {
            fprintf(stderr, "dpftool: unknown option '%s'\n", option.c_str());
            PrintUsage(stderr);
            return dpftool::kUsage;
        }
    }
    if (at >= argc) {
        PrintUsage(stderr);
        return dpftool::kUsage;
    }
    std::string name = argv[at];
    if (name == "help") {
        if (at + 1 < argc) {
            if (const dpftool::Command *c = dpftool::FindCommand(argv[at + 1])) {
                printf("usage: dpftool %s\n", c->usage);
                return dpftool::kOk;
            }
            fprintf(stderr, "dpftool: unknown command '%s'\n", argv[at + 1]);
            return dpftool::kUsage;
        }
        PrintUsage(stdout);
        return dpftool::kOk;
    }
    const dpftool::Command *command = dpftool::FindCommand(name);
    if (!command) {
        fprintf(stderr, "dpftool: unknown command '%s'\n", name.c_str());
        PrintUsage(stderr);
        return dpftool::kUsage;
    }
    return command->run(argc - at - 1, argv + at + 1);
}
