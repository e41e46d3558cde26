// IStuffDPF->Update3to4: converts a version 3.0 package to version 4.0.
//
// Version 3.0 layout, as far as the conversion reads it:
//   0 "DPFv" | 4 version text ("3...") | 8 creator (29) | 37 creation date (32)
//   256 blocks, back to back, without padding or cipher:
//     marker (11: ".BlockData." or B7 "BlockData" B7) | name (32) | type (5)
//     | mode (1) | data size (4) | stored size (4) | payload (stored size)
//   Type "DELE" marks a deleted block.
//
// The new file is written whole as "tmp.dpf" in the working directory; only
// then does the old file move to its backup name and the new one take its
// place (FileSwap, which copies it beside the old one first when the working
// directory is on another file system), so a failure at any step leaves the
// old file as it was.
#include <quenlar/dpf/stuffdpf_private.h>

#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>
#include <quenlar/platform/fileio_private.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

using namespace qnl::dpf;
using namespace qnl::platform;
using qnl::ErrorCode;

namespace {
constexpr size_t kV3HeadSize = 256;
constexpr size_t kV3Creator = 8, kV3Created = 37;
constexpr size_t kV3MarkerSize = 11;
constexpr size_t kV3HeaderSize = 46; // name 32, type 5, mode 1, sizes 4 + 4
constexpr size_t kV3Name = 0, kV3Type = 32, kV3TypeSize = 5, kV3Mode = 37, kV3Size = 38,
                 kV3Stored = 42;
const char kV3MarkerDots[] = ".BlockData.";
const char kV3MarkerB7[] = "\xB7"
                           "BlockData\xB7";
const char kV3DeletedType[] = "DELE";
const char kWorkFile[] = "tmp.dpf"; // in the working directory
constexpr size_t kMaxPath = 250;

// The old file's name after the update: the path cut at its last '.'
// (nothing of it when it has none), then "_v3.dpf".
std::string BackupName(const std::string &path) {
    size_t dot = path.rfind('.');
    return (dot == std::string::npos ? std::string() : path.substr(0, dot)) + "_v3.dpf";
}

// One block of the old file, already laid out as the new file holds it:
// marker, header and padded payload.
struct Block {
    std::vector<unsigned char> bytes;
    char name[kNameSize] = {0};
    char type[kV3TypeSize + 1] = {0};
    uint32_t stored = 0;

    unsigned char *header() { return bytes.data() + kMarkerSize; }
    bool deleted() const { return strcmp(type, kV3DeletedType) == 0; }
};

enum class Read { kBlock, kEnd, kFailed };

// The block-by-block part of a conversion: reading an old block and
// writing it as a new one, with the position in the old file and the count
// of blocks imported.
class Conversion {
public:
    // `origin` names the call in messages.
    Conversion(const std::string &origin, int old)
        : origin_(origin), old_(old), length_(FileLength(old)) {}

    // Reads the old block at the file position and converts its header.
    // Failures are logged and recorded.
    Read ReadOldBlock(Block &block) {
        unsigned char marker[kV3MarkerSize];
        int64_t got = ReadAll(old_, marker, sizeof marker);
        if (got == 0) return Read::kEnd;
        if (got != (int64_t)sizeof marker) {
            qnl::SetError(ErrorCode::kCorrupted,
                          "a block marker is cut off by the end of the file.");
            return Read::kFailed;
        }
        if (memcmp(marker, kV3MarkerDots, kV3MarkerSize) != 0 &&
            memcmp(marker, kV3MarkerB7, kV3MarkerSize) != 0) {
            qnl::ReportError(ErrorCode::kCorrupted, LOG_ERROR, origin_,
                             "header block does not match.");
            return Read::kFailed;
        }
        pos_ += kV3MarkerSize;

        // A stored size beyond the end of the file is a cut or damaged block:
        // it is refused before anything is allocated for it.
        unsigned char v3[kV3HeaderSize];
        got = ReadAll(old_, v3, sizeof v3);
        block.stored = got == (int64_t)sizeof v3 ? GetLE32(v3 + kV3Stored) : 0;
        pos_ += sizeof v3;
        bool complete = got == (int64_t)sizeof v3 && length_ >= 0 && pos_ <= (uint64_t)length_ &&
                        block.stored <= (uint64_t)length_ - pos_;
        if (complete) {
            block.bytes.assign(BlockFileSize(block.stored), 0);
            complete = ReadAll(old_, block.bytes.data() + kBlockOverhead, block.stored) ==
                       (int64_t)block.stored;
        }
        if (!complete) {
            qnl::ReportError(ErrorCode::kCorrupted, LOG_ERROR, origin_, "data block is corrupted.");
            return Read::kFailed;
        }
        pos_ += block.stored;

        memcpy(block.name, v3 + kV3Name, kNameSize - 1);
        memcpy(block.type, v3 + kV3Type, kV3TypeSize);
        // Names and types are copied as whole fields, payloads byte for byte.
        unsigned char *header = block.header();
        memcpy(block.bytes.data(), kMarker, kMarkerSize);
        BuildHeader(header, "", "", v3[kV3Mode], GetLE32(v3 + kV3Size), block.stored);
        memcpy(header + kHdrName, v3 + kV3Name, kNameSize);
        memcpy(header + kHdrType, v3 + kV3Type, kV3TypeSize);
        return Read::kBlock;
    }

    // Appends the block to the new file. A write that falls short is
    // reported and fails the conversion, after the remaining parts and
    // blocks were tried. False when a part fell short.
    bool WriteNewBlock(int neu, Block &block) {
        struct Part {
            const unsigned char *bytes;
            size_t length;
            const char *failure;
        } parts[] = {
            {block.bytes.data(), kMarkerSize, "new ID block is corrupted."},
            {block.header(), kHeaderSize, "new header block is corrupted."},
            {block.bytes.data() + kBlockOverhead, block.bytes.size() - kBlockOverhead,
             "new data block is corrupted."},
        };
        bool written = true;
        for (const Part &part : parts) {
            if (!WriteAll(neu, part.bytes, part.length)) {
                qnl::ReportError(ErrorCode::kIo, LOG_ERROR, origin_, "%s", part.failure);
                written = false;
            }
        }
        ++imported_;
        ILogSystem.Msg(
            LOG_WARNING, " . [%s] Info: imported block %d - Name '%s' - Type '%s' - Size %d Kb\n",
            origin_.c_str(), imported_, block.name, block.type, (int)(block.stored / 1024));
        return written;
    }

    int imported() const { return imported_; }

private:
    const std::string origin_;
    const int old_;
    const int64_t length_;
    uint64_t pos_ = kV3HeadSize;
    int imported_ = 0;
};

// Opens the package to convert and reads its head. The descriptor, or -1
// (recorded).
int OpenOld(const char *path, const std::string &origin, unsigned char (&head)[kV3HeadSize]) {
    int old = OpenFile(path, OpenMode::ReadWrite);
    if (old < 0) {
        qnl::SetError(ErrorCode::kIo, "%s", LastErrorText());
        return -1;
    }
    int64_t got = ReadAll(old, head, sizeof head);
    if (got != (int64_t)sizeof head || ClassifyHead(head, (size_t)got) != HeadKind::kVersion3) {
        qnl::ReportError(ErrorCode::kNotPackage, LOG_ERROR, origin, "it is not a DPF v3.0.");
        CloseFile(old);
        return -1;
    }
    return old;
}

// The new file's head and info header; they keep the old file's creator
// text and creation date. False (recorded) when the write fails.
bool WriteNewHead(int fd, const unsigned char *oldHead, const Blowfish &headerKey) {
    unsigned char info[kInfoSize];
    BuildInfoHeader(info, reinterpret_cast<const char *>(oldHead + kV3Creator), kInfoCreatorSize,
                    reinterpret_cast<const char *>(oldHead + kV3Created), kInfoDateSize);
    unsigned char file[kBlocksStart];
    BuildFileHead(file, info, headerKey);
    if (WriteAll(fd, file, sizeof file)) return true;
    qnl::SetError(ErrorCode::kIo, "%s", LastErrorText());
    return false;
}

// The converted file, read-write and positioned after its head, which is
// read into `head`. The descriptor, or 0 (recorded).
int OpenConverted(const char *path, unsigned char *head) {
    int fd = OpenFile(path, OpenMode::ReadWrite);
    if (fd < 0) {
        qnl::SetError(ErrorCode::kIo, "%s", LastErrorText());
        return 0;
    }
    if (ReadAll(fd, head, kHeadSize) != (int64_t)kHeadSize) {
        qnl::SetError(ErrorCode::kIo, "the converted file cannot be read back.");
        CloseFile(fd);
        return 0;
    }
    return fd;
}
} // namespace

int QStuffDPF::Update3to4(const char *path) {
    State &s = *state_;
    if (!path || strlen(path) > kMaxPath) {
        qnl::SetError(ErrorCode::kInvalidArgument,
                      "the path is missing or longer than %d characters.", (int)kMaxPath);
        return 0;
    }
    const std::string origin = qnl::Format("IStuffDPF->Update3to4('%s')", path);

    unsigned char head[kV3HeadSize];
    int old = OpenOld(path, origin, head);
    if (old < 0) return 0;
    // The working file is made new, never through a link: one that exists
    // (another update running, or one that was killed) is not destroyed.
    FileSwap neu;
    if (!neu.CreateAt(kWorkFile, path)) {
        if (errno == EEXIST)
            qnl::ReportError(ErrorCode::kExists, LOG_ERROR, origin,
                             "the working file '%s' exists already; remove it if no other update "
                             "is running.",
                             kWorkFile);
        else
            qnl::SetError(ErrorCode::kIo, "'%s' cannot be created: %s", kWorkFile, LastErrorText());
        CloseFile(old);
        return 0;
    }

    bool ok = WriteNewHead(neu.fd(), head, s.headerKey);

    ILogSystem.Msg(LOG_WARNING, "\n . [%s] Info: creating new DPF v4.0...\n", origin.c_str());
    Conversion conversion(origin, old);
    Block block;
    Read r;
    while ((r = conversion.ReadOldBlock(block)) == Read::kBlock) {
        if (block.deleted()) continue;
        memcpy(s.header, block.header(), kHeaderSize);
        if (!conversion.WriteNewBlock(neu.fd(), block)) ok = false;
    }
    CloseFile(old);
    if (r == Read::kFailed || !ok || !s.RefreshInfo(neu.fd())) return 0; // neu removes tmp.dpf

    ILogSystem.Msg(LOG_WARNING, " . [%s] Info: total blocks imported: %d\n", origin.c_str(),
                   conversion.imported());
    const std::string backup = BackupName(path);
    if (!neu.Swap(backup.c_str())) {
        qnl::ReportError(ErrorCode::kIo, LOG_ERROR, origin, "%s", neu.error().c_str());
        return 0;
    }
    ILogSystem.Msg(LOG_WARNING, "   - Original DPF v3.0 was renamed to %s\n\n", backup.c_str());

    return OpenConverted(path, s.head);
}
