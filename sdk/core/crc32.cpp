#include <quenlar/core/crc32_private.h>

#include <quenlar/platform/crc32_private.h>

namespace qnl {

Uint32 Crc32(Uint32 crc, const void *data, size_t size) {
    return platform::FastCrc32(crc, data, size);
}

} // namespace qnl
