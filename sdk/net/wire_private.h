// The DataNet wire form: header layout, checksum, scrambling, the packet
// builder and the incremental packet reader, plus the login payload.
// SDK-internal (the network layer, its tests and fuzz target); not installed.
#ifndef QUENLAR_NET_WIRE_PRIVATE_H
#define QUENLAR_NET_WIRE_PRIVATE_H

#include <quenlar/net/datanet.h>

#include <memory>
#include <random>
#include <string>

namespace qnl {
namespace net {

constexpr Uint32 kWordMask = 0x3C71D2A9; // XORed into every whole LE word
constexpr Uint8 kByteMask = 0x4E;        // XORed into the 1 to 3 trailing bytes

// The aux value a connection's generator gives for its next record.
inline Uint16 NextAux(std::mt19937 &generator) {
    return (Uint16)(generator() & 0xFFFF);
}

// Header fields at their offsets: type 0, cmd 1, aux 2, size 4, crc 8.
void EncodeHeader(const DataNet &record, Uint8 out[DATANET_HEADER]);
void DecodeHeader(const Uint8 in[DATANET_HEADER], DataNet *record); // leaves data alone

// CRC-32 of the header with crc 0, plus (wrapping) that of the payload when
// there is one; 0 for DATANET_SYSTEM records.
Uint32 Checksum(const DataNet &record);

// Scrambles in place; applying it twice restores the bytes. `bytes` starts on
// a packet's word boundary (the packet start or offset 12).
void Scramble(Uint8 *bytes, size_t size);
// The same from in[0 .. size) into out (in == out allowed).
void ScrambleInto(Uint8 *out, const Uint8 *in, size_t size);

// Writes the scrambled wire form of `record` as it stands (aux and crc as
// given) into out[12 + size]. The caller checks the size limit first.
void WritePacket(const DataNet &record, Uint8 *out);
// The same in a new array of *length bytes; null when there is no memory.
std::unique_ptr<Uint8[]> BuildPacket(const DataNet &record, size_t *length);

// Login payload: name (1 to 31 bytes), NUL, seed as 4 LE bytes.
std::string BuildLogin(const char *name, Uint32 seed);
bool ParseLogin(const Uint8 *payload, Uint32 size, char name[NET_NAMESIZE], Uint32 *seed);
// A valid client name: 1 to 31 bytes.
bool ValidName(const char *name);

// Reassembles DataNets from a byte stream that arrives in pieces. The caller
// either receives straight into Space() at most Wanted() bytes and reports
// them with Commit(), or hands over bytes it read with Feed(), which takes
// them up to the end of the packet in progress. The payload is allocated
// only after the header passed the size limit.
class PacketReader {
public:
    enum Status { kIncomplete, kComplete, kFailed };

    // `limit`: header + payload accepted, at most DATANET_LIMIT. The aux
    // mirror starts from the standard seed until SetMirrorSeed.
    explicit PacketReader(Uint32 limit = DATANET_LIMIT);

    // Seeds the mirror of the sender's generator; every record but type 32
    // must carry the low 16 bits of its next number as aux.
    void SetMirrorSeed(Uint32 seed);

    Uint8 *Space();
    int Wanted() const;
    // `received` bytes were written to Space(). kComplete: Take() the record;
    // kFailed: Error() says why and the reader must be Reset before reuse.
    Status Commit(int received);
    // Copies from bytes[0 .. size) what the packet in progress still needs
    // (*used says how much) and commits it. With nothing to take, it reports
    // where the reader stands.
    Status Feed(const Uint8 *bytes, size_t size, size_t *used);

    // The completed record; its payload (new[]-allocated, null for size 0)
    // now belongs to the caller.
    DataNet Take();
    const char *Error() const { return error_; }
    // Drops the packet in progress (the mirror is kept).
    void Reset();

private:
    Status Fail(const char *format, ...);

    Uint32 limit_;
    std::mt19937 mirror_;
    Uint8 header_[DATANET_HEADER] = {};
    Uint32 have_ = 0; // bytes of the current packet received so far
    DataNet record_;
    std::unique_ptr<Uint8[]> payload_;
    bool complete_ = false;
    char error_[128] = {};
};

} // namespace net
} // namespace qnl

#endif
