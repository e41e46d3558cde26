// dpftool extract: one block's data to a file or stdout.
#include "command.h"

#include <cerrno>
#include <cstring>

namespace {
int Run(int argc, char **argv) {
    dpftool::Args args("extract", argc, argv, {}, 3, 4);
    if (!args.ok()) return args.status();
    const char *path = args[0], *name = args[1], *type = args[2];
    const char *out = args.count() > 3 ? args[3] : "-";

    dpftool::Sdk sdk;
    int handle = dpftool::OpenPackage(path, dpftool::kReadOnly | dpftool::kNeedBlocks);
    if (!handle) return dpftool::kFailed;
    DPFBlock block;
    memset(&block, 0, sizeof block);
    snprintf(block.name, sizeof block.name, "%s", name);
    snprintf(block.type, sizeof block.type, "%s", type);
    bool exists = strlen(name) < sizeof block.name && strlen(type) < sizeof block.type &&
                  IStuffDPF->Find(handle, &block) == 1;
    // LoadBlock gives 0 for an empty block as for a failure: empty blocks
    // are told apart by their size.
    int size = exists && block.size > 0 ? IStuffDPF->LoadBlock(handle, type, name, &block) : 0;
    std::string reason = exists && block.size > 0 && size <= 0 ? dpftool::SdkReason() : "";
    IStuffDPF->Close(handle);
    if (!exists) return dpftool::Fail("%s: no block '%s' of type '%s'", path, name, type);
    if (!reason.empty())
        return dpftool::Fail("%s: block '%s' (%s): %s", path, name, type, reason.c_str());

    bool written = dpftool::WriteWholeFile(out, block.data, (size_t)size);
    delete[] block.data;
    if (!written) return dpftool::Fail("%s: %s", out, strerror(errno));
    return dpftool::kOk;
}
} // namespace

DPFTOOL_COMMAND("extract", "extract PACKAGE NAME TYPE [OUT]", Run);
