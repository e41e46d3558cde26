// dpftool create: a new, empty package.
#include "command.h"

#include <quenlar/platform/fileio_private.h>

namespace {
int Run(int argc, char **argv) {
    dpftool::Args args("create", argc, argv, {{"--force", false}}, 1, 1);
    if (!args.ok()) return args.status();
    const char *path = args[0];
    if (qnl::platform::PathExists(path) && !args.Has("--force"))
        return dpftool::Fail("%s: the file exists (use --force to replace it)", path);
    if (dpftool::CheckPackageFolder(path) != dpftool::kOk) return dpftool::kFailed;

    dpftool::Sdk sdk;
    int handle = IStuffDPF->Create(path);
    if (handle <= 0) return dpftool::Fail("%s: %s", path, dpftool::SdkReason().c_str());
    IStuffDPF->Close(handle);
    return dpftool::kOk;
}
} // namespace

DPFTOOL_COMMAND("create", "create PACKAGE [--force] [--parents]", Run);
