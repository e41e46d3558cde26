// IStuffDPF: the open-file table, opening, creating and closing packages.
#include <quenlar/dpf/stuffdpf_private.h>

#include <quenlar/core/clock.h>
#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>
#include <quenlar/core/version_private.h>
#include <quenlar/platform/fileio_private.h>
#include <quenlar/platform/filesystem.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ucl/ucl.h>

QStuffDPF *IStuffDPF = nullptr;

using namespace qnl::dpf;
using namespace qnl::platform;
using qnl::ErrorCode;

namespace {
constexpr int kHandleRange = 333666; // first handles are drawn below this
}

// ---------------------------------------------------------------------------
// Creation and destruction
// ---------------------------------------------------------------------------
QStuffDPF::QStuffDPF() : state_(new State) {
    State &s = *state_;
    // Handles start at a random value so that a handle kept from an earlier
    // run (or another interface object) is unlikely to name an open archive.
    srand(QuenlarTicks());
    do {
        s.nextHandle = rand() % kHandleRange;
    } while (s.nextHandle == 0);
    SetHeaderKey(s.headerKey);
    SetHeaderKey(s.userKey);
    // The engine starts UCL too; tools and tests may create this object alone.
    ucl_init();
    ILogSystem.Msg(5, " . [IStuffDPF] Interfaz created.\n");
}

QStuffDPF::~QStuffDPF() {
    for (Entry &e : state_->table) {
        if (e.handle == 0) continue;
        ILogSystem.Msg(
            2, " . [IStuffDPF] Warning: '%s' DPF file was not closed on your code. Doing it now!\n",
            e.path.c_str());
        state_->CloseEntry(e, true);
    }
    ILogSystem.Msg(5, " . [IStuffDPF] Interfaz deleted.\n");
}

// ---------------------------------------------------------------------------
// The open-file table
// ---------------------------------------------------------------------------
Entry *QStuffDPF::State::ByHandle(int handle) {
    if (handle < 1) return nullptr;
    for (Entry &e : table)
        if (e.handle == handle) return &e;
    return nullptr;
}

bool qnl::dpf::Given(const char *path) {
    if (!path) qnl::SetError(ErrorCode::kInvalidArgument, "no path was given.");
    return path != nullptr;
}

bool qnl::dpf::Given(const DPFBlock *b) {
    if (!b) qnl::SetError(ErrorCode::kInvalidArgument, "no block record was given.");
    return b != nullptr;
}

Entry *QStuffDPF::State::Require(int handle) {
    Entry *entry = ByHandle(handle);
    if (!entry)
        qnl::SetError(ErrorCode::kInvalidArgument, "no open package has handle %d.", handle);
    return entry;
}

bool QStuffDPF::State::IsKnown(const char *path, uint64_t length) const {
    for (const Entry &e : table)
        if (e.length != 0 && e.length == length && e.path == path) return true;
    return false;
}

int QStuffDPF::State::NewHandle() {
    int h = nextHandle;
    nextHandle = nextHandle == 0x7FFFFFFF ? 1 : nextHandle + 1;
    return h;
}

int QStuffDPF::State::Register(int fd, unsigned char protect, bool readOnly, const char *path,
                               uint64_t length, bool known) {
    if (!known) {
        Entry *chosen = nullptr;
        for (Entry &e : table) {
            if (e.length == 0) {
                chosen = &e;
                break;
            }
        }
        if (!chosen) {
            for (int k = 0; k < kTableSize && !chosen; ++k) {
                Entry &e = table[(rotating + k) % kTableSize];
                if (e.handle == 0) chosen = &e;
            }
            if (!chosen) {
                qnl::ReportError(ErrorCode::kTableFull, LOG_WARNING, "IStuffDPF",
                                 "reached maximum limit of DPF files opened(%d).", kTableSize);
                return 0;
            }
            rotating = (rotating + 1) % kTableSize;
        }
        chosen->length = length;
        chosen->path = path;
        chosen->references = 0;
    }

    Entry *entry = nullptr;
    for (Entry &e : table) {
        if (e.length == length && e.path == path) {
            entry = &e;
            break;
        }
    }
    if (!entry) {
        qnl::SetError(ErrorCode::kTableFull, "no table entry holds the package.");
        return 0;
    }

    if (entry->fd >= 0) {
        // Open already: the new descriptor replaces the old, the handle stays.
        CloseFile(entry->fd);
    } else {
        entry->handle = NewHandle();
    }
    entry->references++;
    entry->fd = fd;
    entry->protect = protect;
    entry->readOnly = readOnly;
    return entry->handle;
}

void QStuffDPF::State::CloseEntry(Entry &entry, bool force) {
    entry.references--;
    if (entry.references >= 1 && !force) return;
    if (found && foundHandle == entry.handle) found = false;
    CloseFile(entry.fd);
    entry.fd = -1;
    entry.handle = 0;
    entry.protect = 0;
    entry.readOnly = false;
    entry.references = 0;
}

bool QStuffDPF::State::RefreshInfo(int fd) {
    unsigned char block[kInfoSize];
    if (ReadAt(fd, block, kInfoSize, kHeadSize) != (int64_t)kInfoSize) {
        qnl::SetError(ErrorCode::kIo, "%s", LastErrorText());
        return false;
    }
    headerKey.Decipher(block, kInfoSize);
    FormatDate(reinterpret_cast<char *>(block + kInfoModified));
    uint32_t crc = 0;
    if (!ChecksumFrom(fd, kBlocksStart, &crc)) return false;
    PutLE32(block + kInfoCrc, crc);
    memcpy(info, block, kInfoSize);
    headerKey.Encipher(block, kInfoSize);
    if (!WriteAt(fd, block, kInfoSize, kHeadSize)) {
        qnl::SetError(ErrorCode::kIo, "%s", LastErrorText());
        return false;
    }
    if (SyncFile(fd)) return true;
    qnl::SetError(ErrorCode::kIo, "%s", LastErrorText());
    return false;
}

// ---------------------------------------------------------------------------
// Open, Create, Close, GetName
// ---------------------------------------------------------------------------
int QStuffDPF::Open(const char *path) {
    return OpenPackage(path, true);
}

int QStuffDPF::OpenUnverified(const char *path) {
    return OpenPackage(path, false);
}

namespace {
// Opens a package file read-write, else read-only with a warning. The
// descriptor, or -1 (reported).
int OpenEitherWay(const char *path, const std::string &origin, bool *readOnly) {
    *readOnly = false;
    int fd = OpenFile(path, OpenMode::ReadWrite);
    if (fd >= 0) return fd;
    fd = OpenFile(path, OpenMode::ReadOnly);
    if (fd < 0) {
        qnl::ReportError(ErrorCode::kIo, LOG_ERROR, origin, "%s", LastErrorText());
        return -1;
    }
    *readOnly = true;
    ILogSystem.Msg(LOG_WARNING, " . [%s] Warning: file opened in read only mode.\n",
                   origin.c_str());
    return fd;
}
} // namespace

// Reads the head of a package just opened on `fd` into the working copy; a
// version 3.0 package is converted first. The descriptor to go on with,
// positioned after the head (a new one after a conversion), or -1 with `fd`
// closed (reported).
int QStuffDPF::State::AcceptHead(QStuffDPF &dpf, int fd, const char *path,
                                 const std::string &origin, bool readOnly) {
    unsigned char bytes[kHeadSize];
    int64_t got = ReadAll(fd, bytes, kHeadSize);
    HeadKind kind = ClassifyHead(bytes, got < 0 ? 0 : (size_t)got);
    if (kind == HeadKind::kNotPackage) {
        CloseFile(fd);
        qnl::ReportError(ErrorCode::kNotPackage, LOG_ERROR, origin, kNotPackageText);
        return -1;
    }
    memcpy(head, bytes, kHeadSize);
    if (kind == HeadKind::kUnsupported) {
        char text[kHeadSize + 1] = {0};
        memcpy(text, bytes, kHeadSize);
        qnl::ReportError(ErrorCode::kUnsupported, LOG_ERROR, origin,
                         "'%s' version is not supported.", text);
        CloseFile(fd);
        return -1;
    }
    if (kind == HeadKind::kVersion4) return fd;

    if (readOnly) {
        qnl::ReportError(ErrorCode::kReadOnly, LOG_ERROR, origin,
                         "it is not possible to update a DPF opened in read only mode.");
        CloseFile(fd);
        return -1;
    }
    CloseFile(fd);
    fd = dpf.Update3to4(path); // leaves the new head in the working copy
    if (fd <= 0) {
        // Update3to4 recorded why.
        ILogSystem.Msg(LOG_ERROR,
                       " . [%s] Error: it was not possible to update the given DPF from v3.0 to "
                       "v4.0.\n",
                       origin.c_str());
        return -1;
    }
    ILogSystem.Msg(LOG_INFO, " . [%s] Info: the given DPF was updated from v3.0 to v4.0.\n",
                   origin.c_str());
    return fd;
}

int QStuffDPF::OpenPackage(const char *path, bool verifyCrc) {
    State &s = *state_;
    if (!Given(path)) return 0;
    const std::string origin = qnl::Format("IStuffDPF->Open('%s')", path);
    bool readOnly = false;
    int fd = OpenEitherWay(path, origin, &readOnly);
    if (fd < 0) return 0;
    // The head and the checksum are read under a shared lock, so that a
    // write of another program is never seen half done.
    LockFile(fd, LockKind::kShared);
    fd = s.AcceptHead(*this, fd, path, origin, readOnly);
    if (fd < 0) return 0;

    unsigned char info[kInfoSize];
    if (ReadAll(fd, info, kInfoSize) != (int64_t)kInfoSize) {
        CloseFile(fd);
        qnl::ReportError(ErrorCode::kNotPackage, LOG_ERROR, origin, kNotPackageText);
        return 0;
    }
    s.headerKey.Decipher(info, kInfoSize);
    memcpy(s.info, info, kInfoSize);

    // A package this table knows by path and length was checked before.
    int64_t length = FileLength(fd);
    bool known = length > 0 && s.IsKnown(path, (uint64_t)length);
    if (!known && verifyCrc && !s.ChecksumMatches(fd, info, origin)) {
        CloseFile(fd);
        return 0;
    }
    UnlockFile(fd);

    int handle = s.Register(fd, info[kInfoProtected], readOnly, path, (uint64_t)length, known);
    if (handle == 0) CloseFile(fd);
    return handle;
}

QStuffDPF::State::NewPackage QStuffDPF::State::WriteNewPackage(const char *path, bool replace,
                                                                const std::string &origin) {
    const char *creator = qnl::kCreditsText;
    unsigned char info[kInfoSize];
    BuildInfoHeader(info, creator, strlen(creator), nullptr, 0);
    unsigned char file[kBlocksStart];
    BuildFileHead(file, info, headerKey);
    // Written whole beside, then named: no program ever sees a package
    // without its head, and a full disk leaves no empty file.
    FileSwap neu;
    if (!neu.Create(path, -1) || !WriteAll(neu.fd(), file, sizeof file)) {
        qnl::ReportError(ErrorCode::kIo, LOG_ERROR, origin, "%s", LastErrorText());
        return NewPackage::kFailed;
    }
    if (replace ? neu.Swap() : neu.Place()) return NewPackage::kWritten;
    if (!replace && errno == EEXIST) return NewPackage::kNameTaken;
    qnl::ReportError(ErrorCode::kIo, LOG_ERROR, origin, "%s", neu.systemError().c_str());
    return NewPackage::kFailed;
}

int QStuffDPF::Create(const char *path) {
    if (!Given(path)) return -1;
    const std::string origin = qnl::Format("IStuffDPF->Create('%s')", path);
    MakeParentDirectories(path);
    if (state_->WriteNewPackage(path, true, origin) != State::NewPackage::kWritten) return -1;
    return Open(path);
}

int QStuffDPF::OpenOrCreate(const char *path) {
    if (!Given(path)) return 0;
    const std::string origin = qnl::Format("IStuffDPF->Create('%s')", path);
    if (!PathExists(path)) {
        MakeParentDirectories(path);
        // Another program may create it at the same moment: then that
        // package is the one to open.
        if (state_->WriteNewPackage(path, false, origin) == State::NewPackage::kFailed) return 0;
    }
    int handle = Open(path);
    return handle > 0 ? handle : 0;
}

void QStuffDPF::Close(int handle) {
    Entry *entry = state_->ByHandle(handle);
    if (entry) state_->CloseEntry(*entry, false);
}

const char *QStuffDPF::GetName(int handle) {
    Entry *entry = state_->ByHandle(handle);
    return entry ? entry->path.c_str() : nullptr;
}

// ---------------------------------------------------------------------------
// Tool support
// ---------------------------------------------------------------------------
int QStuffDPF::IsProtected(int handle) {
    const Entry *entry = state_->ByHandle(handle);
    return entry && entry->protect ? 1 : 0;
}

int QStuffDPF::GetInfo(int handle, DPFInfo *out) {
    State &s = *state_;
    Entry *entry = s.Require(handle);
    if (!entry) return 0;
    if (!out) {
        qnl::SetError(ErrorCode::kInvalidArgument, "no info record was given.");
        return 0;
    }
    unsigned char file[kBlocksStart];
    if (ReadAt(entry->fd, file, sizeof file, 0) != (int64_t)sizeof file) {
        qnl::SetError(ErrorCode::kIo, "the info header cannot be read.");
        return 0;
    }
    unsigned char *info = file + kHeadSize;
    s.headerKey.Decipher(info, kInfoSize);

    memset(out, 0, sizeof *out);
    memcpy(out->version, file + kHeadVersion, sizeof out->version - 1);
    memcpy(out->creator, info + kInfoCreator, sizeof out->creator - 1);
    memcpy(out->created, info + kInfoCreated, sizeof out->created - 1);
    memcpy(out->modified, info + kInfoModified, sizeof out->modified - 1);
    out->protect = info[kInfoProtected];
    out->crc = GetLE32(info + kInfoCrc);
    uint32_t now = 0;
    if (!ChecksumFrom(entry->fd, kBlocksStart, &now)) return 0;
    out->crcNow = now;
    int64_t length = FileLength(entry->fd);
    out->length = length > 0 ? (unsigned long long)length : 0;
    return 1;
}

long long QStuffDPF::GetBlockOffset() {
    return state_->found ? state_->foundOffset : -1;
}
