// File-descriptor I/O for the SDK's files (packages, XML documents,
// pictures): open, read, write, seek, length, flush to disk, lock, close,
// rename and remove, with the retries and short-transfer loops that POSIX
// asks for. SDK-internal.
//
// Every path goes through NativePath (filesystem.h) first. Files are opened
// only when they are regular files, checked without blocking, so a FIFO or
// a device in a package's place is refused instead of hanging the program.
#ifndef QUENLAR_PLATFORM_FILEIO_PRIVATE_H
#define QUENLAR_PLATFORM_FILEIO_PRIVATE_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace qnl {
namespace platform {

enum class OpenMode {
    ReadWrite, // an existing regular file
    ReadOnly,  // an existing regular file
    CreateNew, // a new file: fails when anything (a link too) has the name
};

// A descriptor (>= 0) or -1 with errno set; a file that is not a regular
// file fails with the error LastErrorText calls "not a regular file".
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

// What ReadWholeFile found.
enum class WholeFile { kRead, kCannotOpen, kTooLarge, kReadError };
// Reads a regular file of at most `limit` bytes into `out`.
WholeFile ReadWholeFile(const char *path, std::string &out, uint64_t limit);

// ---- Locks between processes ---------------------------------------------------
// An advisory lock on the whole file (flock), waited for; released by
// UnlockFile or when the last descriptor of the open file closes. Every
// writer of a package holds the exclusive lock for the time of its write,
// so two programs never interleave their writes. A file system without
// such locks counts as locked.
enum class LockKind { kShared, kExclusive };
void LockFile(int fd, LockKind kind);
void UnlockFile(int fd);

// ---- Files written whole before they get their name ----------------------------
// A new file that becomes visible only when it is complete. Where the
// system allows it has no name while it is written (O_TMPFILE), so a
// program killed meanwhile leaves nothing behind; elsewhere it has a unique
// name beside the target.
struct NewFile {
    int fd = -1;
    std::string target; // the final name, links resolved
    std::string name;   // the temporary name; empty while the file has none
    bool published = false;
};
// Creates the new file in the directory of `target` (links in `target` are
// followed, so the new file replaces what a link points to), with the
// permissions of the descriptor `like` when given, else those of the file
// it replaces, else the usual ones for a new file. False with errno set.
bool CreateNewFile(const char *target, int like, NewFile &file);
// Flushes the new file to disk and gives it its name: with `replace` in
// place of whatever has the name, else only where nothing has it (errno
// EEXIST otherwise). The descriptor stays open. False with errno set.
bool PublishFile(NewFile &file, bool replace);
// Closes the new file and removes it unless it was published.
void DiscardFile(NewFile &file);

// ---- Writing inside a directory without following links ------------------------
// A directory's descriptor (the path's links are followed: the caller
// chose it), or -1.
int OpenDirectory(const char *path);
// The subdirectory `name` of `dir`, created when missing; a link there is
// refused (ELOOP), not followed. A descriptor or -1 with errno set.
int OpenSubdirectory(int dir, const char *name);
// Opens the regular file `name` of `dir` for writing, created when missing
// and emptied otherwise. Never writes through anything: a link (ELOOP), a
// FIFO or device ("not a regular file") or a file with other names too
// (EMLINK) is refused. A descriptor or -1 with errno set.
int CreateFileIn(int dir, const char *name);

// ---- Names ------------------------------------------------------------------------
bool RenameFile(const char *from, const char *to);
bool RemoveFile(const char *path);
bool PathExists(const char *path);
// True when `path` names the file open on `fd`.
bool SameFile(int fd, const char *path);
// True when the two paths name one file.
bool SamePath(const char *a, const char *b);
// True when `path` is a symbolic link.
bool IsLink(const char *path);

// Copies the whole content of `from` to the end of `to`. False with errno set.
bool CopyFileData(int from, int to);

// The system's text for the last error (errno).
const char *LastErrorText();
// True when the last error was a rename across file systems.
bool LastErrorIsCrossDevice();

} // namespace platform
} // namespace qnl

#endif
