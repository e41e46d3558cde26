// The package toolkit: the steps that every reader and writer of whole
// packages shares (IStuffDPF, Compact, Update3to4, dpftool), each written
// once. The byte layout itself is format_private.h. SDK-internal.
//
//   Walker ........... the block walk: next marker, its header, where to go on
//   ChecksumFrom ..... CRC-32 of the block area
//   BuildFileHead .... the 520 bytes that open a new package
//   ChecksumAfter* ... the checksum carried over an append or a change
//   ProbeFile ........ what kind of file a path names, by its head
//   CommittedLength .. how much of a package its checksum vouches for
//   FileSwap ......... write a whole new file, then swap it in
//
// Failures are recorded (core/error_private.h) where this says so.
#ifndef QUENLAR_DPF_ARCHIVE_PRIVATE_H
#define QUENLAR_DPF_ARCHIVE_PRIVATE_H

#include <quenlar/dpf/blowfish_private.h>
#include <quenlar/dpf/format_private.h>
#include <quenlar/dpf/stuffdpf.h>
#include <quenlar/platform/fileio_private.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qnl {
namespace dpf {

// ---- The block walk ---------------------------------------------------------------
// A block the walk found.
struct FoundBlock {
    uint64_t at = 0;                         // file offset of its marker
    unsigned char header[kHeaderSize] = {0}; // deciphered
    int64_t headerBytes = 0;                 // read after the marker: 64, fewer, or -1
    BlockFields fields;

    uint64_t payloadAt() const { return at + kBlockOverhead; }
    uint64_t end() const { return at + BlockFileSize(fields.stored); }
    // Where the walk goes on: Next(resume(), ...).
    uint64_t resume() const { return ScanResumesAt(at, fields.stored); }
};

enum class WalkStep {
    kBlock,       // `out` holds the block
    kEnd,         // no marker up to the end of the file
    kShortHeader, // the header after a marker cannot be read whole (recorded)
    kError,       // the scan failed: a read error or a cut-off marker (recorded)
};

// The walk every reader makes, through one buffer: a block's marker and
// header come in one read, and the blocks of a run of small ones come from
// the bytes read for the first. The results are those of examining the
// file byte by byte. A walker serves one pass over a file that does not
// change meanwhile: what it has read stays in its buffer, so no write may
// come between two of its steps.
class Walker {
public:
    // `cipher` deciphers the headers of a protected archive; null for none.
    Walker(int fd, const Blowfish *cipher) : fd_(fd), cipher_(cipher) {}
    Walker(const Walker &) = delete;
    Walker &operator=(const Walker &) = delete;

    // Scans for the next block marker at or after `from`. 1: found at
    // `*at`; 0: end of file; 2: read error, or a marker cut off by the end
    // of the file (both recorded).
    int Scan(uint64_t from, uint64_t *at);
    // One step: the next marker at or after `from`, and the header after
    // it. The first step starts at kBlocksStart.
    WalkStep Next(uint64_t from, FoundBlock &out);

private:
    // Bytes of the file from `at`: `want` of them, fewer only where the
    // file ends (`*got`). Null on a read error (errno set).
    const unsigned char *Bytes(uint64_t at, size_t want, size_t *got);

    // Reads take at least this much: a marker and header with room for the
    // padding before them, and the next blocks when they are small.
    static constexpr size_t kWindow = 256;
    int fd_;
    const Blowfish *cipher_;
    unsigned char window_[kWindow];
    std::vector<unsigned char> large_; // when damage calls for longer reads
    unsigned char *data_ = window_;
    size_t capacity_ = kWindow;
    uint64_t start_ = 0;    // file offset of data_[0]
    size_t size_ = 0;       // bytes held
    bool endsFile_ = false; // the file ends where the bytes held end
};

// One step of a walk of its own (see Walker::Next).
WalkStep NextBlock(int fd, uint64_t from, const Blowfish *cipher, FoundBlock &out);

// ---- Whole files -------------------------------------------------------------------
// CRC-32 of the file from `from` to its end. False on a read error or a
// short read (recorded).
bool ChecksumFrom(int fd, uint64_t from, uint32_t *crc);

// The checksum of the block area after `n` bytes were appended to it.
uint32_t ChecksumAfterAppend(uint32_t crc, const unsigned char *bytes, size_t n);
// The checksum of the block area after `n` bytes in it changed from
// `before` to `after`, with `following` bytes after them to the end of the
// file. Computed from the old checksum alone: no byte is read.
uint32_t ChecksumAfterChange(uint32_t crc, const unsigned char *before, const unsigned char *after,
                             size_t n, uint64_t following);

// The 520-byte head of a new file: head, then the (deciphered) info header
// enciphered under `headerKey`.
void BuildFileHead(unsigned char *file, const unsigned char *info, const Blowfish &headerKey);

// What the file at `path` is by its first bytes; kNotPackage when it cannot
// be read.
HeadKind ProbeFile(const char *path);

// How much of a package its stored checksum vouches for, found by
// CommittedLength: every write ends by storing the checksum of the whole
// file, so a write that was interrupted leaves the file longer than that.
struct Committed {
    bool found = false;  // a cut after a whole block matches the checksum
    uint64_t length = 0; // the file length where it matches
    uint64_t fileLength = 0;
    int blocks = 0; // whole blocks before that length
};
// The longest start of the file, ending at kBlocksStart or after a whole
// block, whose checksum is the stored `crc`. False on a read error
// (recorded). Block headers are read in the clear: not for protected
// packages.
bool CommittedLength(int fd, uint32_t crc, Committed &out);

// A new file written in full before it takes the place of an old one (or a
// name where there is none), so that a failure at any step leaves the old
// file as it was. Unless it was put in place, the new file is removed when
// this object goes (and a program killed while writing it leaves nothing
// where the system allows files without names). Failures are not recorded
// here: callers report them in their own words, from errno (Create) or
// error() (Swap, Place).
class FileSwap {
public:
    FileSwap() = default;
    ~FileSwap();
    FileSwap(const FileSwap &) = delete;
    FileSwap &operator=(const FileSwap &) = delete;

    // The new file beside `target` (beside what a link there points to),
    // with the permissions of the descriptor `like` when given. False with
    // errno set.
    bool Create(const char *target, int like);
    // The new file as `work` (a working file of its own name, possibly on
    // another file system): created only where nothing has that name, and
    // never through a link. False with errno set (EEXIST when it exists).
    bool CreateAt(const char *work, const char *target);
    int fd() const { return file_.fd; }

    // Flushes the new file to disk and puts it in the target's place. With
    // `backup`, the target is first renamed to that name, and renamed back
    // if the new file cannot take its place. A working file on another file
    // system is copied beside the target first. False on failure.
    bool Swap(const char *backup = nullptr);
    // As Swap, but only where nothing has the target's name: false with
    // errno EEXIST when something has it.
    bool Place();
    // Why Swap or Place failed: "'a' could not be renamed to 'b': <system text>".
    const std::string &error() const { return error_; }
    // The system's text alone, for callers that name the files themselves.
    const std::string &systemError() const { return systemError_; }

private:
    bool Publish(bool replace);
    bool Failed(const std::string &from, const std::string &to);

    std::string target_, error_, systemError_;
    platform::NewFile file_;
};

} // namespace dpf
} // namespace qnl

#endif
