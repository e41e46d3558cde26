// IStuffDPF: the checksum, and adding, deleting and replacing blocks.
//
// Every write takes the file's exclusive lock (so two programs never mix
// their writes), works from the file as it is under the lock (its real end
// and stored checksum, never a length remembered from before), and commits
// before it returns: the new bytes are flushed to disk, then the info header
// gets the checksum of the whole file (carried over from the stored one,
// without reading the file again) and the date, and is flushed too. A write
// cut short by a crash, a kill or a full disk thus leaves at most a tail
// after the blocks the header vouches for, which a repair can cut off.
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

// The exclusive lock on a package for the life of one write.
class WriteLock {
public:
    explicit WriteLock(int fd) : fd_(fd) { LockFile(fd_, LockKind::kExclusive); }
    ~WriteLock() { UnlockFile(fd_); }
    WriteLock(const WriteLock &) = delete;
    WriteLock &operator=(const WriteLock &) = delete;

private:
    int fd_;
};

constexpr char kCannotWrite[] = "it was not possible to write to the DPF: %s";
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
// The steps of every write
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
    if (entry && entry->readOnly) {
        qnl::ReportError(ErrorCode::kReadOnly, LOG_ERROR, origin,
                         "the DPF was opened in read only mode.");
        return nullptr;
    }
    if (entry && entry->protect && !keySet) {
        qnl::ReportError(ErrorCode::kProtected, LOG_ERROR, origin, kProtectedText);
        return nullptr;
    }
    return entry;
}

bool QStuffDPF::State::StillInPlace(const Entry &entry, const std::string &origin) {
    // A package replaced (compacted, converted, deleted) by another program
    // while this one held it open: writes to the old file would be lost.
    if (SameFile(entry.fd, entry.path.c_str())) return true;
    qnl::ReportError(ErrorCode::kBusy, LOG_ERROR, origin,
                     "another program replaced the DPF since it was opened; open it again.");
    return false;
}

QStuffDPF::State::Survey QStuffDPF::State::SurveyBlocks(Entry &entry, const char *name,
                                                        const char *type) {
    Survey survey;
    DPFBlock b;
    bool end = false;
    uint64_t blocksEnd = kBlocksStart; // where the walk goes on after the last block
    int r = Search(entry.handle, true, &b, &end);
    for (; r == 1; r = Search(entry.handle, false, &b, &end)) {
        if (!survey.found && strncmp(b.name, name, sizeof b.name) == 0 &&
            strncmp(b.type, type, sizeof b.type) == 0) {
            survey.found = true;
            survey.headerAt = cursor - kHeaderSize;
            memcpy(survey.header, header, kHeaderSize);
        }
        blocksEnd = next;
    }
    // A walk that did not end at the end of the file recorded why (a marker
    // or header cut off). A last block longer than the file would swallow
    // whatever is appended: the scan goes on after its stored bytes.
    int64_t length = FileLength(entry.fd);
    if (r == 0 && end && length >= 0 && blocksEnd <= (uint64_t)length)
        survey.appendable = true;
    else if (r == 0 && end)
        qnl::SetError(ErrorCode::kCorrupted, "the last block is cut off by the end of the file.");
    return survey;
}

bool QStuffDPF::State::StoredChecksum(int fd, uint32_t *crc) {
    unsigned char block[kInfoSize];
    if (ReadAt(fd, block, kInfoSize, kHeadSize) != (int64_t)kInfoSize) {
        qnl::SetError(ErrorCode::kIo, "the info header cannot be read: %s", LastErrorText());
        return false;
    }
    headerKey.Decipher(block, kInfoSize);
    *crc = GetLE32(block + kInfoCrc);
    return true;
}

bool QStuffDPF::State::Commit(Entry &entry, uint32_t crc) {
    unsigned char stored[kInfoSize];
    // The bytes first: the header must never count bytes the disk lacks.
    if (!SyncFile(entry.fd) ||
        ReadAt(entry.fd, stored, kInfoSize, kHeadSize) != (int64_t)kInfoSize) {
        qnl::SetError(ErrorCode::kIo, "%s", LastErrorText());
        return false;
    }
    unsigned char block[kInfoSize];
    memcpy(block, stored, kInfoSize);
    headerKey.Decipher(block, kInfoSize);
    FormatDate(reinterpret_cast<char *>(block + kInfoModified));
    PutLE32(block + kInfoCrc, crc);
    memcpy(info, block, kInfoSize);
    headerKey.Encipher(block, kInfoSize);
    if (!WriteAt(entry.fd, block, kInfoSize, kHeadSize) || !SyncFile(entry.fd)) {
        qnl::SetError(ErrorCode::kIo, "%s", LastErrorText());
        WriteAt(entry.fd, stored, kInfoSize, kHeadSize);
        return false;
    }
    int64_t length = FileLength(entry.fd);
    if (length > 0) entry.length = (uint64_t)length;
    return true;
}

bool QStuffDPF::State::AppendBlock(Entry &entry, DPFBlock *b, const std::string &origin,
                                   uint32_t *stored) {
    if (b->size > 0 && !b->data) {
        qnl::ReportError(ErrorCode::kInvalidArgument, LOG_ERROR, origin, "the block has no data.");
        return false;
    }
    // marker | header | padded payload, written with one call.
    std::vector<unsigned char> block;
    static const unsigned char kNoData = 0;
    const unsigned char *data =
        b->data ? reinterpret_cast<const unsigned char *>(b->data) : &kNoData;
    if (!EncodePayload(data, b->size, b->mode, block, *stored, kBlockOverhead)) {
        qnl::ReportError(ErrorCode::kNoMemory, LOG_ERROR, origin,
                         "UCL failed to compress the data block.");
        return false;
    }
    BuildHeader(header, b->name, b->type, b->mode, b->size, *stored);
    memcpy(block.data(), kMarker, kMarkerSize);
    memcpy(block.data() + kMarkerSize, header, kHeaderSize);
    if (entry.protect) userKey.Encipher(block.data() + kMarkerSize, block.size() - kMarkerSize);

    // Whatever fails, the file is cut back to where it ended, so that it
    // never keeps half a block or a block its header does not count.
    uint32_t crc = 0;
    int64_t end = FileLength(entry.fd);
    bool written = end >= 0 && StoredChecksum(entry.fd, &crc);
    if (written && !WriteAt(entry.fd, block.data(), block.size(), (uint64_t)end)) {
        qnl::SetError(ErrorCode::kIo, "%s", LastErrorText());
        written = false;
    }
    if (written && !Commit(entry, ChecksumAfterAppend(crc, block.data(), block.size())))
        written = false;
    if (!written) {
        if (end >= 0) Truncate(entry.fd, (uint64_t)end);
        qnl::ReportError(ErrorCode::kIo, LOG_ERROR, origin, kCannotWrite, qnl::LastError().reason);
        return false;
    }
    found = false;
    return true;
}

bool QStuffDPF::State::MarkDeletedAt(Entry &entry, uint64_t at, const unsigned char *plain,
                                     const std::string &origin) {
    // The block keeps its place and payload; only its header changes.
    unsigned char before[kHeaderSize], after[kHeaderSize];
    memcpy(before, plain, kHeaderSize);
    memcpy(after, plain, kHeaderSize);
    MarkDeleted(after);
    memcpy(header, after, kHeaderSize);
    if (entry.protect) {
        userKey.Encipher(before, kHeaderSize);
        userKey.Encipher(after, kHeaderSize);
    }
    uint32_t crc = 0;
    int64_t length = FileLength(entry.fd);
    bool written =
        length >= 0 && (uint64_t)length >= at + kHeaderSize && StoredChecksum(entry.fd, &crc);
    if (written && !WriteAt(entry.fd, after, kHeaderSize, at)) {
        qnl::SetError(ErrorCode::kIo, "%s", LastErrorText());
        written = false;
    }
    const uint64_t following = written ? (uint64_t)length - at - kHeaderSize : 0;
    if (written &&
        !Commit(entry, ChecksumAfterChange(crc, before, after, kHeaderSize, following))) {
        WriteAt(entry.fd, before, kHeaderSize, at);
        written = false;
    }
    if (!written) {
        qnl::ReportError(ErrorCode::kIo, LOG_ERROR, origin, kCannotWrite, qnl::LastError().reason);
        return false;
    }
    found = false;
    return true;
}

// ---------------------------------------------------------------------------
// AddData
// ---------------------------------------------------------------------------
int QStuffDPF::AddData(int handle, DPFBlock *b) {
    State &s = *state_;
    std::string origin;
    Entry *entry = s.Writable("AddData", handle, b, origin);
    if (!entry) return 0;
    WriteLock lock(entry->fd);
    if (!s.StillInPlace(*entry, origin)) return 0;

    State::Survey survey = s.SurveyBlocks(*entry, b->name, b->type);
    if (survey.found) {
        qnl::ReportError(ErrorCode::kExists, LOG_INFO, origin, "block already exists.");
        return -1;
    }
    if (!survey.appendable) {
        // The walk recorded why.
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: %s\n", origin.c_str(), kNoAccessText);
        return 0;
    }
    if (b->mode != kCompressed && b->mode != kStored) b->mode = kScrambled;
    uint32_t stored = 0;
    return s.AppendBlock(*entry, b, origin, &stored) ? (int)stored : 0;
}

// ---------------------------------------------------------------------------
// Delete
// ---------------------------------------------------------------------------
int QStuffDPF::Delete(int handle, DPFBlock *b) {
    State &s = *state_;
    if (!Given(b)) return 0;
    Entry *entry = s.Require(handle);
    if (!entry) return 0;
    const std::string origin = qnl::Format("IStuffDPF->Delete(%d)", handle);
    if (entry->readOnly) {
        qnl::ReportError(ErrorCode::kReadOnly, LOG_ERROR, origin,
                         "the DPF was opened in read only mode.");
        return 0;
    }
    WriteLock lock(entry->fd);
    if (!s.StillInPlace(*entry, origin)) return 0;

    DPFBlock kept = *b;
    int r = s.FindNamed(handle, b->name, b->type, true, b);
    b->mode = kept.mode;
    b->size = kept.size;
    b->storedSize = kept.storedSize;
    b->data = kept.data;
    if (r != 1) {
        // The search recorded why: not there, or a damaged scan.
        ILogSystem.Msg(LOG_WARNING, " . [%s] Warning: %s\n", origin.c_str(), kNotFoundText);
        return 0;
    }
    unsigned char found[kHeaderSize];
    memcpy(found, s.header, kHeaderSize);
    return s.MarkDeletedAt(*entry, s.cursor - kHeaderSize, found, origin) ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Replace
// ---------------------------------------------------------------------------
int QStuffDPF::Replace(int handle, DPFBlock *b) {
    State &s = *state_;
    std::string origin;
    Entry *entry = s.Writable("Replace", handle, b, origin);
    if (!entry) return 0;
    WriteLock lock(entry->fd);
    if (!s.StillInPlace(*entry, origin)) return 0;

    State::Survey survey = s.SurveyBlocks(*entry, b->name, b->type);
    if (!survey.appendable) {
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: %s\n", origin.c_str(), kNoAccessText);
        return 0;
    }
    // The new block is added and committed before the older one is marked
    // deleted: until then the older one, first in file order, is the one
    // found. An interruption between the two leaves the package as it was
    // plus an unreachable copy; a failed add leaves it exactly as it was.
    if (b->mode != kCompressed && b->mode != kStored) b->mode = kScrambled;
    int64_t end = FileLength(entry->fd);
    uint32_t stored = 0, crc = 0;
    if (end < 0 || !s.StoredChecksum(entry->fd, &crc)) {
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: %s\n", origin.c_str(), kNoAccessText);
        return 0;
    }
    if (!s.AppendBlock(*entry, b, origin, &stored)) return 0;
    if (!survey.found || s.MarkDeletedAt(*entry, survey.headerAt, survey.header, origin)) return 1;
    // The older block stays: the new one goes again, with the old checksum.
    Truncate(entry->fd, (uint64_t)end);
    if (!s.Commit(*entry, crc))
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: the new block could not be taken back: %s\n",
                       origin.c_str(), LastErrorText());
    return 0;
}
