// The package toolkit: the steps that every reader and writer of whole
// packages shares (IStuffDPF, Compact, Update3to4, dpftool), each written
// once. The byte layout itself is format_private.h. SDK-internal.
//
//   NextBlock ........ the block walk: next marker, its header, where to go on
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

namespace qnl {
namespace dpf {

// ---- The block walk ---------------------------------------------------------------
// Scans for the next block marker at or after `from`. 1: found at `*at`;
// 0: end of file; 2: read error, or a marker cut off by the end of the file
// (both recorded).
int ScanForMarker(int fd, uint64_t from, uint64_t *at);

// A block the walk found.
struct FoundBlock {
    uint64_t at = 0;                         // file offset of its marker
    unsigned char header[kHeaderSize] = {0}; // deciphered
    int64_t headerBytes = 0;                 // read after the marker: 64, fewer, or -1
    BlockFields fields;

    uint64_t payloadAt() const { return at + kBlockOverhead; }
    uint64_t end() const { return at + BlockFileSize(fields.stored); }
    // Where the walk goes on: NextBlock(fd, resume(), ...).
    uint64_t resume() const { return ScanResumesAt(at, fields.stored); }
};

enum class WalkStep {
    kBlock,       // `out` holds the block
    kEnd,         // no marker up to the end of the file
    kShortHeader, // the header after a marker cannot be read whole (recorded)
    kError,       // the scan failed: a read error or a cut-off marker (recorded)
};
// One step of the walk every reader makes: the next marker at or after
// `from`, and the header after it, deciphered under `cipher` when given (a
// protected archive). The first step starts at kBlocksStart.
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
