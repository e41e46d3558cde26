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
    }

    int checked = 0;
    DPFBlock b;
    int r = IStuffDPF->FindFirst(handle, &b);
    for (; r == 1; r = IStuffDPF->FindNext(handle, &b)) {
        if (dpftool::IsDeleted(b)) continue;
        ++checked;
        if (b.size == 0) continue; // nothing to read or decode
        DPFBlock loaded;
        if (IStuffDPF->LoadFound(handle, &loaded) <= 0) {
            ++faults;
            dpftool::Fail("%s: block '%s' (%s) at offset %lld: %s", path, b.name, b.type,
                          IStuffDPF->GetBlockOffset(), dpftool::SdkReason().c_str());
            continue;
        }
        delete[] loaded.data;
    }
    if (r != 0) {
        ++faults;
        dpftool::Fail("%s: damaged data after block %d (the scan cannot go on)", path, checked);
    }
    IStuffDPF->Close(handle);
    if (faults) return dpftool::kFailed;
    printf("%s: ok, %d blocks\n", path, checked);
    return dpftool::kOk;
}
} // namespace

DPFTOOL_COMMAND("verify", "verify PACKAGE", Run);
