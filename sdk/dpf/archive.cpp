// Whole-file steps of the package toolkit: the checksum and how it carries
// over a write, a new file's head, probing a file's kind, how much of a
// file its checksum vouches for, and writing a new file beside an old one
// before swapping it in.
#include <quenlar/dpf/archive_private.h>

#include <quenlar/core/crc32_private.h>
#include <quenlar/core/error_private.h>
#include <quenlar/platform/fileio_private.h>
#include <quenlar/platform/filesystem.h>

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

uint32_t ChecksumAfterAppend(uint32_t crc, const unsigned char *bytes, size_t n) {
    // The CRC-32 goes on from the checksum of what precedes.
    return qnl::Crc32(crc, bytes, n);
}

uint32_t ChecksumAfterChange(uint32_t crc, const unsigned char *before, const unsigned char *after,
                             size_t n, uint64_t following) {
    // CRC-32 is linear over GF(2): for messages of one length,
    // crc(a ^ b) = crc(a) ^ crc(b) ^ crc(zeros). The change is the message
    // that holds before ^ after at its place and zeros elsewhere; its part
    // of the checksum is the checksum of the difference (without the
    // initial value, hence ^ crc(zeros of n)) carried through the
    // `following` zero bytes, which Crc32Combine does in log time.
    std::vector<unsigned char> difference(n), zeros(n, 0);
    for (size_t i = 0; i < n; ++i)
        difference[i] = before[i] ^ after[i];
    Uint32 change = qnl::Crc32(0, difference.data(), n) ^ qnl::Crc32(0, zeros.data(), n);
    return (uint32_t)(crc ^ qnl::Crc32Combine(change, 0, following));
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

bool CommittedLength(int fd, uint32_t crc, Committed &out) {
    out = Committed();
    int64_t length = FileLength(fd);
    if (length < (int64_t)kBlocksStart) {
        SetError(length < 0 ? ErrorCode::kIo : ErrorCode::kNotPackage, "%s",
                 length < 0 ? LastErrorText() : "it is not a valid DPF.");
        return false;
    }
    out.fileLength = (uint64_t)length;
    // One pass: the checksum of the file so far is carried from one block
    // end to the next, and every end is a cut the stored checksum may match.
    Uint32 value = 0;
    uint64_t summed = kBlocksStart;
    int blocks = 0;
    std::vector<unsigned char> buffer(65536);
    auto consider = [&](uint64_t end) {
        while (summed < end) {
            size_t chunk = end - summed < buffer.size() ? (size_t)(end - summed) : buffer.size();
            if (ReadAt(fd, buffer.data(), chunk, summed) != (int64_t)chunk) {
                SetError(ErrorCode::kIo, "%s", LastErrorText());
                return false;
            }
            value = qnl::Crc32(value, buffer.data(), chunk);
            summed += chunk;
        }
        if ((uint32_t)value == crc) {
            out.found = true;
            out.length = end;
            out.blocks = blocks;
        }
        return true;
    };
    if (!consider(kBlocksStart)) return false;
    FoundBlock block;
    for (uint64_t from = kBlocksStart; NextBlock(fd, from, nullptr, block) == WalkStep::kBlock;
         from = block.resume()) {
        if (block.end() > out.fileLength) break; // the block is cut off: no whole block follows
        ++blocks;
        if (!consider(block.end())) return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// FileSwap
// ---------------------------------------------------------------------------
FileSwap::~FileSwap() {
    DiscardFile(file_);
}

bool FileSwap::Create(const char *target, int like) {
    target_ = target;
    return CreateNewFile(target, like, file_);
}

bool FileSwap::CreateAt(const char *work, const char *target) {
    target_ = target;
    DiscardFile(file_);
    file_ = NewFile();
    file_.fd = OpenFile(work, OpenMode::CreateNew);
    if (file_.fd < 0) return false;
    file_.name = NativePath(work);
    file_.target = NativePath(target);
    return true;
}

bool FileSwap::Failed(const std::string &from, const std::string &to) {
    systemError_ = LastErrorText();
    error_ = "'" + from + "' could not be renamed to '" + to + "': " + systemError_;
    return false;
}

bool FileSwap::Publish(bool replace) {
    if (PublishFile(file_, replace)) return true;
    if (!LastErrorIsCrossDevice())
        return Failed(file_.name.empty() ? "the new file" : file_.name, target_);
    // A working file on another file system: a copy beside the target,
    // flushed to disk, takes the target's place instead.
    NewFile copy;
    bool placed = CreateNewFile(target_.c_str(), file_.fd, copy) &&
                  CopyFileData(file_.fd, copy.fd) && PublishFile(copy, replace);
    if (!placed) Failed(file_.name, target_);
    DiscardFile(copy);
    return placed; // the working file itself goes with this object
}

bool FileSwap::Swap(const char *backup) {
    // The target must never end up missing: if the new file cannot take
    // its place, the old one goes back.
    if (backup && !RenameFile(target_.c_str(), backup)) return Failed(target_, backup);
    if (Publish(true)) return true;
    if (backup) RenameFile(backup, target_.c_str());
    return false;
}

bool FileSwap::Place() {
    return Publish(false);
}

} // namespace dpf
} // namespace qnl
