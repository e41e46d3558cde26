// dpftool compact: rewrites a package without its deleted blocks.
#include "command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {
int Run(int argc, char **argv) {
    dpftool::Args args("compact", argc, argv, {}, 1, 1);
    if (!args.ok()) return args.status();
    const char *path = args[0];
    struct stat before, after;
    if (stat(path, &before) != 0) return dpftool::Fail("%s: %s", path, strerror(errno));
    dpftool::Sdk sdk;
    if (!IStuffDPF->Compact(path)) return dpftool::FailWithSdkReason(path);
    if (stat(path, &after) == 0)
        printf("%s: %lld bytes, was %lld\n", path, (long long)after.st_size,
               (long long)before.st_size);
    return dpftool::kOk;
}
} // namespace

DPFTOOL_COMMAND("compact", "compact PACKAGE", Run);
