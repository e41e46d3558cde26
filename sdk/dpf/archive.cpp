// Whole-file steps of the package toolkit: the checksum, a new file's head,
// probing a file's kind, and writing a new file beside an old one before
// swapping it in.
#include <quenlar/dpf/archive_private.h>

#include <quenlar/core/crc32_private.h>
#include <quenlar/core/error_private.h>
#include <quenlar/platform/fileio_private.h>

#include <cerrno>
#include <cstring>
#include <vector>

using namespace qnl::platform;
using qnl::ErrorCode;

namespace qnl {
namespace dpf {

bool ChecksumFrom(int fd, uint64_t from, uint32_t *crc) {
    errno = 0;
    int64_t length = FileLength(fd);
    if (length < 0) {
        SetError(ErrorCode::kIo, "%s", LastErrorText());
        return false;
    }
    uint64_t want = (uint64_t)length > kBlocksStart ? (uint64_t)length - kBlocksStart : 0;
    std::vector<unsigned char> buffer(want < 65536 ? (size_t)want : 65536);
    Uint32 value = 0;
    uint64_t done = 0;
    while (done < want) {
        size_t chunk = want - done < buffer.size() ? (size_t)(want - done) : buffer.size();
        int64_t got = ReadAt(fd, buffer.data(), chunk, from + done);
        if (got > 0) value = qnl::Crc32(value, buffer.data(), (size_t)got);
        if (got != (int64_t)chunk) {
            if (errno)
                SetError(ErrorCode::kIo, "%s", LastErrorText());
            else
                SetError(ErrorCode::kCorrupted, "unexpected end of file");
            return false;
        }
        done += chunk;
    }
    *crc = (uint32_t)value;
    return true;
}

void BuildFileHead(unsigned char *file, const unsigned char *info, const Blowfish &headerKey) {
    memcpy(file, kHeadV4, kHeadSize);
    memcpy(file + kHeadSize, info, kInfoSize);
    headerKey.Encipher(file + kHeadSize, kInfoSize);
}

HeadKind ProbeFile(const char *path) {
    unsigned char head[kHeadSize];
    int fd = OpenFile(path, OpenMode::ReadOnly);
    if (fd < 0) return HeadKind::kNotPackage;
    int64_t got = ReadAll(fd, head, sizeof head);
    CloseFile(fd);
    return ClassifyHead(head, got < 0 ? 0 : (size_t)got);
}

int OpenOrCreate(QStuffDPF &archive, const char *path) {
    // Create records a missing path.
    int handle = path && PathExists(path) ? archive.Open(path) : archive.Create(path);
    return handle > 0 ? handle : 0;
}

// ---------------------------------------------------------------------------
// FileSwap
// ---------------------------------------------------------------------------
FileSwap::~FileSwap() {
    if (fd_ >= 0) CloseFile(fd_);
    if (!swapped_ && !name_.empty()) RemoveFile(name_.c_str());
}

bool FileSwap::Create(const char *target, const char *work, int like) {
    target_ = target;
    if (work) {
        fd_ = OpenFile(work, OpenMode::Create);
        if (fd_ >= 0) name_ = work;
    } else {
        fd_ = CreateFileBeside(target, like, name_);
    }
    return fd_ >= 0;
}

bool FileSwap::Rename(const std::string &from, const std::string &to) {
    if (RenameFile(from.c_str(), to.c_str())) return true;
    systemError_ = LastErrorText();
    error_ = "'" + from + "' could not be renamed to '" + to + "': " + systemError_;
    return false;
}

bool FileSwap::Swap(const char *backup) {
    bool synced = SyncFile(fd_);
    if (!synced) systemError_ = error_ = LastErrorText();
    CloseFile(fd_);
    fd_ = -1;
    if (!synced) return false;
    // The target must never end up missing: if the new file cannot take
    // its place, the old one goes back.
    if (backup && !Rename(target_, backup)) return false;
    if (!Rename(name_, target_)) {
        if (backup) RenameFile(backup, target_.c_str());
        return false;
    }
    swapped_ = true;
    return true;
}

} // namespace dpf
} // namespace qnl
