// The byte layout of version 4.0 packages and the payload transforms.
// Every record is read and written field by field at the offsets below;
// all integers are little-endian. SDK-internal.
//
//   file:   "DPFv" "4.0\0" | info header (512, enciphered) | blocks ...
//   block:  marker (16) | header (64) | payload (stored size rounded up to 8)
#ifndef QUENLAR_DPF_FORMAT_PRIVATE_H
#define QUENLAR_DPF_FORMAT_PRIVATE_H

#include <quenlar/core/bytes_private.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qnl {
namespace dpf {

// ---- File head and info header ------------------------------------------------
constexpr size_t kHeadSize = 8;
constexpr size_t kInfoSize = 512;
constexpr size_t kBlocksStart = kHeadSize + kInfoSize; // 520
extern const unsigned char kHeadV4[kHeadSize];         // "DPFv" "4.0\0"
constexpr size_t kHeadMagicSize = 4;                   // "DPFv"
constexpr size_t kHeadVersion = 4;                     // the version byte

// What a file's first bytes say it is. Version 3.0 files ("DPFv3...") are
// converted on opening; see update.cpp for their layout.
enum class HeadKind { kNotPackage, kVersion3, kVersion4, kUnsupported };
// `length` is how many bytes were read; fewer than kHeadSize is no package.
HeadKind ClassifyHead(const unsigned char *head, size_t length);

// Info header fields (offsets in the deciphered 512 bytes).
constexpr size_t kInfoCreator = 0, kInfoCreatorSize = 29;
constexpr size_t kInfoCreated = 29, kInfoModified = 61, kInfoDateSize = 32;
constexpr size_t kInfoProtected = 93;
constexpr size_t kInfoCrc = 96;
constexpr size_t kInfoFiller = 100, kInfoFillerSize = 410;

// ---- Blocks -------------------------------------------------------------------
constexpr size_t kMarkerSize = 16;
constexpr size_t kHeaderSize = 64;
constexpr size_t kBlockOverhead = kMarkerSize + kHeaderSize; // 80
extern const unsigned char kMarker[kMarkerSize];

// Block header fields.
constexpr size_t kHdrName = 0, kNameSize = 32; // at most 31 characters and a NUL
constexpr size_t kHdrType = 32, kTypeSize = 8; // at most 7 characters and a NUL
constexpr size_t kHdrMode = 40;
constexpr size_t kHdrSize = 44;
constexpr size_t kHdrStored = 48;

// The stored size as laid out in the file: rounded up to a multiple of 8.
inline uint64_t PaddedSize(uint64_t stored) {
    return (stored + 7) & ~uint64_t(7);
}

// A block's bytes in the file: marker, header and payload padded to 8.
inline uint64_t BlockFileSize(uint64_t stored) {
    return kBlockOverhead + PaddedSize(stored);
}
// Where the scan for the block after the one at `marker` starts: right
// after its stored bytes. Not rounded up to 8: the scan steps over the
// padding itself, and never looks inside the payload, so marker bytes in a
// payload are never taken for a block.
inline uint64_t ScanResumesAt(uint64_t marker, uint32_t stored) {
    return marker + kBlockOverhead + stored;
}

// A deleted block keeps its place and payload; its header's type becomes
// "DELETED" (the NUL fills the field) and its name begins with '?'.
extern const char kDeletedType[kTypeSize];
bool IsDeletedType(const char *type);
void MarkDeleted(unsigned char *header);

enum Mode : unsigned char { kCompressed = 0, kStored = 1, kScrambled = 2 };
constexpr unsigned char kScrambleByte = 0x5C;

// A compressed payload never expands by more than this factor (the
// compressor's longest matches give about 655); a header claiming more
// describes a damaged block, so no allocation follows from it.
constexpr uint64_t kMaxExpansion = 2048;

// Fields of the head, info header and block headers are little-endian.
using qnl::GetLE32;
using qnl::PutLE32;

// Length of a NUL-terminated text inside a fixed field (the field's width
// when it holds no NUL).
size_t FieldLength(const char *field, size_t width);

// ---- Block headers ------------------------------------------------------------
// A header as numbers and texts. Texts are NUL-terminated within their fields.
struct BlockFields {
    char name[kNameSize] = {0};
    char type[kTypeSize] = {0};
    unsigned char mode = 0;
    uint32_t size = 0;
    uint32_t stored = 0;
};
// Reads the fields of 64 header bytes; the texts are cut to their field
// width minus one so that they are always terminated.
BlockFields ParseHeader(const unsigned char *header);
// Builds 64 header bytes: all zero, then name, type, mode and sizes.
void BuildHeader(unsigned char *header, const char *name, const char *type, unsigned char mode,
                 uint32_t size, uint32_t stored);

// ---- Info header --------------------------------------------------------------------
// The present local time in the 24-character form of asctime, without its
// newline, NUL-terminated in `out` (32 bytes).
void FormatDate(char out[kInfoDateSize]);
// Fills a fresh deciphered info header: creator and creation date as given
// (copied as whole fields), modification date now, protected 0, CRC 0,
// filler from rand() seeded with the engine clock.
void BuildInfoHeader(unsigned char *info, const char *creator, size_t creatorBytes,
                     const char *created, size_t createdBytes);

// ---- Payload transforms -----------------------------------------------------------
// Turns `size` bytes of data into a stored payload by `mode` (0, 1 or 2).
// `out` becomes `prefix` zero bytes (room for the caller's marker and
// header) followed by the payload padded with zeros to a multiple of 8;
// `stored` is the payload length without padding. False if the compressor
// fails or memory runs out (out is left empty).
bool EncodePayload(const unsigned char *data, uint32_t size, unsigned char mode,
                   std::vector<unsigned char> &out, uint32_t &stored, size_t prefix = 0);
// Decompresses `stored` bytes into exactly `size` bytes at `out`. False
// unless the stream is consumed exactly and yields exactly `size` bytes.
bool Decompress(const unsigned char *payload, uint32_t stored, unsigned char *out, uint32_t size);
// XORs every byte with the scramble byte (its own inverse).
void Scramble(unsigned char *data, size_t length);

} // namespace dpf
} // namespace qnl

#endif
