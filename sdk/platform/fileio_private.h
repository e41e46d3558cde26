// File-descriptor I/O for the package layer: open, read, write, seek,
// length, flush to disk, close, rename and remove, with the retries and
// short-transfer loops that POSIX asks for. SDK-internal.
#ifndef QUENLAR_PLATFORM_FILEIO_PRIVATE_H
#define QUENLAR_PLATFORM_FILEIO_PRIVATE_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace qnl {
namespace platform {

enum class OpenMode {
    ReadWrite, // existing file
    ReadOnly,  // existing file
    Create,    // create or truncate, read and write
};

// A descriptor (>= 0) or -1 with errno set.
int OpenFile(const char *path, OpenMode mode);
void CloseFile(int fd);

// Reads up to `length` bytes, continuing after short reads; the count read
// (less only at the end of the file) or -1 on an error.
int64_t ReadAll(int fd, void *buffer, size_t length);
// As ReadAll, at an absolute offset, leaving the file position alone.
int64_t ReadAt(int fd, void *buffer, size_t length, uint64_t offset);
// Writes all bytes; false on an error or a short write.
bool WriteAll(int fd, const void *buffer, size_t length);
// As WriteAll, at an absolute offset, leaving the file position alone.
bool WriteAt(int fd, const void *buffer, size_t length, uint64_t offset);
// Moves the file position; false on failure.
bool SeekTo(int fd, uint64_t offset);
bool SeekToEnd(int fd);
// The file position, or -1.
int64_t Tell(int fd);
// The file length, or -1.
int64_t FileLength(int fd);
// Cuts or extends the file to `length` bytes.
bool Truncate(int fd, uint64_t length);
// Flushes the file's data to the disk.
bool SyncFile(int fd);

// Creates a new file with a unique name beside `path` (same directory, so a
// rename onto `path` cannot cross file systems), with the permissions of
// `like` (a descriptor) when given. The descriptor, or -1; `created` gets
// the new file's path.
int CreateFileBeside(const char *path, int like, std::string &created);

bool RenameFile(const char *from, const char *to);
bool RemoveFile(const char *path);
bool PathExists(const char *path);
// True when `path` names the file open on `fd`.
bool SameFile(int fd, const char *path);

// The system's text for the last error (errno).
const char *LastErrorText();

} // namespace platform
} // namespace qnl

#endif
