// dpftool info: what the info header says, and block counts.
#include "command.h"

#include <cstdio>
#include <vector>

namespace {
int Run(int argc, char **argv) {
    dpftool::Args args("info", argc, argv, {{"--json", false}}, 1, 1);
    if (!args.ok()) return args.status();
    dpftool::Sdk sdk;
    // Unverified: a checksum mismatch is what info is there to show.
    int handle = dpftool::OpenPackage(args[0], dpftool::kReadOnly | dpftool::kInspect);
    if (!handle) return dpftool::kFailed;
    DPFInfo info;
    if (!IStuffDPF->GetInfo(handle, &info)) {
        IStuffDPF->Close(handle);
        return dpftool::Fail("%s: the info header cannot be read", args[0]);
    }
    std::vector<dpftool::BlockInfo> blocks;
    bool complete = dpftool::ListBlocks(handle, blocks);
    IStuffDPF->Close(handle);

    unsigned live = 0, deleted = 0;
    unsigned long long used = dpftool::HeadBytes();
    for (const dpftool::BlockInfo &b : blocks) {
        if (dpftool::IsDeleted(b.block)) {
            ++deleted;
        } else {
            ++live;
            used += dpftool::BlockBytes(b.block);
        }
    }
    // Deleted blocks and anything between blocks.
    unsigned long long wasted = info.length > used ? info.length - used : 0;

    if (args.Has("--json")) {
        printf("{\"version\": %s, \"creator\": %s, \"created\": %s, \"modified\": %s, "
               "\"protected\": %s, \"crc_stored\": %u, \"crc_computed\": %u, \"blocks\": %u, "
               "\"deleted\": %u, \"wasted\": %llu}\n",
               dpftool::JsonString(info.version).c_str(), dpftool::JsonString(info.creator).c_str(),
               dpftool::JsonString(info.created).c_str(),
               dpftool::JsonString(info.modified).c_str(), info.protect ? "true" : "false",
               info.crc, info.crcNow, live, deleted, wasted);
    } else {
        printf("version:    %s\n", info.version);
        printf("creator:    %s\n", info.creator);
        printf("created:    %s\n", info.created);
        printf("modified:   %s\n", info.modified);
        printf("protected:  %s\n", info.protect ? "yes" : "no");
        printf("crc:        %08X stored, %08X computed (%s)\n", info.crc, info.crcNow,
               info.crc == info.crcNow ? "ok" : "MISMATCH");
        printf("blocks:     %u live, %u deleted\n", live, deleted);
        printf("wasted:     %llu bytes\n", wasted);
    }
    if (!complete)
        return dpftool::Fail("%s: the package is damaged after its last readable block", args[0]);
    return dpftool::kOk;
}
} // namespace

DPFTOOL_COMMAND("info", "info PACKAGE [--json]", Run);
