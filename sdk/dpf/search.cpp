// IStuffDPF: finding blocks and reading their data.
//
// The format has no index: blocks are found by scanning for their 16-byte
// marker from offset 520, and a search continues after the stored bytes of
// the block found before (so marker bytes inside a payload are never taken
// for a block). The scan reads through a buffer; its results are those of
// examining the file byte by byte.
#include <quenlar/dpf/stuffdpf_private.h>

#include <quenlar/core/log.h>
#include <quenlar/platform/fileio_private.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

using namespace qnl::dpf;
using namespace qnl::platform;

// ---------------------------------------------------------------------------
// The marker scan
// ---------------------------------------------------------------------------
int qnl::dpf::ScanForMarker(int fd, uint64_t from, uint64_t *at) {
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
        if (got < 0) return 2;
        size_t n = (size_t)got;
        bool atEnd = n < want;
        size_t limit = atEnd ? n : step;
        for (size_t i = 0; i < limit;) {
            const void *hit = memchr(buffer + i, kMarker[0], limit - i);
            if (!hit) break;
            i = (size_t)(static_cast<const unsigned char *>(hit) - buffer);
            if (i + kMarkerSize > n) return 2; // a marker cut off by the end of the file
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

namespace {
// The caller's view of a block header: its record with no data yet.
void FillRecord(const BlockFields &f, DPFBlock *b) {
    memset(b, 0, sizeof *b);
    memcpy(b->name, f.name, sizeof b->name);
    memcpy(b->type, f.type, sizeof b->type);
    b->mode = f.mode;
    b->size = f.size;
    b->storedSize = f.stored;
}
} // namespace

int QStuffDPF::State::Search(int handle, bool first, DPFBlock *b) {
    Entry *entry = ByHandle(handle);
    if (!entry || !b) return 2;
    found = false;
    if (entry->protect && !keySet) {
        ILogSystem.Msg(
            0,
            " . [IStuffDPF->Find(%d)] Error: the given DPF is protected and the key was not set.\n",
            handle);
        return 0;
    }
    memset(header, 0, sizeof header);
    uint64_t start;
    if (first) {
        cursor = start = kBlocksStart;
        lastStored = 0;
    } else {
        // Not rounded up: the scan steps over the padding itself.
        cursor = start = cursor + lastStored;
    }

    uint64_t at = 0;
    int r = ScanForMarker(entry->fd, start, &at);
    if (r != 1) return r;

    unsigned char raw[kHeaderSize];
    int64_t got = ReadAt(entry->fd, raw, kHeaderSize, at + kMarkerSize);
    if (got != (int64_t)kHeaderSize) {
        if (first)
            ILogSystem.Msg(
                0,
                " . [IStuffDPF->FindFirst(%d)] Error: the first block was unsuccessfully loaded.\n",
                handle);
        else
            ILogSystem.Msg(
                0,
                " . [IStuffDPF->FindNext(%d)] Error: the next block was unsuccessfully loaded.\n",
                handle);
        return got == 0 ? 0 : 2;
    }
    if (entry->protect) userKey.Decipher(raw, kHeaderSize);
    memcpy(header, raw, kHeaderSize);

    BlockFields f = ParseHeader(raw);
    FillRecord(f, b);

    cursor = at + kBlockOverhead;
    lastStored = f.stored;
    found = true;
    foundHandle = handle;
    foundOffset = (int64_t)at;
    foundFields = f;
    // Callers may read the payload from the file position.
    SeekTo(entry->fd, cursor);
    return 1;
}

int QStuffDPF::State::FindNamed(int handle, const char *name, const char *type, bool matchable,
                                DPFBlock *out) {
    DPFBlock scratch;
    int r = Search(handle, true, &scratch);
    while (r == 1) {
        if (matchable && strncmp(scratch.name, name, sizeof scratch.name) == 0 &&
            strncmp(scratch.type, type, sizeof scratch.type) == 0)
            break;
        r = Search(handle, false, &scratch);
    }
    if (r == 1) *out = scratch;
    return r;
}

int QStuffDPF::FindFirst(int handle, DPFBlock *b) {
    return state_->Search(handle, true, b);
}

int QStuffDPF::FindNext(int handle, DPFBlock *b) {
    return state_->Search(handle, false, b);
}

int QStuffDPF::Find(int handle, DPFBlock *b) {
    if (!b) return 2;
    return state_->FindNamed(handle, b->name, b->type, true, b);
}

// ---------------------------------------------------------------------------
// Reading a block's data
// ---------------------------------------------------------------------------
int QStuffDPF::State::ReadFoundPayload(Entry &entry, const char *op, const char *type,
                                       const char *name, DPFBlock *b) {
    const char *path = entry.path.c_str();
    const uint32_t stored = b->storedSize, size = b->size;
    const uint64_t padded = PaddedSize(stored);

    // Sizes are checked against the file before anything is allocated: a
    // damaged header must not ask for more memory than the file can explain,
    // nor promise the caller more data than the array holds.
    int64_t length = FileLength(entry.fd);
    bool fits = length >= 0 && cursor <= (uint64_t)length && padded <= (uint64_t)length - cursor;
    bool sane = size <= INT_MAX && (b->mode == kCompressed || size <= stored);
    unsigned char *payload = nullptr;
    if (fits && sane) payload = new (std::nothrow) unsigned char[padded ? padded : 1];
    if (!payload || ReadAt(entry.fd, payload, padded, cursor) != (int64_t)padded) {
        ILogSystem.Msg(
            0, " . [IStuffDPF->%s('%s','%s','%s')] Error: datablock was not loaded successfully.\n",
            op, path, type, name);
        delete[] payload;
        return 0;
    }
    if (entry.protect) userKey.Decipher(payload, padded);

    unsigned char *data = payload;
    if (b->mode == kScrambled) {
        if (padded != stored) {
            data = new (std::nothrow) unsigned char[stored ? stored : 1];
            if (data) memcpy(data, payload, stored);
            delete[] payload;
        }
        if (data) Scramble(data, stored);
    } else if (b->mode == kCompressed) {
        data = nullptr;
        if ((uint64_t)size <= (uint64_t)stored * kMaxExpansion) {
            data = new (std::nothrow) unsigned char[size ? size : 1];
            if (data && !Decompress(payload, stored, data, size)) {
                delete[] data;
                data = nullptr;
            }
        }
        delete[] payload;
        if (!data) {
            ILogSystem.Msg(0,
                           " . [IStuffDPF->%s('%s','%s','%s')] Error: UCL failed to decompress the "
                           "data block.\n",
                           op, path, type, name);
            return 0;
        }
    }
    if (!data) {
        ILogSystem.Msg(
            0, " . [IStuffDPF->%s('%s','%s','%s')] Error: datablock was not loaded successfully.\n",
            op, path, type, name);
        return 0;
    }
    if (size == 0) {
        // Nothing to hand over: a caller that treats 0 as failure leaks nothing.
        delete[] data;
        return 0;
    }
    b->data = reinterpret_cast<char *>(data);
    return (int)size;
}

int QStuffDPF::LoadBlock(int handle, const char *type, const char *name, DPFBlock *b) {
    State &s = *state_;
    if (!b) return 0;
    memset(b, 0, sizeof *b);
    if (!type || !name) return 0;
    const size_t nameLength = strlen(name), typeLength = strlen(type);
    memcpy(b->name, name, std::min(nameLength, sizeof b->name - 1));
    memcpy(b->type, type, std::min(typeLength, sizeof b->type - 1));

    Entry *entry = s.ByHandle(handle);
    if (!entry) return 0;
    const char *path = entry->path.c_str();
    if (entry->protect && !s.keySet) {
        ILogSystem.Msg(0,
                       " . [IStuffDPF->LoadBlock('%s','%s','%s')] Error: the given DPF is "
                       "protected and the key was not set.\n",
                       path, type, name);
        return 0;
    }
    // Names longer than their fields cannot be in the file.
    bool matchable = nameLength < sizeof b->name && typeLength < sizeof b->type;
    if (s.FindNamed(handle, b->name, b->type, matchable, b) != 1) {
        ILogSystem.Msg(2,
                       " . [IStuffDPF->LoadBlock('%s','%s','%s')] Warning: datablock was not found "
                       "in the given DPF.\n",
                       path, type, name);
        return 0;
    }
    return s.ReadFoundPayload(*entry, "LoadBlock", type, name, b);
}

int QStuffDPF::LoadFound(int handle, DPFBlock *b) {
    State &s = *state_;
    if (!b) return 0;
    memset(b, 0, sizeof *b);
    Entry *entry = s.ByHandle(handle);
    if (!entry || !s.found || s.foundHandle != handle) return 0;
    const BlockFields &f = s.foundFields;
    FillRecord(f, b);
    return s.ReadFoundPayload(*entry, "LoadFound", f.type, f.name, b);
}
