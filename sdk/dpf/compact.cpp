// IStuffDPF->Compact: rewrites a package without its deleted blocks.
//
// Live blocks are copied byte for byte (marker, header, padded payload) in
// file order into a new file beside the old one (beside what a link points
// to); the info header keeps creator, creation date and filler, with a new
// modification date and checksum. Only a complete, flushed new file takes
// the old one's place; until then it has no name where the system allows,
// so a compaction that is killed leaves nothing behind.
#include <quenlar/dpf/stuffdpf_private.h>

#include <quenlar/core/crc32_private.h>
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
// Copies `length` bytes at `from` in `in` to the end of `out`, adding them
// to the running checksum. False (recorded) on a short read or write.
bool CopyRange(int in, uint64_t from, uint64_t length, int out, Uint32 &crc) {
    std::vector<unsigned char> buffer(65536);
    while (length > 0) {
        size_t chunk = length < buffer.size() ? (size_t)length : buffer.size();
        if (ReadAt(in, buffer.data(), chunk, from) != (int64_t)chunk ||
            !WriteAll(out, buffer.data(), chunk)) {
            qnl::SetError(ErrorCode::kIo, "%s", LastErrorText());
            return false;
        }
        crc = qnl::Crc32(crc, buffer.data(), chunk);
        from += chunk;
        length -= chunk;
    }
    return true;
}

struct Counts {
    int kept = 0, dropped = 0;
};

// Writes the compacted file: the head of `in` as it is (`file`; its info
// header is rewritten last), then the live blocks in their order. False
// (recorded) when the walk, a read or a write fails.
bool WriteCompacted(int in, int out, const unsigned char *file, Uint32 &crc, Counts &counts) {
    if (!WriteAll(out, file, kBlocksStart)) {
        qnl::SetError(ErrorCode::kIo, "%s", LastErrorText());
        return false;
    }
    int64_t length = FileLength(in);
    FoundBlock block;
    WalkStep step;
    for (uint64_t from = kBlocksStart;
         (step = NextBlock(in, from, nullptr, block)) == WalkStep::kBlock; from = block.resume()) {
        if (length < 0 || block.end() > (uint64_t)length) {
            qnl::SetError(ErrorCode::kCorrupted,
                          "a block's payload is cut off by the end of the file.");
            return false;
        }
        if (IsDeletedType(block.fields.type)) {
            ++counts.dropped;
        } else {
            if (!CopyRange(in, block.at, block.end() - block.at, out, crc)) return false;
            ++counts.kept;
        }
    }
    return step == WalkStep::kEnd;
}
} // namespace

// Only a sound package is rewritten: a fresh checksum over damaged blocks
// would hide the damage. The file's head goes to `file` (info deciphered).
bool QStuffDPF::State::CheckCompactable(int in, const std::string &origin,
                                        unsigned char (&file)[kBlocksStart]) {
    unsigned char *info = file + kHeadSize;
    int64_t got = ReadAt(in, file, sizeof file, 0);
    HeadKind kind = ClassifyHead(file, got < 0 ? 0 : (size_t)got);
    if (got != (int64_t)sizeof file || kind == HeadKind::kNotPackage) {
        qnl::ReportError(ErrorCode::kNotPackage, LOG_ERROR, origin, kNotPackageText);
        return false;
    }
    if (kind != HeadKind::kVersion4) {
        qnl::ReportError(ErrorCode::kUnsupported, LOG_ERROR, origin,
                         "only DPF v4.0 files can be compacted.");
        return false;
    }
    headerKey.Decipher(info, kInfoSize);
    if (!ChecksumMatches(in, info, origin)) return false;
    if (info[kInfoProtected] && !keySet) {
        qnl::ReportError(ErrorCode::kProtected, LOG_ERROR, origin, kProtectedText);
        return false;
    }
    return true;
}

int QStuffDPF::Compact(const char *path) {
    State &s = *state_;
    if (!Given(path)) return 0;
    const std::string origin = qnl::Format("IStuffDPF->Compact('%s')", path);
    for (const Entry &e : s.table) {
        if (e.handle != 0 && e.path == path) {
            qnl::ReportError(ErrorCode::kBusy, LOG_ERROR, origin,
                             "the DPF is open; close it first.");
            return 0;
        }
    }

    int in = OpenFile(path, OpenMode::ReadOnly);
    if (in < 0) {
        qnl::ReportError(ErrorCode::kIo, LOG_ERROR, origin, "%s", LastErrorText());
        return 0;
    }
    // Writers wait until the new file is in place; they then find the file
    // they hold replaced and refuse to write into it.
    LockFile(in, LockKind::kExclusive);
    unsigned char file[kBlocksStart];
    unsigned char *info = file + kHeadSize;
    FileSwap out;
    bool ok = s.CheckCompactable(in, origin, file);
    if (ok && !out.Create(path, in)) {
        qnl::ReportError(ErrorCode::kIo, LOG_ERROR, origin, "%s", LastErrorText());
        ok = false;
    }

    Uint32 crc = 0;
    Counts counts;
    if (ok) {
        ok = WriteCompacted(in, out.fd(), file, crc, counts);
        if (!ok)
            ILogSystem.Msg(LOG_ERROR, " . [%s] Error: the blocks could not be copied.\n",
                           origin.c_str());
    }
    if (ok) {
        FormatDate(reinterpret_cast<char *>(info + kInfoModified));
        PutLE32(info + kInfoCrc, (uint32_t)crc);
        s.headerKey.Encipher(info, kInfoSize);
        if (!WriteAt(out.fd(), info, kInfoSize, kHeadSize)) {
            qnl::ReportError(ErrorCode::kIo, LOG_ERROR, origin, "%s", LastErrorText());
            ok = false;
        }
    }
    if (ok && !out.Swap()) {
        qnl::ReportError(ErrorCode::kIo, LOG_ERROR, origin, "%s", out.systemError().c_str());
        ok = false;
    }
    CloseFile(in);     // releases the lock
    if (!ok) return 0; // `out` removes the new file
    ILogSystem.Msg(LOG_INFO, " . [%s] Info: %d blocks kept, %d deleted blocks removed.\n",
                   origin.c_str(), counts.kept, counts.dropped);
    return 1;
}
