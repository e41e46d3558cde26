// The DataNet wire form: header, checksum, scrambling, packets, login.
#include <quenlar/net/wire_private.h>

#include <quenlar/core/bytes_private.h>
#include <quenlar/core/crc32_private.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace qnl {
namespace net {

// ---------------------------------------------------------------------------
// Header, checksum, scrambling
// ---------------------------------------------------------------------------
void EncodeHeader(const DataNet &record, Uint8 out[DATANET_HEADER]) {
    out[0] = record.type;
    out[1] = record.cmd;
    PutLE16(out + 2, record.aux);
    PutLE32(out + 4, record.size);
    PutLE32(out + 8, record.crc);
}

void DecodeHeader(const Uint8 in[DATANET_HEADER], DataNet *record) {
    record->type = in[0];
    record->cmd = in[1];
    record->aux = GetLE16(in + 2);
    record->size = GetLE32(in + 4);
    record->crc = GetLE32(in + 8);
}

Uint32 Checksum(const DataNet &record) {
    if (record.type == DATANET_SYSTEM) return 0;
    DataNet zeroed = record;
    zeroed.crc = 0;
    Uint8 header[DATANET_HEADER];
    EncodeHeader(zeroed, header);
    Uint32 crc = qnl::Crc32(0, header, DATANET_HEADER);
    if (record.size && record.data) crc += qnl::Crc32(0, record.data, record.size);
    return crc;
}

void ScrambleInto(Uint8 *out, const Uint8 *in, size_t size) {
    // The word mask as it lies in memory, twice: XORing 8 bytes at a time
    // puts every mask byte where the word rule puts it, on any host, and
    // lets the compiler use vector instructions.
    Uint8 pattern[8];
    PutLE32(pattern, kWordMask);
    PutLE32(pattern + 4, kWordMask);
    uint64_t mask;
    memcpy(&mask, pattern, sizeof mask);
    size_t whole = size & ~(size_t)3, i = 0;
    for (; i + 8 <= whole; i += 8) {
        uint64_t chunk;
        memcpy(&chunk, in + i, sizeof chunk);
        chunk ^= mask;
        memcpy(out + i, &chunk, sizeof chunk);
    }
    if (i < whole) PutLE32(out + i, GetLE32(in + i) ^ kWordMask);
    for (i = whole; i < size; ++i)
        out[i] = in[i] ^ kByteMask;
}

void Scramble(Uint8 *bytes, size_t size) {
    ScrambleInto(bytes, bytes, size);
}

void WritePacket(const DataNet &record, Uint8 *out) {
    EncodeHeader(record, out);
    Scramble(out, DATANET_HEADER);
    // The payload starts on a word boundary and ends the packet: it is
    // scrambled as a packet of its own would be, while it is copied.
    if (record.size) ScrambleInto(out + DATANET_HEADER, record.data, record.size);
}

std::unique_ptr<Uint8[]> BuildPacket(const DataNet &record, size_t *length) {
    size_t total = DATANET_HEADER + (size_t)record.size;
    std::unique_ptr<Uint8[]> packet(new (std::nothrow) Uint8[total]);
    if (!packet) return nullptr;
    WritePacket(record, packet.get());
    *length = total;
    return packet;
}

// ---------------------------------------------------------------------------
// Login payload
// ---------------------------------------------------------------------------
bool ValidName(const char *name) {
    if (!name) return false;
    size_t length = strnlen(name, NET_NAMESIZE);
    return length >= 1 && length < NET_NAMESIZE;
}

std::string BuildLogin(const char *name, Uint32 seed) {
    std::string payload(name, strlen(name));
    payload.push_back('\0');
    Uint8 le[4];
    PutLE32(le, seed);
    payload.append(reinterpret_cast<const char *>(le), 4);
    return payload;
}

bool ParseLogin(const Uint8 *payload, Uint32 size, char name[NET_NAMESIZE], Uint32 *seed) {
    // The shortest login is one name byte, the NUL and the seed.
    if (!payload || size < 6 || size > NET_NAMESIZE + 4) return false;
    Uint32 length = size - 5;
    if (payload[length] != '\0' || memchr(payload, '\0', length)) return false;
    memcpy(name, payload, length + 1);
    *seed = GetLE32(payload + length + 1);
    return true;
}

// ---------------------------------------------------------------------------
// PacketReader
// ---------------------------------------------------------------------------
PacketReader::PacketReader(Uint32 limit)
    : limit_(limit < DATANET_HEADER || limit > DATANET_LIMIT ? DATANET_LIMIT : limit) {}

void PacketReader::SetMirrorSeed(Uint32 seed) {
    mirror_.seed(seed);
}

void PacketReader::Reset() {
    have_ = 0;
    record_ = DataNet();
    payload_.reset();
    complete_ = false;
    error_[0] = '\0';
}

Uint8 *PacketReader::Space() {
    if (have_ < DATANET_HEADER) return header_ + have_;
    return payload_.get() + (have_ - DATANET_HEADER);
}

int PacketReader::Wanted() const {
    if (complete_ || error_[0]) return 0;
    if (have_ < DATANET_HEADER) return (int)(DATANET_HEADER - have_);
    return (int)(DATANET_HEADER + record_.size - have_);
}

PacketReader::Status PacketReader::Fail(const char *format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(error_, sizeof error_, format, args);
    va_end(args);
    payload_.reset();
    return kFailed;
}

PacketReader::Status PacketReader::Commit(int received) {
    if (error_[0]) return kFailed;
    if (received <= 0 || received > Wanted()) return Fail("bad read of %d bytes", received);
    have_ += (Uint32)received;

    if (have_ == DATANET_HEADER) {
        Uint8 plain[DATANET_HEADER];
        memcpy(plain, header_, DATANET_HEADER);
        Scramble(plain, DATANET_HEADER);
        DecodeHeader(plain, &record_);
        // 64-bit sum: a size near 4 GiB must not wrap past the limit.
        Uint64 total = (Uint64)DATANET_HEADER + record_.size;
        if (total > limit_)
            return Fail("size limit exceed (%llu > %u)", (unsigned long long)total, limit_);
        if (record_.size) {
            payload_.reset(new (std::nothrow) Uint8[record_.size]);
            if (!payload_) return Fail("no memory for %u bytes", record_.size);
        }
    }
    if (have_ < DATANET_HEADER + record_.size || have_ < DATANET_HEADER) return kIncomplete;

    Scramble(payload_.get(), record_.size);
    record_.data = payload_.get();
    if (record_.type != DATANET_SYSTEM) {
        // The sender drew aux for every such record: the mirror draws too.
        Uint16 expected = NextAux(mirror_);
        if (Checksum(record_) != record_.crc) return Fail("bad crc 0x%08x", record_.crc);
        if (record_.aux != expected)
            return Fail("bad aux %u (expected %u)", (unsigned)record_.aux, (unsigned)expected);
    }
    complete_ = true;
    return kComplete;
}

PacketReader::Status PacketReader::Feed(const Uint8 *bytes, size_t size, size_t *used) {
    *used = 0;
    if (error_[0]) return kFailed;
    if (complete_) return kComplete;
    size_t take = size < (size_t)Wanted() ? size : (size_t)Wanted();
    if (take == 0) return kIncomplete;
    memcpy(Space(), bytes, take);
    *used = take;
    return Commit((int)take);
}

DataNet PacketReader::Take() {
    DataNet record;
    if (!complete_) return record;
    record = record_;
    record.data = payload_.release();
    Reset();
    return record;
}

} // namespace net
} // namespace qnl
