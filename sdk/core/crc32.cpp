#include <quenlar/core/crc32_private.h>

#include <quenlar/platform/crc32_private.h>

#include <zlib.h>

namespace qnl {

Uint32 Crc32(Uint32 crc, const void *data, size_t size) {
    return platform::FastCrc32(crc, data, size);
}

Uint32 Crc32Combine(Uint32 crcA, Uint32 crcB, Uint64 lengthB) {
    return (Uint32)crc32_combine64(crcA, crcB, (z_off64_t)lengthB);
}

} // namespace qnl
