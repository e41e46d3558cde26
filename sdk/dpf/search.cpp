// IStuffDPF: finding blocks and reading their data. Blocks are found by the
// toolkit's walk (walk.cpp); a search continues after the stored bytes of
// the block found before.
#include <quenlar/dpf/stuffdpf_private.h>

#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>
#include <quenlar/platform/fileio_private.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

using namespace qnl::dpf;
using namespace qnl::platform;
using qnl::ErrorCode;

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
enum class Undo { kDone, kDamaged, kNoMemory };

// Turns the payload read for block b (deciphered, padded to 8) back into
// the owner's data by the block's mode. Takes `payload`, a new[] array;
// `*data` gets the data as a new[] array (in mode 1, the payload itself,
// padding included).
Undo UndoMode(unsigned char *payload, const DPFBlock &b, unsigned char **data) {
    const uint32_t stored = b.storedSize, size = b.size;
    if (b.mode == kScrambled) {
        unsigned char *bytes = payload;
        if (PaddedSize(stored) != stored) {
            bytes = new (std::nothrow) unsigned char[stored ? stored : 1];
            if (bytes) memcpy(bytes, payload, stored);
            delete[] payload;
            if (!bytes) return Undo::kNoMemory;
        }
        Scramble(bytes, stored);
        *data = bytes;
        return Undo::kDone;
    }
    if (b.mode != kCompressed) {
        *data = payload;
        return Undo::kDone;
    }
    unsigned char *bytes = nullptr;
    if ((uint64_t)size <= (uint64_t)stored * kMaxExpansion) {
        bytes = new (std::nothrow) unsigned char[size ? size : 1];
        if (bytes && !Decompress(payload, stored, bytes, size)) {
            delete[] bytes;
            bytes = nullptr;
        }
    }
    delete[] payload;
    // A size no stream of this length can give, a stream that does not
    // decode, or no memory for the data: the block cannot be read.
    if (!bytes) return Undo::kDamaged;
    *data = bytes;
    return Undo::kDone;
}
} // namespace

Entry *QStuffDPF::State::Searchable(int handle, int *refusal) {
    Entry *entry = Require(handle);
    if (!entry) {
        *refusal = 2;
        return nullptr;
    }
    found = false;
    if (entry->protect && !keySet) {
        qnl::ReportError(ErrorCode::kProtected, LOG_ERROR,
                         qnl::Format("IStuffDPF->Find(%d)", handle), kProtectedText);
        *refusal = 0;
        return nullptr;
    }
    return entry;
}

int QStuffDPF::State::Advance(int handle, Walker &walk, bool first, FoundBlock &block, bool *end) {
    found = false;
    memset(header, 0, sizeof header);
    if (first) next = kBlocksStart;
    cursor = next;

    switch (walk.Next(next, block)) {
    case WalkStep::kBlock:
        break;
    case WalkStep::kEnd:
        *end = true;
        return 0;
    case WalkStep::kError:
        return 2;
    case WalkStep::kShortHeader:
        // The walk recorded why; the log says which search failed.
        if (first)
            ILogSystem.Msg(LOG_ERROR,
                           " . [IStuffDPF->FindFirst(%d)] Error: the first block was "
                           "unsuccessfully loaded.\n",
                           handle);
        else
            ILogSystem.Msg(LOG_ERROR,
                           " . [IStuffDPF->FindNext(%d)] Error: the next block was unsuccessfully "
                           "loaded.\n",
                           handle);
        return block.headerBytes == 0 ? 0 : 2;
    }
    memcpy(header, block.header, kHeaderSize);
    cursor = block.payloadAt();
    next = block.resume();
    found = true;
    foundHandle = handle;
    foundOffset = (int64_t)block.at;
    foundFields = block.fields;
    return 1;
}

int QStuffDPF::State::Search(int handle, bool first, DPFBlock *b, bool *end) {
    bool walkEnded = false;
    if (end) *end = false;
    if (!Given(b)) return 2;
    int refusal = 2;
    Entry *entry = Searchable(handle, &refusal);
    if (!entry) return refusal;
    Walker walk(entry->fd, entry->protect ? &userKey : nullptr);
    FoundBlock block;
    const int r = Advance(handle, walk, first, block, &walkEnded);
    if (r == 1) FillRecord(block.fields, b);
    if (end) *end = walkEnded;
    return r;
}

int QStuffDPF::State::FindNamed(int handle, const char *name, const char *type, bool matchable,
                                DPFBlock *out) {
    int refusal = 2;
    Entry *entry = Searchable(handle, &refusal);
    if (!entry) return refusal;
    // One walk for the whole search: nothing writes to the file meanwhile.
    Walker walk(entry->fd, entry->protect ? &userKey : nullptr);
    FoundBlock block;
    bool end = false;
    int r = Advance(handle, walk, true, block, &end);
    while (r == 1 && !(matchable && strncmp(block.fields.name, name, kNameSize) == 0 &&
                       strncmp(block.fields.type, type, kTypeSize) == 0))
        r = Advance(handle, walk, false, block, &end);
    if (r == 1) FillRecord(block.fields, out);
    if (end) qnl::SetError(ErrorCode::kNotFound, kNotFoundText);
    return r;
}

// Reads go by offset: no search moves the file position (nothing reads
// from it), which spares a system call per block.
int QStuffDPF::FindFirst(int handle, DPFBlock *b) {
    return state_->Search(handle, true, b);
}

int QStuffDPF::FindNext(int handle, DPFBlock *b) {
    return state_->Search(handle, false, b);
}

int QStuffDPF::Find(int handle, DPFBlock *b) {
    if (!Given(b)) return 2;
    return state_->FindNamed(handle, b->name, b->type, true, b);
}

// ---------------------------------------------------------------------------
// Reading a block's data
// ---------------------------------------------------------------------------
bool QStuffDPF::State::Explained(const Entry &entry, const DPFBlock &b) const {
    const uint64_t padded = PaddedSize(b.storedSize);
    auto fitsIn = [&](uint64_t length) { return cursor <= length && padded <= length - cursor; };
    // The length the table keeps spares asking the system, unless the file
    // has grown since.
    bool fits = fitsIn(entry.length);
    if (!fits) {
        const int64_t length = FileLength(entry.fd);
        fits = length >= 0 && fitsIn((uint64_t)length);
    }
    return fits && b.size <= INT_MAX && (b.mode == kCompressed || b.size <= b.storedSize);
}

int QStuffDPF::State::ReadFoundPayload(Entry &entry, const char *op, const char *type,
                                       const char *name, DPFBlock *b, bool readStored) {
    auto origin = [&] {
        return qnl::Format("IStuffDPF->%s('%s','%s','%s')", op, entry.path.c_str(), type, name);
    };
    const uint32_t stored = b->storedSize, size = b->size;
    const uint64_t padded = PaddedSize(stored);
    const char kNotLoaded[] = "datablock was not loaded successfully.";

    // Sizes are checked against the file before anything is allocated: a
    // damaged header must not ask for more memory than the file can explain,
    // nor promise the caller more data than the array holds.
    if (!Explained(entry, *b)) {
        qnl::ReportError(ErrorCode::kCorrupted, LOG_ERROR, origin(), kNotLoaded);
        return 0;
    }
    if (!readStored && b->mode == kStored && !entry.protect) {
        if (size == 0) {
            qnl::SetError(ErrorCode::kEmpty, "the block holds no data.");
            return 0;
        }
        return (int)size; // the caller reads the data in place (ReadFound)
    }
    unsigned char *payload = new (std::nothrow) unsigned char[padded ? padded : 1];
    if (!payload) {
        qnl::ReportError(ErrorCode::kNoMemory, LOG_ERROR, origin(), kNotLoaded);
        return 0;
    }
    if (ReadAt(entry.fd, payload, padded, cursor) != (int64_t)padded) {
        qnl::ReportError(ErrorCode::kIo, LOG_ERROR, origin(), kNotLoaded);
        delete[] payload;
        return 0;
    }
    if (entry.protect) userKey.Decipher(payload, padded);

    unsigned char *data = nullptr;
    switch (UndoMode(payload, *b, &data)) {
    case Undo::kDone:
        break;
    case Undo::kDamaged:
        qnl::ReportError(ErrorCode::kCorrupted, LOG_ERROR, origin(),
                         "UCL failed to decompress the data block.");
        return 0;
    case Undo::kNoMemory:
        qnl::ReportError(ErrorCode::kNoMemory, LOG_ERROR, origin(), kNotLoaded);
        return 0;
    }
    if (size == 0) {
        // Nothing to hand over: a caller that treats 0 as failure leaks nothing.
        delete[] data;
        qnl::SetError(ErrorCode::kEmpty, "the block holds no data.");
        return 0;
    }
    b->data = reinterpret_cast<char *>(data);
    return (int)size;
}

int QStuffDPF::LoadBlock(int handle, const char *type, const char *name, DPFBlock *b) {
    return state_->Load(handle, type, name, b, true);
}

int QStuffDPF::LocateBlock(int handle, const char *type, const char *name, DPFBlock *b) {
    return state_->Load(handle, type, name, b, false);
}

int QStuffDPF::State::Load(int handle, const char *type, const char *name, DPFBlock *b,
                           bool readStored) {
    State &s = *this;
    if (!b || !type || !name) {
        if (b) memset(b, 0, sizeof *b);
        qnl::SetError(ErrorCode::kInvalidArgument, "no block, type or name was given.");
        return 0;
    }
    memset(b, 0, sizeof *b);
    const size_t nameLength = strlen(name), typeLength = strlen(type);
    memcpy(b->name, name, std::min(nameLength, sizeof b->name - 1));
    memcpy(b->type, type, std::min(typeLength, sizeof b->type - 1));

    Entry *entry = s.Require(handle);
    if (!entry) return 0;
    const char *path = entry->path.c_str();
    if (entry->protect && !s.keySet) {
        qnl::ReportError(ErrorCode::kProtected, LOG_ERROR,
                         qnl::Format("IStuffDPF->LoadBlock('%s','%s','%s')", path, type, name),
                         kProtectedText);
        return 0;
    }
    // Names longer than their fields cannot be in the file.
    bool matchable = nameLength < sizeof b->name && typeLength < sizeof b->type;
    if (s.FindNamed(handle, b->name, b->type, matchable, b) != 1) {
        // The search recorded why: not there, or a damaged scan.
        ILogSystem.Msg(LOG_WARNING, " . [IStuffDPF->LoadBlock('%s','%s','%s')] Warning: %s\n", path,
                       type, name, kNotFoundText);
        return 0;
    }
    return s.ReadFoundPayload(*entry, "LoadBlock", type, name, b, readStored);
}

int QStuffDPF::LoadFound(int handle, DPFBlock *b) {
    State &s = *state_;
    if (!Given(b)) return 0;
    memset(b, 0, sizeof *b);
    Entry *entry = s.Require(handle);
    if (!entry) return 0;
    if (!s.found || s.foundHandle != handle) {
        qnl::SetError(ErrorCode::kInvalidArgument, "no search of this package found a block.");
        return 0;
    }
    const BlockFields &f = s.foundFields;
    FillRecord(f, b);
    return s.ReadFoundPayload(*entry, "LoadFound", f.type, f.name, b, true);
}

int QStuffDPF::ReadFound(int handle, unsigned int offset, void *into, unsigned int length) {
    State &s = *state_;
    Entry *entry = s.Require(handle);
    if (!entry) return 0;
    const BlockFields &f = s.foundFields;
    if (!s.found || s.foundHandle != handle || f.mode != kStored || entry->protect || !into) {
        qnl::SetError(ErrorCode::kInvalidArgument,
                      "no search of this package found a stored block.");
        return 0;
    }
    if ((uint64_t)offset + length > f.stored) {
        qnl::SetError(ErrorCode::kInvalidArgument, "the bytes asked for lie beyond the block.");
        return 0;
    }
    if (ReadAt(entry->fd, into, length, s.cursor + offset) != (int64_t)length) {
        qnl::ReportError(ErrorCode::kIo, LOG_ERROR,
                         qnl::Format("IStuffDPF->ReadFound('%s','%s','%s')", entry->path.c_str(),
                                     f.type, f.name),
                         "datablock was not loaded successfully.");
        return 0;
    }
    return 1;
}
