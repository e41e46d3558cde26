// Memory status.
#ifndef QUENLAR_PLATFORM_MEMORY_H
#define QUENLAR_PLATFORM_MEMORY_H

#include <cstdint>

namespace qnl {
namespace platform {

// Physical memory available to programs, in bytes.
uint64_t AvailablePhysicalMemory();

} // namespace platform
} // namespace qnl

#endif
