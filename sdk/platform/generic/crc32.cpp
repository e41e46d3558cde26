// Processors other than x86: zlib's CRC-32 routine, tuned for each of them.
#include <quenlar/platform/crc32_private.h>

namespace qnl {
namespace platform {

Uint32 FastCrc32(Uint32 crc, const void *data, size_t size) {
    return ZlibCrc32(crc, data, size);
}

bool AllowFoldingCrc32(bool) {
    return false;
}

} // namespace platform
} // namespace qnl
