// IStuffDPF: data package (DPF) archives. A package is a file of named,
// typed data blocks; every resource of the SDK is loaded from one.
//
// Index
//   DPFBlock, DPFInfo ...... the records callers hand over and receive
//   Archives ............... Open, Create, Close, GetName
//   Searching .............. FindFirst, FindNext, Find
//   Reading and writing .... LoadBlock, LocateBlock, ReadFound, AddData, Delete, Replace
//   Maintenance ............ CalculateCRC, Update3to4
//   Tool support ........... OpenOrCreate, OpenUnverified, IsProtected, GetInfo,
//                            GetBlockOffset, LoadFound, Compact
//
// Results follow the SDK's rule: no exceptions; a handle or size above 0 is
// success; failures return 0 (or the documented negative value) and log one
// message. There is one search cursor for the whole interface: any search,
// LoadBlock, AddData or Delete, on any archive, moves it, so FindNext
// continues only the most recent search.
#ifndef QUENLAR_DPF_STUFFDPF_H
#define QUENLAR_DPF_STUFFDPF_H

#include <memory>

// One block of a package. Names hold at most 31 characters and types at most
// 7, NUL-terminated. mode: 0 compressed, 1 stored, 2 scrambled.
struct DPFBlock {
    char name[32];
    char type[8];
    unsigned char mode;
    unsigned int size;       // data size in bytes
    unsigned int storedSize; // payload size in the file, without padding
    char *data;              // LoadBlock: a new[] array the caller delete[]s
};

// What the info header of an open package says, for tools.
struct DPFInfo {
    char version[4];  // "4.0"
    char creator[29]; // NUL-terminated
    char created[32]; // asctime form without the newline
    char modified[32];
    unsigned char protect;     // non-zero: a protected archive
    unsigned int crc;          // the checksum stored in the header
    unsigned int crcNow;       // the checksum of the blocks as they are now
    unsigned long long length; // file length in bytes
};

class QStuffDPF {
public:
    QStuffDPF();
    // Closes, with a warning, every archive the application left open.
    ~QStuffDPF();
    QStuffDPF(const QStuffDPF &) = delete;
    QStuffDPF &operator=(const QStuffDPF &) = delete;

    // ---- Archives -------------------------------------------------------------
    // Opens a package (read-write, else read-only with a warning); version 3.0
    // files are converted first. The handle (> 0), or 0. Opening a path that
    // is open already returns its handle and needs one more Close.
    int Open(const char *path);
    // Creates an empty package, in place of any file of that name, making
    // missing directories, and opens it. The handle, 0 if it cannot be
    // opened, -1 if not created (an older file then stays as it was).
    int Create(const char *path);
    // Drops one reference and closes the file at the last one. (Every
    // write has already stored the archive's date and checksum.)
    void Close(int handle);
    // The path an open archive was opened with, or null.
    const char *GetName(int handle);

    // ---- Searching: 1 found, 0 none (or protected), 2 error ------------------------
    // The first block in file order, deleted blocks included (type "DELETED").
    int FindFirst(int handle, DPFBlock *b);
    // The block after the one the last search found.
    int FindNext(int handle, DPFBlock *b);
    // The first block whose name and type equal b's; fills the record
    // (data pointer null).
    int Find(int handle, DPFBlock *b);

    // ---- Reading and writing ---------------------------------------------------
    // Reads a block into b (b->data is new[]'d and owned by the caller). The
    // data size, or 0 on failure.
    int LoadBlock(int handle, const char *type, const char *name, DPFBlock *b);
    // For loaders that put a block's data into memory of their own: as
    // LoadBlock (same checks and messages), except that the data of a stored
    // block (mode 1) of an archive that is not protected is not read; b->data
    // stays null and ReadFound copies the bytes where the caller wants them.
    // Blocks of other modes come loaded, as from LoadBlock.
    int LocateBlock(int handle, const char *type, const char *name, DPFBlock *b);
    // Copies `length` bytes from `offset` of the data of the stored block the
    // last search found into `into`. 1, or 0 when no stored block was found
    // in this archive, the bytes lie beyond its data, or the file ends first.
    int ReadFound(int handle, unsigned int offset, void *into, unsigned int length);
    // Writes take the file's lock, and each is on disk, with the archive's
    // date and checksum, when it returns.
    //
    // Appends b (name, type, mode, size, data) as a new block; a mode other
    // than 0 or 1 becomes 2, in b too. The stored size, -1 if a block of that
    // name and type exists, 0 on failure (and for a 0-byte stored block).
    // b->data stays the caller's.
    int AddData(int handle, DPFBlock *b);
    // Marks the block named by b deleted. 1, or 0 when not found. b keeps its
    // mode, sizes and data for a following AddData.
    int Delete(int handle, DPFBlock *b);
    // Puts b in the place of the block of its name and type, or adds it
    // when there is none: b is added first, then the older block is marked
    // deleted; if b cannot be added the package stays as it was. 1 when b
    // is in the package (a 0-byte block too), 0 on failure. b->data stays
    // the caller's.
    int Replace(int handle, DPFBlock *b);

    // ---- Maintenance -------------------------------------------------------------
    // CRC-32 of the file from the descriptor's position (offset 520) to its
    // end; the position is kept. 0 on a read error.
    unsigned int CalculateCRC(int fd);
    // Converts a version 3.0 package at path to version 4.0, keeping the old
    // file as <path without extension>_v3.dpf. A descriptor of the new file,
    // read-write and positioned after its head (the caller closes it), or 0.
    int Update3to4(const char *path);

    // ---- Tool support --------------------------------------------------------------
    // Opens the package at path, or creates it (and missing directories)
    // when no file has that name; a file that is no package is never
    // overwritten, and a package another program creates at the same moment
    // is opened, not replaced. The handle, or 0.
    int OpenOrCreate(const char *path);
    // As Open, but a checksum that does not match the blocks is accepted
    // (GetInfo reports both values). For inspection and repair tools; the
    // table then knows the file's path and length, so a later Open of the
    // same unchanged file in this run skips the check too.
    int OpenUnverified(const char *path);
    // 1 when the open archive is protected (its blocks cannot be read
    // without its key), 0 when not or for an unknown handle. Reads nothing.
    int IsProtected(int handle);
    // Reads the info header of an open archive and computes its checksum now.
    // 1, or 0 for an unknown handle or an unreadable header.
    int GetInfo(int handle, DPFInfo *info);
    // File offset of the marker of the block the last search found, or -1.
    long long GetBlockOffset();
    // Reads the data of the block the last FindFirst/FindNext found, as
    // LoadBlock does, without searching again (the cursor stays). The data
    // size, or 0.
    int LoadFound(int handle, DPFBlock *b);
    // Rewrites a closed package without its deleted blocks, keeping block
    // order, creator and creation date. The new file is written beside the
    // old one and renamed over it, so a failure leaves the original intact.
    // 1, or 0.
    int Compact(const char *path);

    struct State;

private:
    int OpenPackage(const char *path, bool verifyCrc);
    std::unique_ptr<State> state_;
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QStuffDPF *IStuffDPF;

#endif
