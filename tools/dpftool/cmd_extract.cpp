// dpftool extract: one block's data to a file or stdout.
#include "command.h"

#include <quenlar/platform/fileio_private.h>

#include <cerrno>
#include <cstring>

namespace {
int Run(int argc, char **argv) {
    dpftool::Args args("extract", argc, argv, {}, 3, 4);
    if (!args.ok()) return args.status();
    const char *path = args[0], *name = args[1], *type = args[2];
    const char *out = args.count() > 3 ? args[3] : "-";
    // Writing the output would empty the package before anything is read.
    if (strcmp(out, "-") != 0 && qnl::platform::SamePath(out, path))
        return dpftool::Fail("%s: the output is the package itself", out);

    dpftool::Sdk sdk;
    int handle = dpftool::OpenPackage(path, dpftool::kReadOnly | dpftool::kNeedBlocks);
    if (!handle) return dpftool::kFailed;
    DPFBlock block;
    int size = IStuffDPF->LoadBlock(handle, type, name, &block);
    // LoadBlock gives 0 for an empty block as for a failure: the record
    // tells them apart.
    const qnl::ErrorCode why = size > 0 ? qnl::ErrorCode::kNone : qnl::LastError().code;
    const std::string reason = dpftool::SdkReason();
    IStuffDPF->Close(handle);
    if (why == qnl::ErrorCode::kNotFound)
        return dpftool::Fail("%s: no block '%s' of type '%s'", path,
                             dpftool::Printable(name).c_str(), dpftool::Printable(type).c_str());
    if (why != qnl::ErrorCode::kNone && why != qnl::ErrorCode::kEmpty)
        return dpftool::Fail("%s: block '%s' (%s): %s", path, dpftool::Printable(name).c_str(),
                             dpftool::Printable(type).c_str(), reason.c_str());
    if (size <= 0) size = 0;

    bool written = dpftool::WriteWholeFile(out, block.data, (size_t)size);
    delete[] block.data;
    if (!written) return dpftool::Fail("%s: %s", out, strerror(errno));
    return dpftool::kOk;
}
} // namespace

DPFTOOL_COMMAND("extract", "extract PACKAGE NAME TYPE [OUT]", Run);
