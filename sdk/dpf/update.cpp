// IStuffDPF->Update3to4: converts a version 3.0 package to version 4.0.
//
// Version 3.0 layout, as far as the conversion reads it:
//   0 "DPFv" | 4 version text ("3...") | 8 creator (29) | 37 creation date (32)
//   256 blocks, back to back, without padding or cipher:
//     marker (11: ".BlockData." or B7 "BlockData" B7) | name (32) | type (5)
//     | mode (1) | data size (4) | stored size (4) | payload (stored size)
//   Type "DELE" marks a deleted block.
#include <quenlar/dpf/stuffdpf_private.h>

#include <quenlar/core/log.h>
#include <quenlar/platform/fileio_private.h>

#include <cstring>
#include <string>
#include <vector>

using namespace qnl::dpf;
using namespace qnl::platform;

namespace {
constexpr size_t kV3HeadSize = 256;
constexpr size_t kV3Creator = 8, kV3Created = 37;
constexpr size_t kV3MarkerSize = 11;
constexpr size_t kV3HeaderSize = 46; // name 32, type 5, mode 1, sizes 4 + 4
constexpr size_t kV3Name = 0, kV3Type = 32, kV3Mode = 37, kV3Size = 38, kV3Stored = 42;
const char kV3MarkerDots[] = ".BlockData.";
const char kV3MarkerB7[] = "\xB7"
                           "BlockData\xB7";
const char kWorkFile[] = "tmp.dpf"; // in the working directory
constexpr size_t kMaxPath = 250;

// The old file's name after the update: the path cut at its last '.'
// (nothing of it when it has none), then "_v3.dpf".
std::string BackupName(const std::string &path) {
    size_t dot = path.rfind('.');
    return (dot == std::string::npos ? std::string() : path.substr(0, dot)) + "_v3.dpf";
}
} // namespace

int QStuffDPF::Update3to4(const char *path) {
    State &s = *state_;
    if (!path || strlen(path) > kMaxPath) return 0;

    int old = OpenFile(path, OpenMode::ReadWrite);
    if (old < 0) return 0;
    unsigned char head[kV3HeadSize];
    int64_t headBytes = ReadAll(old, head, sizeof head);
    if (headBytes != (int64_t)sizeof head || memcmp(head, "DPFv3", 5) != 0) {
        ILogSystem.Msg(0, " . [IStuffDPF->Update3to4('%s')] Error: it is not a DPF v3.0.\n", path);
        CloseFile(old);
        return 0;
    }

    // Creating the working file must not truncate the file being converted.
    if (SameFile(old, kWorkFile)) {
        ILogSystem.Msg(0,
                       " . [IStuffDPF->Update3to4('%s')] Error: the working file '%s' is the file "
                       "to update.\n",
                       path, kWorkFile);
        CloseFile(old);
        return 0;
    }
    int neu = OpenFile(kWorkFile, OpenMode::Create);
    if (neu < 0) {
        CloseFile(old);
        return 0;
    }

    // The new head keeps the old creator text and creation date.
    unsigned char info[kInfoSize];
    BuildInfoHeader(info, reinterpret_cast<const char *>(head + kV3Creator), kInfoCreatorSize,
                    reinterpret_cast<const char *>(head + kV3Created), kInfoDateSize);
    unsigned char file[kBlocksStart];
    BuildFileHead(file, info, s.headerKey);
    bool ok = WriteAll(neu, file, sizeof file);

    ILogSystem.Msg(2, "\n . [IStuffDPF->Update3to4('%s')] Info: creating new DPF v4.0...\n", path);
    int64_t oldLength = FileLength(old);
    uint64_t pos = kV3HeadSize;
    int imported = 0;
    std::vector<unsigned char> block;
    for (;;) {
        unsigned char marker[kV3MarkerSize];
        int64_t got = ReadAll(old, marker, sizeof marker);
        if (got == 0) break;
        if (got != (int64_t)sizeof marker) {
            ok = false;
            break;
        }
        if (memcmp(marker, kV3MarkerDots, kV3MarkerSize) != 0 &&
            memcmp(marker, kV3MarkerB7, kV3MarkerSize) != 0) {
            ILogSystem.Msg(
                0, " . [IStuffDPF->Update3to4('%s')] Error: header block does not match.\n", path);
            ok = false;
            break;
        }
        pos += kV3MarkerSize;

        // A stored size beyond the end of the file is a cut or damaged block:
        // it is refused before anything is allocated for it.
        unsigned char v3[kV3HeaderSize];
        got = ReadAll(old, v3, sizeof v3);
        uint32_t stored = got == (int64_t)sizeof v3 ? GetLE32(v3 + kV3Stored) : 0;
        pos += sizeof v3;
        bool complete = got == (int64_t)sizeof v3 && oldLength >= 0 && pos <= (uint64_t)oldLength &&
                        stored <= (uint64_t)oldLength - pos;
        if (complete) {
            block.assign(kBlockOverhead + PaddedSize(stored), 0);
            complete = ReadAll(old, block.data() + kBlockOverhead, stored) == (int64_t)stored;
        }
        if (!complete) {
            ILogSystem.Msg(0, " . [IStuffDPF->Update3to4('%s')] Error: data block is corrupted.\n",
                           path);
            ok = false;
            break;
        }
        pos += stored;

        char name[kNameSize] = {0}, type[6] = {0};
        memcpy(name, v3 + kV3Name, kNameSize - 1);
        memcpy(type, v3 + kV3Type, 5);
        if (strcmp(type, "DELE") == 0) continue;

        // Names and types are copied as whole fields, payloads byte for byte.
        unsigned char *header = block.data() + kMarkerSize;
        memcpy(block.data(), kMarker, kMarkerSize);
        BuildHeader(header, "", "", v3[kV3Mode], GetLE32(v3 + kV3Size), stored);
        memcpy(header + kHdrName, v3 + kV3Name, kNameSize);
        memcpy(header + kHdrType, v3 + kV3Type, 5);
        memcpy(s.header, header, kHeaderSize);
        // A write that falls short is reported and fails the conversion (the
        // old file stays in place) after the remaining blocks were tried.
        if (!WriteAll(neu, block.data(), kMarkerSize)) {
            ILogSystem.Msg(
                0, " . [IStuffDPF->Update3to4('%s')] Error: new ID block is corrupted.\n", path);
            ok = false;
        }
        if (!WriteAll(neu, header, kHeaderSize)) {
            ILogSystem.Msg(
                0, " . [IStuffDPF->Update3to4('%s')] Error: new header block is corrupted.\n",
                path);
            ok = false;
        }
        if (!WriteAll(neu, block.data() + kBlockOverhead, block.size() - kBlockOverhead)) {
            ILogSystem.Msg(
                0, " . [IStuffDPF->Update3to4('%s')] Error: new data block is corrupted.\n", path);
            ok = false;
        }
        ++imported;
        ILogSystem.Msg(2,
                       " . [IStuffDPF->Update3to4('%s')] Info: imported block %d - Name '%s' - "
                       "Type '%s' - Size %d Kb\n",
                       path, imported, name, type, (int)(stored / 1024));
    }
    CloseFile(old);
    if (ok && !s.RefreshInfo(neu)) ok = false;
    CloseFile(neu);
    if (!ok) {
        RemoveFile(kWorkFile);
        return 0;
    }

    ILogSystem.Msg(2, " . [IStuffDPF->Update3to4('%s')] Info: total blocks imported: %d\n", path,
                   imported);
    // The path must never end up empty: if the new file cannot take the old
    // one's place, the old one goes back.
    const std::string backup = BackupName(path);
    if (!RenameFile(path, backup.c_str())) {
        ILogSystem.Msg(
            0, " . [IStuffDPF->Update3to4('%s')] Error: '%s' could not be renamed to '%s': %s\n",
            path, path, backup.c_str(), LastErrorText());
        RemoveFile(kWorkFile);
        return 0;
    }
    if (!RenameFile(kWorkFile, path)) {
        ILogSystem.Msg(
            0, " . [IStuffDPF->Update3to4('%s')] Error: '%s' could not be renamed to '%s': %s\n",
            path, kWorkFile, path, LastErrorText());
        RenameFile(backup.c_str(), path);
        RemoveFile(kWorkFile);
        return 0;
    }
    ILogSystem.Msg(2, "   - Original DPF v3.0 was renamed to %s\n\n", backup.c_str());

    int fd = OpenFile(path, OpenMode::ReadWrite);
    if (fd < 0) return 0;
    if (ReadAll(fd, s.head, kHeadSize) != (int64_t)kHeadSize) {
        CloseFile(fd);
        return 0;
    }
    return fd;
}
