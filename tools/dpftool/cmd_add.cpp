// dpftool add: a file's bytes as a new block.
#include "command.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>

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
    struct stat st;
    int handle;
    if (stat(path, &st) == 0) {
        handle = dpftool::OpenPackage(path, dpftool::kModify);
    } else if ((handle = IStuffDPF->Create(path)) <= 0) {
        handle = 0;
        dpftool::Fail("%s: %s", path, dpftool::SdkReason().c_str());
    }
    if (!handle) return dpftool::kFailed;

    DPFBlock block;
    memset(&block, 0, sizeof block);
    strcpy(block.name, name);
    strcpy(block.type, type);
    block.mode = (unsigned char)mode;
    block.size = (unsigned int)data.size();
    block.data = &data[0];
    if (args.Has("--replace")) {
        DPFBlock old = block;
        if (IStuffDPF->Find(handle, &old) == 1) IStuffDPF->Delete(handle, &old);
    }
    int r = IStuffDPF->AddData(handle, &block);
    // A stored block of 0 bytes reports 0 like a failure; it is there all the same.
    DPFBlock check = block;
    bool added =
        r > 0 || (r == 0 && block.size == 0 && mode != 0 && IStuffDPF->Find(handle, &check) == 1);
    std::string reason = added || r == -1 ? "" : dpftool::SdkReason();
    IStuffDPF->Close(handle);
    if (r == -1)
        return dpftool::Fail("%s: a block '%s' of type '%s' exists already (use --replace)", path,
                             name, type);
    if (!added) return dpftool::Fail("%s: %s", path, reason.c_str());
    return dpftool::kOk;
}
} // namespace

DPFTOOL_COMMAND("add",
                "add PACKAGE NAME TYPE FILE [--mode compressed|stored|scrambled] [--replace]", Run);
