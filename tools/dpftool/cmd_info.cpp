// dpftool info: what the info header says, and block counts.
#include "command.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {
struct Counts {
    unsigned live = 0, deleted = 0;
    unsigned long long wasted = 0; // deleted blocks and anything between blocks
};

Counts CountBlocks(const std::vector<dpftool::BlockInfo> &blocks, unsigned long long length) {
    Counts counts;
    unsigned long long used = dpftool::HeadBytes();
    for (const dpftool::BlockInfo &b : blocks) {
        if (dpftool::IsDeleted(b.block)) {
            ++counts.deleted;
        } else {
            ++counts.live;
            used += dpftool::BlockBytes(b.block);
        }
    }
    counts.wasted = length > used ? length - used : 0;
    return counts;
}

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
    // The block headers of a protected archive are enciphered under a key
    // this tool does not have: only the info header can be read.
    std::vector<dpftool::BlockInfo> blocks;
    bool complete = info.protect || dpftool::ListBlocks(handle, blocks);
    IStuffDPF->Close(handle);
    const Counts counts = CountBlocks(blocks, info.length);

    if (args.Has("--json")) {
        std::string numbers = "null", deleted = "null", wasted = "null";
        if (!info.protect) {
            numbers = std::to_string(counts.live);
            deleted = std::to_string(counts.deleted);
            wasted = std::to_string(counts.wasted);
        }
        printf("{\"version\": %s, \"creator\": %s, \"created\": %s, \"modified\": %s, "
               "\"protected\": %s, \"crc_stored\": %u, \"crc_computed\": %u, \"blocks\": %s, "
               "\"deleted\": %s, \"wasted\": %s}\n",
               dpftool::JsonString(info.version).c_str(), dpftool::JsonString(info.creator).c_str(),
               dpftool::JsonString(info.created).c_str(),
               dpftool::JsonString(info.modified).c_str(), info.protect ? "true" : "false",
               info.crc, info.crcNow, numbers.c_str(), deleted.c_str(), wasted.c_str());
    } else {
        printf("version:    %s\n", dpftool::Printable(info.version).c_str());
        printf("creator:    %s\n", dpftool::Printable(info.creator).c_str());
        printf("created:    %s\n", dpftool::Printable(info.created).c_str());
        printf("modified:   %s\n", dpftool::Printable(info.modified).c_str());
        printf("protected:  %s\n", info.protect ? "yes" : "no");
        printf("crc:        %08X stored, %08X computed (%s)\n", info.crc, info.crcNow,
               info.crc == info.crcNow ? "ok" : "MISMATCH");
        if (info.protect) {
            printf("blocks:     not readable: the block headers are enciphered under the "
                   "archive's key\n");
        } else {
            printf("blocks:     %u live, %u deleted\n", counts.live, counts.deleted);
            printf("wasted:     %llu bytes\n", counts.wasted);
        }
    }
    if (info.crc != info.crcNow) dpftool::SuggestRepair(args[0]);
    if (!complete)
        return dpftool::Fail("%s: the package is damaged after its last readable block", args[0]);
    return dpftool::kOk;
}
} // namespace

DPFTOOL_COMMAND("info", "info PACKAGE [--json]", Run);
