// The block walk. The format has no index: blocks are found by scanning for
// their 16-byte marker from offset 520, and the walk goes on after the
// stored bytes of the block found before. The scan reads through one
// buffer that also holds the header after a marker and, for small blocks,
// the blocks that follow; its results are those of examining the file byte
// by byte.
#include <quenlar/dpf/archive_private.h>

#include <quenlar/core/error_private.h>
#include <quenlar/platform/fileio_private.h>

#include <algorithm>
#include <cstring>

using namespace qnl::platform;
using qnl::ErrorCode;

namespace qnl {
namespace dpf {

const unsigned char *Walker::Bytes(uint64_t at, size_t want, size_t *got) {
    if (at >= start_ && at - start_ <= size_) {
        const size_t offset = (size_t)(at - start_), held = size_ - offset;
        if (held >= want || endsFile_) {
            *got = std::min(held, want);
            return data_ + offset;
        }
    }
    const size_t read = std::max(want, kWindow);
    if (read > capacity_) {
        large_.resize(read);
        data_ = large_.data();
        capacity_ = read;
    }
    const int64_t n = ReadAt(fd_, data_, read, at);
    if (n < 0) {
        size_ = 0;
        return nullptr;
    }
    start_ = at;
    size_ = (size_t)n;
    endsFile_ = size_ < read;
    *got = std::min(size_, want);
    return data_;
}

int Walker::Scan(uint64_t from, uint64_t *at) {
    // Usually the marker follows the previous payload within its padding,
    // so the first step is short; damage between blocks grows the steps.
    constexpr size_t kFirstStep = 128, kMaxStep = 64 * 1024, kOverlap = kMarkerSize - 1;
    size_t step = kFirstStep;
    uint64_t pos = from;
    for (;;) {
        // Each window overlaps the next by 15 bytes, so every position of
        // the step can be compared against a whole marker; the header of a
        // marker found early in the step comes with the same read.
        const size_t want = step + kOverlap + kHeaderSize;
        size_t n = 0;
        const unsigned char *bytes = Bytes(pos, want, &n);
        if (!bytes) {
            SetError(ErrorCode::kIo, "%s", LastErrorText());
            return 2;
        }
        const bool atEnd = n < want;
        const size_t limit = atEnd ? n : step;
        for (size_t i = 0; i < limit;) {
            const void *hit = memchr(bytes + i, kMarker[0], limit - i);
            if (!hit) break;
            i = (size_t)(static_cast<const unsigned char *>(hit) - bytes);
            if (i + kMarkerSize > n) {
                SetError(ErrorCode::kCorrupted,
                         "a block marker is cut off by the end of the file.");
                return 2;
            }
            if (memcmp(bytes + i, kMarker, kMarkerSize) == 0) {
                *at = pos + i;
                return 1;
            }
            ++i;
        }
        if (atEnd) return 0;
        pos += step;
        step = std::min(step * 4, kMaxStep);
    }
}

WalkStep Walker::Next(uint64_t from, FoundBlock &out) {
    out = FoundBlock();
    int r = Scan(from, &out.at);
    if (r == 0) return WalkStep::kEnd;
    if (r != 1) return WalkStep::kError;

    size_t n = 0;
    const unsigned char *header = Bytes(out.at + kMarkerSize, kHeaderSize, &n);
    if (!header) {
        out.headerBytes = -1;
        SetError(ErrorCode::kIo, "%s", LastErrorText());
        return WalkStep::kShortHeader;
    }
    out.headerBytes = (int64_t)n;
    if (n != kHeaderSize) {
        SetError(ErrorCode::kCorrupted, "a block header is cut off by the end of the file.");
        return WalkStep::kShortHeader;
    }
    memcpy(out.header, header, kHeaderSize);
    if (cipher_) cipher_->Decipher(out.header, kHeaderSize);
    out.fields = ParseHeader(out.header);
    return WalkStep::kBlock;
}

WalkStep NextBlock(int fd, uint64_t from, const Blowfish *cipher, FoundBlock &out) {
    Walker walk(fd, cipher);
    return walk.Next(from, out);
}

} // namespace dpf
} // namespace qnl
