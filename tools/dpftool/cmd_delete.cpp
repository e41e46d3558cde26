// dpftool delete: marks a block deleted.
#include "command.h"

#include <cstring>

namespace {
int Run(int argc, char **argv) {
    dpftool::Args args("delete", argc, argv, {}, 3, 3);
    if (!args.ok()) return args.status();
    const char *path = args[0], *name = args[1], *type = args[2];
    if (strlen(name) > 31 || strlen(type) > 7)
        return dpftool::Fail("%s: no block '%s' of type '%s'", path, name, type);

    dpftool::Sdk sdk;
    int handle = dpftool::OpenPackage(path, dpftool::kModify);
    if (!handle) return dpftool::kFailed;
    DPFBlock block;
    memset(&block, 0, sizeof block);
    strcpy(block.name, name);
    strcpy(block.type, type);
    const bool deleted = IStuffDPF->Delete(handle, &block) == 1;
    const qnl::ErrorCode why = deleted ? qnl::ErrorCode::kNone : qnl::LastError().code;
    const std::string reason = dpftool::SdkReason();
    IStuffDPF->Close(handle);
    if (why == qnl::ErrorCode::kNotFound)
        return dpftool::Fail("%s: no block '%s' of type '%s'", path, name, type);
    if (!deleted) return dpftool::Fail("%s: %s", path, reason.c_str());
    return dpftool::kOk;
}
} // namespace

DPFTOOL_COMMAND("delete", "delete PACKAGE NAME TYPE", Run);
