#include <quenlar/platform/fileio_private.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qnl {
namespace platform {

int OpenFile(const char *path, OpenMode mode) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case OpenMode::ReadWrite:
        flags |= O_RDWR;
        break;
    case OpenMode::ReadOnly:
        flags |= O_RDONLY;
        break;
    case OpenMode::Create:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    }
    int fd;
    do {
        fd = open(path, flags, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
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
    return ftruncate(fd, (off_t)length) == 0;
}

bool SyncFile(int fd) {
    return fsync(fd) == 0;
}

int CreateFileBeside(const char *path, int like, std::string &created) {
    std::string name = std::string(path) + ".XXXXXX";
    int fd = mkostemp(&name[0], O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (like >= 0 && fstat(like, &st) == 0) fchmod(fd, st.st_mode & 07777);
    created = name;
    return fd;
}

bool RenameFile(const char *from, const char *to) {
    return rename(from, to) == 0;
}

bool RemoveFile(const char *path) {
    return unlink(path) == 0;
}

bool PathExists(const char *path) {
    struct stat st;
    return stat(path, &st) == 0;
}

bool SameFile(int fd, const char *path) {
    struct stat a, b;
    return fstat(fd, &a) == 0 && stat(path, &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

const char *LastErrorText() {
    return strerror(errno);
}

} // namespace platform
} // namespace qnl
