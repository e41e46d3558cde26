// The block walk. The format has no index: blocks are found by scanning for
// their 16-byte marker from offset 520, and the walk goes on after the
// stored bytes of the block found before. The scan reads through a buffer;
// its results are those of examining the file byte by byte.
#include <quenlar/dpf/archive_private.h>

#include <quenlar/core/error_private.h>
#include <quenlar/platform/fileio_private.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace qnl::platform;
using qnl::ErrorCode;

namespace qnl {
namespace dpf {

int ScanForMarker(int fd, uint64_t from, uint64_t *at) {
    // Usually the marker follows the previous payload within its padding, so
    // the first read is small and needs no allocation; damage between blocks
    // grows the reads.
    constexpr size_t kFirstStep = 256, kMaxStep = 64 * 1024, kOverlap = kMarkerSize - 1;
    unsigned char small[kFirstStep + kOverlap];
    std::vector<unsigned char> large;
    unsigned char *buffer = small;
    size_t step = kFirstStep;
    uint64_t pos = from;
    for (;;) {
        // Each window overlaps the next by 15 bytes, so every position of
        // the step can be compared against a whole marker.
        size_t want = step + kOverlap;
        int64_t got = ReadAt(fd, buffer, want, pos);
        if (got < 0) {
            SetError(ErrorCode::kIo, "%s", LastErrorText());
            return 2;
        }
        size_t n = (size_t)got;
        bool atEnd = n < want;
        size_t limit = atEnd ? n : step;
        for (size_t i = 0; i < limit;) {
            const void *hit = memchr(buffer + i, kMarker[0], limit - i);
            if (!hit) break;
            i = (size_t)(static_cast<const unsigned char *>(hit) - buffer);
            if (i + kMarkerSize > n) {
                SetError(ErrorCode::kCorrupted,
                         "a block marker is cut off by the end of the file.");
                return 2;
            }
            if (memcmp(buffer + i, kMarker, kMarkerSize) == 0) {
                *at = pos + i;
                return 1;
            }
            ++i;
        }
        if (atEnd) return 0;
        pos += step;
        step = std::min(step * 4, kMaxStep);
        if (large.size() < step + kOverlap) {
            large.resize(step + kOverlap);
            buffer = large.data();
        }
    }
}

WalkStep NextBlock(int fd, uint64_t from, const Blowfish *cipher, FoundBlock &out) {
    out = FoundBlock();
    int r = ScanForMarker(fd, from, &out.at);
    if (r == 0) return WalkStep::kEnd;
    if (r != 1) return WalkStep::kError;

    out.headerBytes = ReadAt(fd, out.header, kHeaderSize, out.at + kMarkerSize);
    if (out.headerBytes != (int64_t)kHeaderSize) {
        if (out.headerBytes < 0)
            SetError(ErrorCode::kIo, "%s", LastErrorText());
        else
            SetError(ErrorCode::kCorrupted, "a block header is cut off by the end of the file.");
        return WalkStep::kShortHeader;
    }
    if (cipher) cipher->Decipher(out.header, kHeaderSize);
    out.fields = ParseHeader(out.header);
    return WalkStep::kBlock;
}

} // namespace dpf
} // namespace qnl
