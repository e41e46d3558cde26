// The CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320, the values of
// zlib's crc32) as fast as the processor allows: a carry-less multiplication
// fold where the processor has one, zlib's table routine elsewhere and for
// data too short for the fold to pay. SDK-internal: the SDK calls it through
// qnl::Crc32.
#ifndef QUENLAR_PLATFORM_CRC32_PRIVATE_H
#define QUENLAR_PLATFORM_CRC32_PRIVATE_H

#include <SDL_stdinc.h>
#include <algorithm>
#include <climits>
#include <cstddef>
#include <zlib.h>

namespace qnl {
namespace platform {

// The CRC-32 of `size` bytes at `data`, continuing `crc` (0 to start).
Uint32 FastCrc32(Uint32 crc, const void *data, size_t size);

// For tests: false makes FastCrc32 take zlib's routine at every size, as on
// a processor without carry-less multiplication; true restores the choice
// made from CPUID. Returns whether FastCrc32 now folds.
bool AllowFoldingCrc32(bool allowed);

// zlib's crc32 at any size_t length: the portable routine.
inline Uint32 ZlibCrc32(Uint32 crc, const void *data, size_t size) {
    const Bytef *bytes = static_cast<const Bytef *>(data);
    // zlib counts in uInt: longer data goes in pieces.
    while (size > 0) {
        const uInt piece = (uInt)std::min<size_t>(size, UINT_MAX);
        crc = (Uint32)crc32(crc, bytes, piece);
        bytes += piece;
        size -= piece;
    }
    return crc;
}

} // namespace platform
} // namespace qnl

#endif
