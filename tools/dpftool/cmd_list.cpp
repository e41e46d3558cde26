// dpftool list: the blocks of a package in file order.
#include "command.h"

#include <cstdio>
#include <vector>

namespace {
void PrintText(const std::vector<dpftool::BlockInfo> &blocks) {
    for (const dpftool::BlockInfo &info : blocks) {
        const DPFBlock &b = info.block;
        printf("%-31s %-7s %-10s %10u %10u%s\n", b.name, b.type, dpftool::ModeName(b.mode).c_str(),
               b.size, b.storedSize, dpftool::IsDeleted(b) ? "  deleted" : "");
    }
}

void PrintJson(const std::vector<dpftool::BlockInfo> &blocks) {
    printf("[");
    const char *separator = "\n";
    for (const dpftool::BlockInfo &info : blocks) {
        const DPFBlock &b = info.block;
        printf("%s  {\"name\": %s, \"type\": %s, \"mode\": %u, \"size\": %u, \"stored\": %u, "
               "\"offset\": %lld}",
               separator, dpftool::JsonString(b.name).c_str(), dpftool::JsonString(b.type).c_str(),
               b.mode, b.size, b.storedSize, info.offset);
        separator = ",\n";
    }
    printf(blocks.empty() ? "]\n" : "\n]\n");
}

int Run(int argc, char **argv) {
    dpftool::Args args("list", argc, argv, {{"--json", false}}, 1, 1);
    if (!args.ok()) return args.status();
    dpftool::Sdk sdk;
    int handle = dpftool::OpenPackage(args[0], dpftool::kReadOnly | dpftool::kInspect |
                                                   dpftool::kNeedBlocks);
    if (!handle) return dpftool::kFailed;
    std::vector<dpftool::BlockInfo> blocks;
    bool complete = dpftool::ListBlocks(handle, blocks);
    IStuffDPF->Close(handle);

    if (args.Has("--json"))
        PrintJson(blocks);
    else
        PrintText(blocks);
    if (!complete)
        return dpftool::Fail("%s: the package is damaged after the blocks listed", args[0]);
    return dpftool::kOk;
}
} // namespace

DPFTOOL_COMMAND("list", "list PACKAGE [--json]", Run);
