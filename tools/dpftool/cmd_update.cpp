// dpftool update: converts a version 3.0 package to version 4.0.
#include "command.h"

#include <cstdio>
#include <unistd.h>

namespace {
int Run(int argc, char **argv) {
    dpftool::Args args("update", argc, argv, {}, 1, 1);
    if (!args.ok()) return args.status();
    const char *path = args[0];
    dpftool::Sdk sdk;
    int fd = IStuffDPF->Update3to4(path);
    if (fd <= 0) return dpftool::Fail("%s: %s", path, dpftool::SdkReason().c_str());
    close(fd);
    return dpftool::kOk;
}
} // namespace

DPFTOOL_COMMAND("update", "update PACKAGE", Run);
