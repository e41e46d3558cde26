#include <quenlar/core/crc32_private.h>

#include <algorithm>
#include <climits>
#include <zlib.h>

namespace qnl {

Uint32 Crc32(Uint32 crc, const void *data, size_t size) {
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

} // namespace qnl
