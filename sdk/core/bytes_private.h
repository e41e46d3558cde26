// Little-endian fields of stored and transmitted records. Every reader and
// writer of a file or wire format goes through these, field by field at
// explicit offsets, never by copying a struct. SDK-internal.
#ifndef QUENLAR_CORE_BYTES_PRIVATE_H
#define QUENLAR_CORE_BYTES_PRIVATE_H

#include <cstdint>

namespace qnl {

inline uint16_t GetLE16(const unsigned char *p) { return (uint16_t)(p[0] | p[1] << 8); }

inline uint32_t GetLE32(const unsigned char *p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

inline void PutLE16(unsigned char *p, uint16_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

inline void PutLE32(unsigned char *p, uint32_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

} // namespace qnl

#endif
