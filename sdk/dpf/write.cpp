// IStuffDPF: the checksum, and adding, deleting and replacing blocks.
#include <quenlar/dpf/stuffdpf_private.h>

#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>
#include <quenlar/platform/fileio_private.h>

#include <cstring>
#include <string>
#include <vector>

using namespace qnl::dpf;
using namespace qnl::platform;
using qnl::ErrorCode;

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
bool QStuffDPF::State::Checksum(int fd, int64_t from, uint32_t *crc) {
    if (from >= 0 && ChecksumFrom(fd, (uint64_t)from, crc)) return true;
    if (from < 0) qnl::SetError(ErrorCode::kIo, "%s", LastErrorText());
    ILogSystem.Msg(LOG_ERROR, " . [IStuffDPF->CalculateCRC('%d')] Error: %s\n", fd,
                   qnl::LastError().reason);
    return false;
}

bool QStuffDPF::State::ChecksumMatches(int fd, const unsigned char *info,
                                       const std::string &origin) {
    uint32_t crc = 0;
    if (!Checksum(fd, kBlocksStart, &crc)) {
        // The read's own failure stays the recorded reason.
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: %s\n", origin.c_str(), kCorruptedText);
        return false;
    }
    if (crc == GetLE32(info + kInfoCrc)) return true;
    qnl::ReportError(ErrorCode::kCorrupted, LOG_ERROR, origin, kCorruptedText);
    return false;
}

unsigned int QStuffDPF::CalculateCRC(int fd) {
    uint32_t crc = 0;
    // Reads go by offset: the position stays where the caller left it.
    return state_->Checksum(fd, Tell(fd), &crc) ? crc : 0;
}

// ---------------------------------------------------------------------------
// AddData
// ---------------------------------------------------------------------------
Entry *QStuffDPF::State::Writable(const char *op, int handle, const DPFBlock *b,
                                  std::string &origin) {
    if (!Given(b)) return nullptr;
    origin = qnl::Format("IStuffDPF->%s(%d,'%s')", op, handle, NameText(b).c_str());
    if (FieldLength(b->type, sizeof b->type) > 7 || FieldLength(b->name, sizeof b->name) > 31) {
        qnl::ReportError(ErrorCode::kInvalidArgument, LOG_ERROR, origin,
                         "name or type are too long. Maximum chars for name is 32 and 8 for type.");
        return nullptr;
    }
    Entry *entry = Require(handle);
    if (entry && entry->protect && !keySet) {
        qnl::ReportError(ErrorCode::kProtected, LOG_ERROR, origin, kProtectedText);
        return nullptr;
    }
    return entry;
}

QStuffDPF::State::Added QStuffDPF::State::Append(Entry &entry, DPFBlock *b,
                                                 const std::string &origin, uint32_t *stored) {
    // Search with a scratch record: the caller's record (and its data
    // pointer) stays as it was, whatever the search finds.
    DPFBlock existing;
    int r = FindNamed(entry.handle, b->name, b->type, true, &existing);
    if (r == 1) {
        qnl::ReportError(ErrorCode::kExists, LOG_INFO, origin, "block already exists.");
        return Added::kExists;
    }
    if (r != 0) {
        // The search recorded why.
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: it was not possible to access to the DPF.\n",
                       origin.c_str());
        return Added::kFailed;
    }

    if (b->mode != kCompressed && b->mode != kStored) b->mode = kScrambled;
    if (b->size > 0 && !b->data) {
        qnl::ReportError(ErrorCode::kInvalidArgument, LOG_ERROR, origin, "the block has no data.");
        return Added::kFailed;
    }

    // marker | header | padded payload, written with one call.
    std::vector<unsigned char> block;
    static const unsigned char kNoData = 0;
    const unsigned char *data =
        b->data ? reinterpret_cast<const unsigned char *>(b->data) : &kNoData;
    if (!EncodePayload(data, b->size, b->mode, block, *stored, kBlockOverhead)) {
        qnl::ReportError(ErrorCode::kNoMemory, LOG_ERROR, origin,
                         "UCL failed to compress the data block.");
        return Added::kFailed;
    }
    BuildHeader(header, b->name, b->type, b->mode, b->size, *stored);
    memcpy(block.data(), kMarker, kMarkerSize);
    memcpy(block.data() + kMarkerSize, header, kHeaderSize);
    if (entry.protect) userKey.Encipher(block.data() + kMarkerSize, block.size() - kMarkerSize);

    // A failed or short write is undone, so that the file never ends in half
    // a block and the caller learns that nothing was stored.
    int64_t end = FileLength(entry.fd);
    if (end < 0 || !WriteAt(entry.fd, block.data(), block.size(), (uint64_t)end)) {
        qnl::ReportError(ErrorCode::kIo, LOG_ERROR, origin,
                         "it was not possible to write to the DPF: %s", LastErrorText());
        if (end >= 0) Truncate(entry.fd, (uint64_t)end);
        return Added::kFailed;
    }
    found = false;
    entry.modified = 1;
    entry.length += block.size();
    return Added::kYes;
}

int QStuffDPF::AddData(int handle, DPFBlock *b) {
    State &s = *state_;
    std::string origin;
    Entry *entry = s.Writable("AddData", handle, b, origin);
    if (!entry) return 0;
    uint32_t stored = 0;
    switch (s.Append(*entry, b, origin, &stored)) {
    case State::Added::kYes:
        return (int)stored;
    case State::Added::kExists:
        return -1;
    case State::Added::kFailed:
        break;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Delete
// ---------------------------------------------------------------------------
bool QStuffDPF::State::WriteHeader(Entry &entry, const unsigned char *plain, uint64_t at) {
    unsigned char stored[kHeaderSize];
    memcpy(stored, plain, kHeaderSize);
    if (entry.protect) userKey.Encipher(stored, kHeaderSize);
    return WriteAt(entry.fd, stored, kHeaderSize, at);
}

bool QStuffDPF::State::MarkFoundDeleted(Entry &entry) {
    // The block keeps its place and payload; only its header changes.
    MarkDeleted(header);
    if (!WriteHeader(entry, header, cursor - kHeaderSize)) return false;
    found = false;
    entry.modified = 1;
    return true;
}

int QStuffDPF::Delete(int handle, DPFBlock *b) {
    State &s = *state_;
    if (!Given(b)) return 0;
    Entry *entry = s.Require(handle);
    if (!entry) return 0;

    DPFBlock kept = *b;
    int r = s.FindNamed(handle, b->name, b->type, true, b);
    b->mode = kept.mode;
    b->size = kept.size;
    b->storedSize = kept.storedSize;
    b->data = kept.data;
    if (r != 1) {
        // The search recorded why: not there, or a damaged scan.
        ILogSystem.Msg(LOG_WARNING, " . [IStuffDPF->Delete(%d)] Warning: %s\n", handle,
                       kNotFoundText);
        return 0;
    }
    if (!s.MarkFoundDeleted(*entry)) {
        qnl::ReportError(ErrorCode::kIo, LOG_ERROR, qnl::Format("IStuffDPF->Delete(%d)", handle),
                         "it was not possible to write to the DPF: %s", LastErrorText());
        return 0;
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Replace
// ---------------------------------------------------------------------------
int QStuffDPF::Replace(int handle, DPFBlock *b) {
    State &s = *state_;
    std::string origin;
    Entry *entry = s.Writable("Replace", handle, b, origin);
    if (!entry) return 0;

    // The older block is only marked deleted; its header is kept, so that
    // putting it back is one write in place, which needs no free space.
    DPFBlock old;
    int r = s.FindNamed(handle, b->name, b->type, true, &old);
    if (r == 2) {
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: it was not possible to access to the DPF.\n",
                       origin.c_str());
        return 0;
    }
    const bool replacing = r == 1;
    unsigned char oldHeader[kHeaderSize];
    uint64_t oldAt = 0;
    if (replacing) {
        memcpy(oldHeader, s.header, kHeaderSize);
        oldAt = s.cursor - kHeaderSize;
        if (!s.MarkFoundDeleted(*entry)) {
            qnl::ReportError(ErrorCode::kIo, LOG_ERROR, origin,
                             "it was not possible to write to the DPF: %s", LastErrorText());
            return 0;
        }
    }

    uint32_t stored = 0;
    if (s.Append(*entry, b, origin, &stored) == State::Added::kYes) return 1;
    if (replacing && !s.WriteHeader(*entry, oldHeader, oldAt)) {
        // The recorded reason stays the add's: it is why the call failed.
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: the older block could not be put back: %s\n",
                       origin.c_str(), LastErrorText());
    }
    return 0;
}
