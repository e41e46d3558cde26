// IStuffDPF: adding and deleting blocks, and the checksum.
#include <quenlar/dpf/stuffdpf_private.h>

#include <quenlar/core/log.h>
#include <quenlar/platform/fileio_private.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>
#include <zlib.h>

using namespace qnl::dpf;
using namespace qnl::platform;

namespace {
// A block's name as text for messages, terminated even when the caller
// filled all 32 bytes.
std::string NameText(const DPFBlock *b) {
    return std::string(b->name, FieldLength(b->name, sizeof b->name));
}
} // namespace

// ---------------------------------------------------------------------------
// Checksum
// ---------------------------------------------------------------------------
bool qnl::dpf::ChecksumFrom(int fd, uint64_t from, uint32_t *crc) {
    int64_t length = FileLength(fd);
    if (length < 0) return false;
    uint64_t want = (uint64_t)length > kBlocksStart ? (uint64_t)length - kBlocksStart : 0;
    std::vector<unsigned char> buffer(want < 65536 ? (size_t)want : 65536);
    uLong value = crc32(0L, Z_NULL, 0);
    uint64_t done = 0;
    errno = 0;
    while (done < want) {
        size_t chunk = want - done < buffer.size() ? (size_t)(want - done) : buffer.size();
        int64_t got = ReadAt(fd, buffer.data(), chunk, from + done);
        if (got > 0) value = crc32(value, buffer.data(), (uInt)got);
        if (got != (int64_t)chunk) return false;
        done += chunk;
    }
    *crc = (uint32_t)value;
    return true;
}

unsigned int QStuffDPF::CalculateCRC(int fd) {
    int64_t position = Tell(fd);
    uint32_t crc = 0;
    if (position < 0 || !ChecksumFrom(fd, (uint64_t)position, &crc)) {
        ILogSystem.Msg(0, " . [IStuffDPF->CalculateCRC('%d')] Error: %s\n", fd,
                       errno ? LastErrorText() : "unexpected end of file");
        crc = 0;
    }
    // Reads went by offset: the position is where the caller left it.
    return crc;
}

// ---------------------------------------------------------------------------
// AddData
// ---------------------------------------------------------------------------
int QStuffDPF::AddData(int handle, DPFBlock *b) {
    State &s = *state_;
    if (!b) return 0;
    const std::string name = NameText(b);
    if (FieldLength(b->type, sizeof b->type) > 7 || name.size() > 31) {
        ILogSystem.Msg(0,
                       " . [IStuffDPF->AddData(%d,'%s')] Error: name or type are too long. Maximum "
                       "chars for name is 32 and 8 for type.\n",
                       handle, name.c_str());
        return 0;
    }
    Entry *entry = s.ByHandle(handle);
    if (!entry) return 0;
    if (entry->protect && !s.keySet) {
        ILogSystem.Msg(0,
                       " . [IStuffDPF->AddData(%d,'%s')] Error: the given DPF is protected and the "
                       "key was not set.\n",
                       handle, name.c_str());
        return 0;
    }

    // Search with a scratch record: the caller's record (and its data
    // pointer) stays as it was, whatever the search finds.
    DPFBlock existing;
    int r = s.FindNamed(handle, b->name, b->type, true, &existing);
    if (r == 1) {
        ILogSystem.Msg(5, " . [IStuffDPF->AddData(%d,'%s')] Info: block already exists.\n", handle,
                       name.c_str());
        return -1;
    }
    if (r != 0) {
        ILogSystem.Msg(
            0,
            " . [IStuffDPF->AddData(%d,'%s')] Error: it was not possible to access to the DPF.\n",
            handle, name.c_str());
        return 0;
    }

    if (b->mode != kCompressed && b->mode != kStored) b->mode = kScrambled;
    if (b->size > 0 && !b->data) {
        ILogSystem.Msg(0, " . [IStuffDPF->AddData(%d,'%s')] Error: the block has no data.\n",
                       handle, name.c_str());
        return 0;
    }

    // marker | header | padded payload, written with one call.
    std::vector<unsigned char> block;
    uint32_t stored = 0;
    static const unsigned char kNoData = 0;
    const unsigned char *data =
        b->data ? reinterpret_cast<const unsigned char *>(b->data) : &kNoData;
    if (!EncodePayload(data, b->size, b->mode, block, stored, kBlockOverhead)) {
        ILogSystem.Msg(
            0, " . [IStuffDPF->AddData(%d,'%s')] Error: UCL failed to compress the data block.\n",
            handle, name.c_str());
        return 0;
    }
    BuildHeader(s.header, b->name, b->type, b->mode, b->size, stored);
    memcpy(block.data(), kMarker, kMarkerSize);
    memcpy(block.data() + kMarkerSize, s.header, kHeaderSize);
    if (entry->protect) s.userKey.Encipher(block.data() + kMarkerSize, block.size() - kMarkerSize);

    // A failed or short write is undone, so that the file never ends in half
    // a block and the caller learns that nothing was stored.
    int64_t end = FileLength(entry->fd);
    if (end < 0 || !WriteAt(entry->fd, block.data(), block.size(), (uint64_t)end)) {
        ILogSystem.Msg(
            0,
            " . [IStuffDPF->AddData(%d,'%s')] Error: it was not possible to write to the DPF: %s\n",
            handle, name.c_str(), LastErrorText());
        if (end >= 0) Truncate(entry->fd, (uint64_t)end);
        return 0;
    }
    s.found = false;
    entry->modified = 1;
    entry->length += block.size();
    return (int)stored;
}

// ---------------------------------------------------------------------------
// Delete
// ---------------------------------------------------------------------------
int QStuffDPF::Delete(int handle, DPFBlock *b) {
    State &s = *state_;
    if (!b) return 0;
    Entry *entry = s.ByHandle(handle);
    if (!entry) return 0;

    DPFBlock kept = *b;
    int r = s.FindNamed(handle, b->name, b->type, true, b);
    b->mode = kept.mode;
    b->size = kept.size;
    b->storedSize = kept.storedSize;
    b->data = kept.data;
    if (r != 1) {
        ILogSystem.Msg(
            2, " . [IStuffDPF->Delete(%d)] Warning: datablock was not found in the given DPF.\n",
            handle);
        return 0;
    }

    // The block keeps its place and payload; only its header changes.
    unsigned char header[kHeaderSize];
    memcpy(header, s.header, kHeaderSize);
    memcpy(header + kHdrType, "DELETED", kTypeSize); // with its NUL: all 8 bytes
    header[kHdrName] = '?';
    memcpy(s.header, header, kHeaderSize);
    if (entry->protect) s.userKey.Encipher(header, kHeaderSize);
    if (!WriteAt(entry->fd, header, kHeaderSize, s.cursor - kHeaderSize)) {
        ILogSystem.Msg(
            0, " . [IStuffDPF->Delete(%d)] Error: it was not possible to write to the DPF: %s\n",
            handle, LastErrorText());
        return 0;
    }
    s.found = false;
    entry->modified = 1;
    return 1;
}
