// IStuffDPF->Compact: rewrites a package without its deleted blocks.
//
// Live blocks are copied byte for byte (marker, header, padded payload) in
// file order into a new file beside the old one; the info header keeps
// creator, creation date and filler, with a new modification date and
// checksum. Only a complete, flushed new file is renamed over the old one.
#include <quenlar/dpf/stuffdpf_private.h>

#include <quenlar/core/log.h>
#include <quenlar/platform/fileio_private.h>

#include <cstring>
#include <string>
#include <vector>
#include <zlib.h>

using namespace qnl::dpf;
using namespace qnl::platform;

namespace {
// Copies `length` bytes at `from` in `in` to the end of `out`, adding them
// to the running checksum.
bool CopyRange(int in, uint64_t from, uint64_t length, int out, uLong &crc) {
    std::vector<unsigned char> buffer(65536);
    while (length > 0) {
        size_t chunk = length < buffer.size() ? (size_t)length : buffer.size();
        if (ReadAt(in, buffer.data(), chunk, from) != (int64_t)chunk) return false;
        if (!WriteAll(out, buffer.data(), chunk)) return false;
        crc = crc32(crc, buffer.data(), (uInt)chunk);
        from += chunk;
        length -= chunk;
    }
    return true;
}
} // namespace

int QStuffDPF::Compact(const char *path) {
    State &s = *state_;
    if (!path) return 0;
    for (const Entry &e : s.table) {
        if (e.handle != 0 && e.path == path) {
            ILogSystem.Msg(
                0, " . [IStuffDPF->Compact('%s')] Error: the DPF is open; close it first.\n", path);
            return 0;
        }
    }

    int in = OpenFile(path, OpenMode::ReadOnly);
    if (in < 0) {
        ILogSystem.Msg(0, " . [IStuffDPF->Compact('%s')] Error: %s\n", path, LastErrorText());
        return 0;
    }
    // Only a sound package is rewritten: a fresh checksum over damaged
    // blocks would hide the damage.
    unsigned char file[kBlocksStart];
    unsigned char *info = file + kHeadSize;
    const char *fault = nullptr;
    uint32_t crc = 0;
    if (ReadAt(in, file, sizeof file, 0) != (int64_t)sizeof file || memcmp(file, kHeadV4, 4) != 0)
        fault = "it is not a valid DPF.";
    else if (file[4] != '4')
        fault = "only DPF v4.0 files can be compacted.";
    if (!fault) {
        s.headerKey.Decipher(info, kInfoSize);
        if (!ChecksumFrom(in, kBlocksStart, &crc) || crc != GetLE32(info + kInfoCrc))
            fault = "the given DPF is corrupted.";
        else if (info[kInfoProtected] && !s.keySet)
            fault = "the given DPF is protected and the key was not set.";
    }
    if (fault) {
        ILogSystem.Msg(0, " . [IStuffDPF->Compact('%s')] Error: %s\n", path, fault);
        CloseFile(in);
        return 0;
    }

    std::string temp;
    int out = CreateFileBeside(path, in, temp);
    if (out < 0) {
        ILogSystem.Msg(0, " . [IStuffDPF->Compact('%s')] Error: %s\n", path, LastErrorText());
        CloseFile(in);
        return 0;
    }
    bool ok = WriteAll(out, file, sizeof file); // the info header is rewritten last

    // The same walk as FindFirst/FindNext: after each block, the scan goes on
    // from the end of its stored bytes.
    int64_t length = FileLength(in);
    uLong newCrc = crc32(0L, Z_NULL, 0);
    int kept = 0, dropped = 0;
    uint64_t from = kBlocksStart, at = 0;
    int r;
    while (ok && (r = ScanForMarker(in, from, &at)) != 0) {
        unsigned char header[kHeaderSize];
        if (r != 1 || ReadAt(in, header, kHeaderSize, at + kMarkerSize) != (int64_t)kHeaderSize) {
            ok = false;
            break;
        }
        BlockFields f = ParseHeader(header);
        uint64_t blockLength = kBlockOverhead + PaddedSize(f.stored);
        if (length < 0 || at + blockLength > (uint64_t)length) {
            ok = false; // a payload cut off by the end of the file
            break;
        }
        if (strcmp(f.type, "DELETED") == 0) {
            ++dropped;
        } else {
            ok = CopyRange(in, at, blockLength, out, newCrc);
            ++kept;
        }
        from = at + kBlockOverhead + f.stored;
    }
    if (!ok)
        ILogSystem.Msg(0, " . [IStuffDPF->Compact('%s')] Error: the blocks could not be copied.\n",
                       path);

    if (ok) {
        FormatDate(reinterpret_cast<char *>(info + kInfoModified));
        PutLE32(info + kInfoCrc, (uint32_t)newCrc);
        s.headerKey.Encipher(info, kInfoSize);
        ok = WriteAt(out, info, kInfoSize, kHeadSize) && SyncFile(out);
        if (!ok)
            ILogSystem.Msg(0, " . [IStuffDPF->Compact('%s')] Error: %s\n", path, LastErrorText());
    }
    CloseFile(in);
    CloseFile(out);
    if (ok && !RenameFile(temp.c_str(), path)) {
        ILogSystem.Msg(0, " . [IStuffDPF->Compact('%s')] Error: %s\n", path, LastErrorText());
        ok = false;
    }
    if (!ok) {
        RemoveFile(temp.c_str());
        return 0;
    }
    ILogSystem.Msg(
        5, " . [IStuffDPF->Compact('%s')] Info: %d blocks kept, %d deleted blocks removed.\n", path,
        kept, dropped);
    return 1;
}
