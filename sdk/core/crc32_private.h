// The standard CRC-32 (IEEE 802.3, the values zlib gives) behind every
// checksum the SDK stores or sends: package headers, network records and
// Quenlar.CRC32. One routine, so that a faster one serves them all.
// SDK-internal.
#ifndef QUENLAR_CORE_CRC32_PRIVATE_H
#define QUENLAR_CORE_CRC32_PRIVATE_H

#include <SDL.h>
#include <cstddef>

namespace qnl {

// The CRC-32 of `size` bytes at `data`, continuing `crc` (0 to start).
Uint32 Crc32(Uint32 crc, const void *data, size_t size);

// The CRC-32 of A followed by B, from crcA, crcB and the length of B in
// bytes, without reading either (logarithmic in lengthB).
Uint32 Crc32Combine(Uint32 crcA, Uint32 crcB, Uint64 lengthB);

} // namespace qnl

#endif
