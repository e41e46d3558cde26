// dpftool verify: the checksum, and every block read and decoded.
#include "command.h"

#include <cstdio>

namespace {
int Run(int argc, char **argv) {
    dpftool::Args args("verify", argc, argv, {}, 1, 1);
    if (!args.ok()) return args.status();
    const char *path = args[0];
    dpftool::Sdk sdk;
    int handle =
        dpftool::OpenPackage(path, dpftool::kReadOnly | dpftool::kInspect | dpftool::kNeedBlocks);
    if (!handle) return dpftool::kFailed;

    int faults = 0;
    DPFInfo info;
    if (!IStuffDPF->GetInfo(handle, &info)) {
        ++faults;
        dpftool::Fail("%s: the info header cannot be read", path);
    } else if (info.crc != info.crcNow) {
        ++faults;
        dpftool::Fail("%s: checksum mismatch: %08X stored, %08X computed", path, info.crc,
                      info.crcNow);
        dpftool::SuggestRepair(path);
    }
    int damaged = 0, checked = 0;
    if (!dpftool::CheckBlocks(handle, path, &damaged, &checked)) {
        ++faults;
        dpftool::Fail("%s: damaged data after block %d (the scan cannot go on)", path, checked);
    }
    faults += damaged;
    IStuffDPF->Close(handle);
    if (faults) return dpftool::kFailed;
    printf("%s: ok, %d blocks\n", path, checked);
    return dpftool::kOk;
}
} // namespace

DPFTOOL_COMMAND("verify", "verify PACKAGE", Run);
