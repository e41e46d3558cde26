// dpftool list: the blocks of a package in file order, resource blocks with
// a few words on what they hold.
#include "resource_kind.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {
struct Entry {
    dpftool::BlockInfo info;
    std::string kind; // the resource kind's description, or ""
};

// Only blocks of a known resource type are read, so listing a package of
// other blocks costs no payload reads.
std::string DescribeBlock(int handle, const DPFBlock &b) {
    const dpftool::ResourceKind *kind = dpftool::FindResourceKind(b.type);
    if (!kind || !kind->describe || dpftool::IsDeleted(b)) return "";
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    const int size = IStuffDPF->LoadBlock(handle, b.type, b.name, &block);
    std::string text =
        size > 0 ? kind->describe(reinterpret_cast<const unsigned char *>(block.data), size) : "";
    delete[] block.data;
    return text;
}

// Text for the terminal (a name could hold escape sequences), padded to
// `width` characters.
std::string Column(const char *text, size_t length, size_t width) {
    std::string out = dpftool::Printable(text, length);
    size_t characters = 0;
    for (unsigned char c : out)
        characters += (c & 0xC0) != 0x80; // UTF-8 continuation bytes add none
    if (characters < width) out.append(width - characters, ' ');
    return out;
}

void PrintText(const std::vector<Entry> &entries) {
    for (const Entry &e : entries) {
        const DPFBlock &b = e.info.block;
        printf("%s %s %-10s %10u %10u%s%s%s\n", Column(b.name, sizeof b.name, 31).c_str(),
               Column(b.type, sizeof b.type, 7).c_str(), dpftool::ModeName(b.mode).c_str(), b.size,
               b.storedSize, dpftool::IsDeleted(b) ? "  deleted" : "", e.kind.empty() ? "" : "  ",
               e.kind.c_str());
    }
}

void PrintJson(const std::vector<Entry> &entries) {
    printf("[");
    const char *separator = "\n";
    for (const Entry &e : entries) {
        const DPFBlock &b = e.info.block;
        printf("%s  {\"name\": %s, \"type\": %s, \"mode\": %u, \"size\": %u, \"stored\": %u, "
               "\"offset\": %lld%s%s}",
               separator, dpftool::JsonString(b.name).c_str(), dpftool::JsonString(b.type).c_str(),
               b.mode, b.size, b.storedSize, e.info.offset, e.kind.empty() ? "" : ", \"kind\": ",
               e.kind.empty() ? "" : dpftool::JsonString(e.kind.c_str()).c_str());
        separator = ",\n";
    }
    printf(entries.empty() ? "]\n" : "\n]\n");
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
    std::vector<Entry> entries;
    for (const dpftool::BlockInfo &info : blocks)
        entries.push_back({info, DescribeBlock(handle, info.block)});
    IStuffDPF->Close(handle);

    if (args.Has("--json"))
        PrintJson(entries);
    else
        PrintText(entries);
    if (!complete)
        return dpftool::Fail("%s: the package is damaged after the blocks listed", args[0]);
    return dpftool::kOk;
}
} // namespace

DPFTOOL_COMMAND("list", "list PACKAGE [--json]", Run);
