#include <quenlar/platform/fileio_private.h>

#include <quenlar/platform/filesystem.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qnl {
namespace platform {

namespace {
// errno for a file that is not a regular file (LastErrorText names it);
// POSIX has no code of its own for this.
constexpr int kNotRegular = 0x5172;

// Keeps `fd` only when it is a regular file, and makes it blocking again
// (it was opened without blocking so that a FIFO could not hang the open).
// The descriptor, or -1 with `fd` closed and errno set.
int KeepRegular(int fd) {
    struct stat st;
    int error = 0;
    if (fstat(fd, &st) != 0)
        error = errno;
    else if (S_ISDIR(st.st_mode))
        error = EISDIR;
    else if (!S_ISREG(st.st_mode))
        error = kNotRegular;
    if (error) {
        close(fd);
        errno = error;
        return -1;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

int OpenRetrying(const char *path, int flags, mode_t mode = 0666) {
    int fd;
    do {
        fd = open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

std::string DirectoryOf(const std::string &path) {
    size_t end = path.rfind('/');
    if (end == std::string::npos) return ".";
    return end == 0 ? "/" : path.substr(0, end);
}

// A name beside `target` that nothing has yet is found by trying.
std::string TemporaryName(const std::string &target, int attempt) {
    char suffix[48];
    snprintf(suffix, sizeof suffix, ".tmp%ld-%d", (long)getpid(), attempt);
    return target + suffix;
}

// Makes a rename or link in `dir` last across a power loss.
void SyncDirectory(const std::string &dir) {
    int fd = OpenRetrying(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}
} // namespace

int OpenFile(const char *path, OpenMode mode) {
    const std::string native = NativePath(path);
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    switch (mode) {
    case OpenMode::ReadWrite:
        flags |= O_RDWR;
        break;
    case OpenMode::ReadOnly:
        flags |= O_RDONLY;
        break;
    case OpenMode::CreateNew:
        flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
        break;
    }
    int fd = OpenRetrying(native.c_str(), flags);
    return fd < 0 ? -1 : KeepRegular(fd);
}

void CloseFile(int fd) {
    if (fd >= 0) close(fd);
}

int64_t ReadAll(int fd, void *buffer, size_t length) {
    size_t done = 0;
    while (done < length) {
        ssize_t n = read(fd, static_cast<char *>(buffer) + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += (size_t)n;
    }
    return (int64_t)done;
}

int64_t ReadAt(int fd, void *buffer, size_t length, uint64_t offset) {
    size_t done = 0;
    while (done < length) {
        ssize_t n =
            pread(fd, static_cast<char *>(buffer) + done, length - done, (off_t)(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += (size_t)n;
    }
    return (int64_t)done;
}

bool WriteAll(int fd, const void *buffer, size_t length) {
    size_t done = 0;
    while (done < length) {
        ssize_t n = write(fd, static_cast<const char *>(buffer) + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += (size_t)n;
    }
    return true;
}

bool WriteAt(int fd, const void *buffer, size_t length, uint64_t offset) {
    size_t done = 0;
    while (done < length) {
        ssize_t n = pwrite(fd, static_cast<const char *>(buffer) + done, length - done,
                           (off_t)(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += (size_t)n;
    }
    return true;
}

bool SeekTo(int fd, uint64_t offset) {
    return lseek(fd, (off_t)offset, SEEK_SET) >= 0;
}

bool SeekToEnd(int fd) {
    return lseek(fd, 0, SEEK_END) >= 0;
}

int64_t Tell(int fd) {
    return (int64_t)lseek(fd, 0, SEEK_CUR);
}

int64_t FileLength(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0) return -1;
    return (int64_t)st.st_size;
}

bool Truncate(int fd, uint64_t length) {
    int r;
    do {
        r = ftruncate(fd, (off_t)length);
    } while (r != 0 && errno == EINTR);
    return r == 0;
}

bool SyncFile(int fd) {
    return fsync(fd) == 0;
}

WholeFile ReadWholeFile(const char *path, std::string &out, uint64_t limit) {
    out.clear();
    int fd = OpenFile(path, OpenMode::ReadOnly);
    if (fd < 0) return WholeFile::kCannotOpen;
    WholeFile result = WholeFile::kRead;
    int64_t length = FileLength(fd);
    if (length > 0 && (uint64_t)length > limit) {
        result = WholeFile::kTooLarge;
    } else {
        // The length is a hint only: the file may grow while it is read.
        char buffer[65536];
        int64_t n;
        while ((n = ReadAll(fd, buffer, sizeof buffer)) > 0 && out.size() <= limit)
            out.append(buffer, (size_t)n);
        if (n < 0) result = WholeFile::kReadError;
        if (out.size() > limit) result = WholeFile::kTooLarge;
    }
    int error = errno;
    close(fd);
    errno = error;
    if (result != WholeFile::kRead) out.clear();
    return result;
}

// ---------------------------------------------------------------------------
// Locks
// ---------------------------------------------------------------------------
void LockFile(int fd, LockKind kind) {
    int r;
    do {
        r = flock(fd, kind == LockKind::kExclusive ? LOCK_EX : LOCK_SH);
    } while (r != 0 && errno == EINTR);
}

void UnlockFile(int fd) {
    flock(fd, LOCK_UN);
}

// ---------------------------------------------------------------------------
// New files
// ---------------------------------------------------------------------------
bool CreateNewFile(const char *target, int like, NewFile &file) {
    DiscardFile(file);
    file = NewFile();
    std::string native = NativePath(target);
    char resolved[PATH_MAX];
    if (realpath(native.c_str(), resolved)) native = resolved;
    file.target = native;
    const std::string dir = DirectoryOf(native);

    // The permissions of `like`, else of the file the new one replaces.
    struct stat model;
    const bool copyMode = like >= 0 ? fstat(like, &model) == 0
                                    : stat(native.c_str(), &model) == 0 && S_ISREG(model.st_mode);
#ifdef O_TMPFILE
    // Naming it later goes through /proc/self/fd; without /proc the file
    // gets a name from the start.
    if (access("/proc/self/fd", X_OK) == 0)
        file.fd = OpenRetrying(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC);
#endif
    for (int attempt = 0; file.fd < 0 && attempt < 100; ++attempt) {
        std::string name = TemporaryName(native, attempt);
        file.fd = OpenRetrying(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC);
        if (file.fd >= 0)
            file.name = name;
        else if (errno != EEXIST)
            break;
    }
    if (file.fd < 0) return false;
    if (copyMode) fchmod(file.fd, model.st_mode & 07777);
    return true;
}

bool PublishFile(NewFile &file, bool replace) {
    if (file.fd < 0 || file.published) {
        errno = EBADF;
        return false;
    }
    if (fsync(file.fd) != 0) return false;
    if (file.name.empty()) {
        // Give the anonymous file a name: the target itself when nothing
        // may be replaced (the link fails if the name is taken), else a
        // temporary name that the rename below moves onto the target.
        const std::string proc = "/proc/self/fd/" + std::to_string(file.fd);
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = replace ? TemporaryName(file.target, attempt) : file.target;
            if (linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                file.name = name;
                break;
            }
            if (errno != EEXIST || !replace) return false;
        }
        if (file.name.empty()) return false;
        if (!replace) {
            file.published = true;
            SyncDirectory(DirectoryOf(file.target));
            return true;
        }
    }
    if (replace) {
        if (rename(file.name.c_str(), file.target.c_str()) != 0) return false;
    } else if (link(file.name.c_str(), file.target.c_str()) == 0) {
        unlink(file.name.c_str());
    } else if ((errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS) &&
               access(file.target.c_str(), F_OK) != 0) {
        // A file system without hard links: the name is checked, not reserved.
        if (rename(file.name.c_str(), file.target.c_str()) != 0) return false;
    } else {
        return false;
    }
    file.published = true;
    SyncDirectory(DirectoryOf(file.target));
    return true;
}

void DiscardFile(NewFile &file) {
    if (file.fd >= 0) close(file.fd);
    if (!file.published && !file.name.empty()) unlink(file.name.c_str());
    file.fd = -1;
    file.name.clear();
}

// ---------------------------------------------------------------------------
// Inside a directory
// ---------------------------------------------------------------------------
int OpenDirectory(const char *path) {
    return OpenRetrying(NativePath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int OpenSubdirectory(int dir, const char *name) {
    if (mkdirat(dir, name, 0777) != 0 && errno != EEXIST) return -1;
    int fd;
    do {
        fd = openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    // Through a link, O_DIRECTORY may answer first: a link is a link.
    if (fd < 0 && errno == ENOTDIR) {
        struct stat st;
        if (fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) errno = ELOOP;
    }
    return fd;
}

int CreateFileIn(int dir, const char *name) {
    int fd;
    do {
        // Read-write and non-blocking: a FIFO opens at once and is refused.
        fd = openat(dir, name, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                    0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 || (fd = KeepRegular(fd)) < 0) return -1;
    struct stat st;
    int error = 0;
    if (fstat(fd, &st) != 0)
        error = errno;
    else if (st.st_nlink > 1)
        error = EMLINK; // writing would change the file under its other names
    else if (!Truncate(fd, 0))
        error = errno;
    if (error) {
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// ---------------------------------------------------------------------------
// Names
// ---------------------------------------------------------------------------
bool RenameFile(const char *from, const char *to) {
    return rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool RemoveFile(const char *path) {
    return unlink(NativePath(path).c_str()) == 0;
}

bool PathExists(const char *path) {
    struct stat st;
    return stat(NativePath(path).c_str(), &st) == 0;
}

bool SameFile(int fd, const char *path) {
    struct stat a, b;
    return fstat(fd, &a) == 0 && stat(NativePath(path).c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

bool SamePath(const char *a, const char *b) {
    struct stat x, y;
    return stat(NativePath(a).c_str(), &x) == 0 && stat(NativePath(b).c_str(), &y) == 0 &&
           x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

bool IsLink(const char *path) {
    struct stat st;
    return lstat(NativePath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool CopyFileData(int from, int to) {
    char buffer[65536];
    for (uint64_t at = 0;;) {
        int64_t n = ReadAt(from, buffer, sizeof buffer, at);
        if (n < 0) return false;
        if (n == 0) return true;
        if (!WriteAll(to, buffer, (size_t)n)) return false;
        at += (uint64_t)n;
    }
}

const char *LastErrorText() {
    return errno == kNotRegular ? "not a regular file" : strerror(errno);
}

bool LastErrorIsCrossDevice() {
    return errno == EXDEV;
}

} // namespace platform
} // namespace qnl
