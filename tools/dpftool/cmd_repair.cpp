// dpftool repair: cuts off what an interrupted write left at the end of a
// package. Every write of the SDK stores the checksum of the whole file
// last, so a write that was cut short leaves the file longer than what the
// checksum vouches for: when the stored checksum matches the file cut after
// one of its whole blocks, the rest is such a tail. It is kept in a file
// beside the package, then cut off. Any other damage is reported and
// nothing is changed.
#include "command.h"

#include <quenlar/dpf/archive_private.h>
#include <quenlar/platform/fileio_private.h>

#include <cstdio>
#include <string>

using namespace qnl::platform;

namespace {
// Copies bytes `from`..end of `fd` into a new file beside `path`, named
// "<path>.cut" (or .cut1, .cut2 ... when taken), flushed to disk. Its
// name, or "" with errno set.
std::string KeepTail(int fd, const char *path, uint64_t from) {
    for (int n = 0; n < 100; ++n) {
        const std::string name = std::string(path) + ".cut" + (n ? std::to_string(n) : "");
        NewFile copy;
        bool kept = CreateNewFile(name.c_str(), fd, copy);
        char buffer[65536];
        for (uint64_t at = from; kept;) {
            int64_t got = ReadAt(fd, buffer, sizeof buffer, at);
            if (got <= 0) {
                kept = got == 0;
                break;
            }
            kept = WriteAll(copy.fd, buffer, (size_t)got);
            at += (uint64_t)got;
        }
        kept = kept && PublishFile(copy, false);
        const bool taken = !kept && errno == EEXIST;
        DiscardFile(copy);
        if (kept) return name;
        if (!taken) return "";
    }
    return "";
}

int Run(int argc, char **argv) {
    dpftool::Args args("repair", argc, argv, {}, 1, 1);
    if (!args.ok()) return args.status();
    const char *path = args[0];
    dpftool::Sdk sdk;
    int handle =
        dpftool::OpenPackage(path, dpftool::kReadOnly | dpftool::kInspect | dpftool::kNeedBlocks);
    if (!handle) return dpftool::kFailed;
    // Writers wait while the package is looked at and cut.
    int fd = OpenFile(path, OpenMode::ReadWrite);
    if (fd < 0) {
        IStuffDPF->Close(handle);
        return dpftool::Fail("%s: %s", path, LastErrorText());
    }
    LockFile(fd, LockKind::kExclusive);

    int status = dpftool::kOk;
    DPFInfo info;
    qnl::dpf::Committed committed;
    int faults = 0, checked = 0;
    if (!IStuffDPF->GetInfo(handle, &info)) {
        status = dpftool::FailWithSdkReason(path);
    } else if (info.crc == info.crcNow) {
        // Nothing was interrupted; the blocks may still be damaged.
        if (!dpftool::CheckBlocks(handle, path, &faults, &checked) || faults)
            status = dpftool::Fail("%s: damaged although the checksum matches: no interrupted "
                                   "write to cut off; nothing was changed",
                                   path);
        else
            printf("%s: nothing to repair: the checksum matches\n", path);
    } else if (!qnl::dpf::CommittedLength(fd, info.crc, committed)) {
        status = dpftool::FailWithSdkReason(path);
    } else if (committed.found) {
        const uint64_t cut = committed.fileLength - committed.length;
        const std::string kept = KeepTail(fd, path, committed.length);
        if (kept.empty())
            status = dpftool::Fail("%s: the bytes to cut off cannot be kept (%s); nothing was "
                                   "changed",
                                   path, LastErrorText());
        else if (!Truncate(fd, committed.length) || !SyncFile(fd))
            status = dpftool::Fail("%s: %s", path, LastErrorText());
        else
            printf("%s: cut off %llu bytes after block %d, the last one the checksum vouches "
                   "for; they are kept in %s\n",
                   path, (unsigned long long)cut, committed.blocks, kept.c_str());
    } else {
        dpftool::CheckBlocks(handle, path, &faults, &checked);
        status = dpftool::Fail("%s: the checksum matches no cut after a whole block: the damage "
                               "is not an interrupted write at the end; nothing was changed",
                               path);
    }
    CloseFile(fd);
    IStuffDPF->Close(handle);
    return status;
}
} // namespace

DPFTOOL_COMMAND("repair", "repair PACKAGE", Run);
