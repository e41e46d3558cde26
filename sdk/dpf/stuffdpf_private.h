// The state behind IStuffDPF, shared by the files that implement it
// (stuffdpf.cpp: archives; search.cpp: finding and loading; write.cpp:
// adding, deleting, replacing, the checksum; update.cpp; compact.cpp).
// SDK-internal.
#ifndef QUENLAR_DPF_STUFFDPF_PRIVATE_H
#define QUENLAR_DPF_STUFFDPF_PRIVATE_H

#include <quenlar/dpf/archive_private.h>
#include <quenlar/dpf/stuffdpf.h>

#include <cstdint>
#include <string>

namespace qnl {
namespace dpf {

constexpr int kTableSize = 2; // archives open at once

// One slot of the open-file table. Never used: length 0. Open: handle != 0.
// Closed: handle 0, path and length kept (a later open of the same path and
// length skips the checksum). Every write commits itself (write.cpp), so
// closing never writes.
struct Entry {
    int fd = -1;    // -1 when not open
    int handle = 0; // 0 when not open
    unsigned char protect = 0;
    bool readOnly = false; // opened read-only: writes are refused
    std::string path;      // as given to Open, compared byte for byte
    uint64_t length = 0;   // file length, as the last open or write left it
    int references = 0;    // opens not yet matched by a Close
};

// The arguments every operation needs: false, with the failure recorded,
// when the caller gave none.
bool Given(const char *path);
bool Given(const DPFBlock *b);

// The texts of failures that several operations report.
constexpr char kProtectedText[] = "the given DPF is protected and the key was not set.";
constexpr char kNotPackageText[] = "it is not a valid DPF.";
constexpr char kCorruptedText[] = "the given DPF is corrupted.";
constexpr char kNotFoundText[] = "datablock was not found in the given DPF.";
constexpr char kNoAccessText[] = "it was not possible to access to the DPF.";

} // namespace dpf
} // namespace qnl

struct QStuffDPF::State {
    qnl::dpf::Entry table[qnl::dpf::kTableSize];
    int nextHandle = 1;
    int rotating = 0; // which closed entry to try first when both are used

    // The search cursor, one for the whole interface: the payload position
    // of the block the last search found, and where FindNext goes on.
    uint64_t cursor = 0;
    uint64_t next = qnl::dpf::kBlocksStart;
    // The block the last search found (for LoadFound and GetBlockOffset).
    bool found = false;
    int foundHandle = 0;
    int64_t foundOffset = -1;
    qnl::dpf::BlockFields foundFields;

    // Working copies: the last file head, deciphered info header and block
    // header read or written.
    unsigned char head[qnl::dpf::kHeadSize] = {0};
    unsigned char info[qnl::dpf::kInfoSize] = {0};
    unsigned char header[qnl::dpf::kHeaderSize] = {0};

    // No operation sets a user key; protected archives are refused while
    // this is false.
    bool keySet = false;
    qnl::dpf::Blowfish headerKey, userKey;

    // ---- The table (stuffdpf.cpp) ----------------------------------------------
    qnl::dpf::Entry *ByHandle(int handle);
    // As ByHandle, recording an unknown handle as the failure.
    qnl::dpf::Entry *Require(int handle);
    // Table registration of an opened descriptor; the handle, or 0 when the
    // table is full.
    int Register(int fd, unsigned char protect, bool readOnly, const char *path, uint64_t length,
                 bool known);
    bool IsKnown(const char *path, uint64_t length) const;
    int NewHandle();
    // Close one reference (all of them with force).
    void CloseEntry(qnl::dpf::Entry &entry, bool force);
    // Writes the modification date and the checksum of the whole file into
    // the info header of a file and flushes it to disk. False (recorded) if
    // it could not.
    bool RefreshInfo(int fd);
    // Writes an empty package and gives it the name `path`: in place of any
    // file there (`replace`), else only where nothing has the name (a name
    // taken is not reported). Failures are reported under `origin`.
    enum class NewPackage { kWritten, kNameTaken, kFailed };
    NewPackage WriteNewPackage(const char *path, bool replace, const std::string &origin);
    // Open's check of the head just read from `fd` (version 3.0 packages
    // are converted by `dpf`): the descriptor to go on with, positioned
    // after the head, or -1 with `fd` closed (reported under `origin`).
    int AcceptHead(QStuffDPF &dpf, int fd, const char *path, const std::string &origin,
                   bool readOnly);

    // ---- Finding and reading (search.cpp) -----------------------------------------
    // The entry a search of `handle` walks; null with the search's result
    // in `*refusal`: 2 for an unknown handle (recorded), 0 for a protected
    // archive without its key (reported).
    qnl::dpf::Entry *Searchable(int handle, int *refusal);
    // One step of a search along `walk`: the first block (first = true) or
    // the one after the cursor, which moves to it. 1 found, 0 none (`*end`
    // set when the file ran out of blocks), 2 error.
    int Advance(int handle, qnl::dpf::Walker &walk, bool first, qnl::dpf::FoundBlock &block,
                bool *end);
    // FindFirst (first = true) and FindNext.
    // *end (if given) tells a walk that reached the end of the blocks.
    int Search(int handle, bool first, DPFBlock *b, bool *end = nullptr);
    // Find: the first block named `name` of type `type`; none when
    // `matchable` is false (names too long to exist), after the same scan.
    int FindNamed(int handle, const char *name, const char *type, bool matchable, DPFBlock *out);
    // LoadBlock, and with readStored false LocateBlock.
    int Load(int handle, const char *type, const char *name, DPFBlock *b, bool readStored);
    // Whether the file can hold the payload of the block just found (fields
    // in b) and its sizes agree with its mode.
    bool Explained(const qnl::dpf::Entry &entry, const DPFBlock &b) const;
    // Reads the payload of the block just found (fields in b) and undoes its
    // mode; with readStored false, a stored block of an archive that is not
    // protected is left in the file. `op` and the three texts name the call
    // in messages.
    int ReadFoundPayload(qnl::dpf::Entry &entry, const char *op, const char *type, const char *name,
                         DPFBlock *b, bool readStored);

    // ---- Writing (write.cpp) ------------------------------------------------------------
    // Every write runs under the file's exclusive lock, works from the file's
    // real end and header, and commits before it returns: the bytes reach
    // the disk first, then the info header with the checksum of the whole
    // file and the date. An interrupted write therefore leaves at most a
    // tail after the blocks the header vouches for.
    //
    // The checksum of a file from `from` (-1: a failed Tell) to its end, as
    // CalculateCRC takes it: a failure is logged and recorded.
    bool Checksum(int fd, int64_t from, uint32_t *crc);
    // Whether the blocks' checksum is the one of the (deciphered) info
    // header; if not, the package is reported corrupted under `origin`.
    bool ChecksumMatches(int fd, const unsigned char *info, const std::string &origin);
    // The checks before operation `op` writes block b (a record, name and
    // type lengths, handle, read-only, protection), reported under `origin`,
    // which is set to name the call. The entry, or null.
    qnl::dpf::Entry *Writable(const char *op, int handle, const DPFBlock *b, std::string &origin);
    // Under the lock: the file open on the entry is still the one its path
    // names (no other program replaced it). Reported under `origin`.
    bool StillInPlace(const qnl::dpf::Entry &entry, const std::string &origin);

    // What a writer learns from one walk over every block.
    struct Survey {
        bool found = false;                                // a block of the name and type
        uint64_t headerAt = 0;                             // where its header lies
        unsigned char header[qnl::dpf::kHeaderSize] = {0}; // deciphered
        bool appendable = false;                           // the walk ended cleanly at the end
    };
    // Walks the package for the first block of `name` and `type`, and checks
    // that a block appended at the end will be found: not when the walk
    // fails or the last block is cut off by the end of the file (recorded).
    Survey SurveyBlocks(qnl::dpf::Entry &entry, const char *name, const char *type);
    // Appends b at the end of the file and commits it. Its mode must be
    // 0, 1 or 2 already. False (reported) with the file as it was.
    bool AppendBlock(qnl::dpf::Entry &entry, DPFBlock *b, const std::string &origin,
                     uint32_t *stored);
    // Marks the block whose header (deciphered) lies at `at` deleted and
    // commits it. False (reported) with the file as it was.
    bool MarkDeletedAt(qnl::dpf::Entry &entry, uint64_t at, const unsigned char *header,
                       const std::string &origin);
    // The checksum the info header holds, read under the lock.
    bool StoredChecksum(int fd, uint32_t *crc);
    // Stores `crc` and the date in the info header, after flushing the
    // bytes written before to disk, and flushes again. False (recorded)
    // with the info header as it was.
    bool Commit(qnl::dpf::Entry &entry, uint32_t crc);

    // ---- Compact (compact.cpp) ------------------------------------------------------------
    // Reads and checks the head of a package to compact into `file`, its
    // info header deciphered; refusals are reported under `origin`.
    bool CheckCompactable(int fd, const std::string &origin,
                          unsigned char (&file)[qnl::dpf::kBlocksStart]);
};

#endif
