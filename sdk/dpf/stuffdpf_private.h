// The state behind IStuffDPF, shared by the files that implement it
// (stuffdpf.cpp: archives; search.cpp: finding and loading; write.cpp:
// adding, deleting, checksums; update.cpp; compact.cpp). SDK-internal.
#ifndef QUENLAR_DPF_STUFFDPF_PRIVATE_H
#define QUENLAR_DPF_STUFFDPF_PRIVATE_H

#include <quenlar/dpf/blowfish_private.h>
#include <quenlar/dpf/format_private.h>
#include <quenlar/dpf/stuffdpf.h>

#include <cstdint>
#include <string>

namespace qnl {
namespace dpf {

constexpr int kTableSize = 2; // archives open at once

// One slot of the open-file table. Never used: length 0. Open: handle != 0.
// Closed: handle 0, path and length kept (a later open of the same path and
// length skips the checksum).
struct Entry {
    int fd = -1;    // -1 when not open
    int handle = 0; // 0 when not open
    unsigned char protect = 0;
    std::string path;    // as given to Open, compared byte for byte
    uint64_t length = 0; // file length, kept up to date by AddData
    int modified = 0;    // 1 after a block was added or deleted
    int references = 0;  // opens not yet matched by a Close
};

// Scans for the next block marker at or after `from`. 1: found at `*at`;
// 0: end of file; 2: read error, or a marker cut off by the end of the file.
int ScanForMarker(int fd, uint64_t from, uint64_t *at);

// CRC-32 of the file from `from` to its end, read in chunks. False on a
// read error or a short read.
bool ChecksumFrom(int fd, uint64_t from, uint32_t *crc);

// Builds the 520-byte head of a new file: head, then the info header
// enciphered under `headerKey`.
void BuildFileHead(unsigned char *file, unsigned char *info, const Blowfish &headerKey);

} // namespace dpf
} // namespace qnl

struct QStuffDPF::State {
    qnl::dpf::Entry table[qnl::dpf::kTableSize];
    int nextHandle = 1;
    int rotating = 0; // which closed entry to try first when both are used

    // The search cursor, one for the whole interface: the position after the
    // header of the block the last search found, and that block's stored size.
    uint64_t cursor = 0;
    uint32_t lastStored = 0;
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

    qnl::dpf::Entry *ByHandle(int handle);
    // Table registration of an opened descriptor; the handle, or 0 when the
    // table is full.
    int Register(int fd, unsigned char protect, const char *path, uint64_t length, bool known);
    bool IsKnown(const char *path, uint64_t length) const;
    int NewHandle();
    // Close one reference (all of them with force).
    void CloseEntry(qnl::dpf::Entry &entry, bool force);
    // Writes the modification date and checksum into the info header of an
    // open file and flushes it to disk. False if it could not.
    bool RefreshInfo(int fd);

    // FindFirst (first = true) and FindNext.
    int Search(int handle, bool first, DPFBlock *b);
    // Find: the first block named `name` of type `type`; none when
    // `matchable` is false (names too long to exist), after the same scan.
    int FindNamed(int handle, const char *name, const char *type, bool matchable, DPFBlock *out);
    // Reads the payload of the block just found (fields in b) and undoes its
    // mode. `op` and the three texts name the call in messages.
    int ReadFoundPayload(qnl::dpf::Entry &entry, const char *op, const char *type, const char *name,
                         DPFBlock *b);
};

#endif
