// The package toolkit: the steps that every reader and writer of whole
// packages shares (IStuffDPF, Compact, Update3to4, dpftool), each written
// once. The byte layout itself is format_private.h. SDK-internal.
//
//   Walker ........... the block walk: next marker, its header, where to go on
//   ChecksumFrom ..... CRC-32 of the block area
//   BuildFileHead .... the 520 bytes that open a new package
//   ProbeFile ........ what kind of file a path names, by its head
//   OpenOrCreate ..... a package to write into, new only where no file is
//   FileSwap ......... write a whole new file, then swap it in
//
// Failures are recorded (core/error_private.h) where this says so.
#ifndef QUENLAR_DPF_ARCHIVE_PRIVATE_H
#define QUENLAR_DPF_ARCHIVE_PRIVATE_H

#include <quenlar/dpf/blowfish_private.h>
#include <quenlar/dpf/format_private.h>
#include <quenlar/dpf/stuffdpf.h>

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

// The 520-byte head of a new file: head, then the (deciphered) info header
// enciphered under `headerKey`.
void BuildFileHead(unsigned char *file, const unsigned char *info, const Blowfish &headerKey);

// What the file at `path` is by its first bytes; kNotPackage when it cannot
// be read.
HeadKind ProbeFile(const char *path);

// Opens the package at `path` for writing, or creates it when there is no
// file at all: a file that exists but is no package is never overwritten.
// The handle, or 0 (recorded).
int OpenOrCreate(QStuffDPF &archive, const char *path);

// A new file written in full before it takes the place of an old one, so
// that a failure at any step leaves the old file as it was. Unless Swap
// succeeds, the new file is removed when this object goes. Failures are
// not recorded here: callers report them in their own words, from errno
// (Create) or error() (Swap).
class FileSwap {
public:
    FileSwap() = default;
    ~FileSwap();
    FileSwap(const FileSwap &) = delete;
    FileSwap &operator=(const FileSwap &) = delete;

    // Creates the new file for `target`: `work` when given (created or
    // truncated), else a unique name beside `target`, so that the swap is
    // a rename within one file system, with the permissions of the
    // descriptor `like`. False with errno set.
    bool Create(const char *target, const char *work, int like);
    int fd() const { return fd_; }

    // Flushes the new file to disk, closes it and renames it to the target.
    // With `backup`, the target is first renamed to that name, and renamed
    // back if the new file cannot take its place. False on failure.
    bool Swap(const char *backup = nullptr);
    // Why Swap failed: "'a' could not be renamed to 'b': <system text>".
    const std::string &error() const { return error_; }
    // The system's text alone, for callers that name the files themselves.
    const std::string &systemError() const { return systemError_; }

private:
    bool Rename(const std::string &from, const std::string &to);

    std::string target_, name_, error_, systemError_;
    int fd_ = -1;
    bool swapped_ = false;
};

} // namespace dpf
} // namespace qnl

#endif
