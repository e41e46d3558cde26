// dpftool add: a file's bytes as a new block.
#include "command.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace {
int Run(int argc, char **argv) {
    dpftool::Args args("add", argc, argv, {{"--mode", true}, {"--replace", false}}, 4, 4);
    if (!args.ok()) return args.status();
    const char *path = args[0], *name = args[1], *type = args[2], *file = args[3];
    int mode = dpftool::ModeFromName(args.Value("--mode", "compressed"));
    if (mode < 0) return dpftool::UsageError("add", "unknown mode '%s'", args.Value("--mode"));
    if (!*name || strlen(name) > 31)
        return dpftool::UsageError("add", "NAME must have 1 to 31 characters");
    if (!*type || strlen(type) > 7)
        return dpftool::UsageError("add", "TYPE must have 1 to 7 characters");

    std::string data;
    if (!dpftool::ReadWholeFile(file, data)) return dpftool::Fail("%s: %s", file, strerror(errno));
    if (data.size() > 0x7FFFFFFFu)
        return dpftool::Fail("%s: the file is too large for a block", file);

    dpftool::Sdk sdk;
    return dpftool::StoreBlock(path, name, type, mode, data.data(), data.size(),
                               args.Has("--replace"));
}
} // namespace

DPFTOOL_COMMAND("add",
                "add PACKAGE NAME TYPE FILE [--mode compressed|stored|scrambled] [--replace] "
                "[--parents]",
                Run);
