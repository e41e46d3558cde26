// Processor identification and the block-copy routines.
#ifndef QUENLAR_PLATFORM_CPU_H
#define QUENLAR_PLATFORM_CPU_H

#include <cstddef>
#include <cstdint>

// ---- Processor identification ------------------------------------------------
// 1 when the processor has the CPUID instruction, else 0.
int CPU_haveCPUID();
// CPUID leaf 0: stores the 12 vendor characters and a NUL at [12] (buffer of
// 13 bytes or more); returns the highest leaf, or 0 when it is below 1.
int CPU_GetString(char *buffer);
// EAX of CPUID leaf 1 (the processor signature), or 0 without leaf 1.
unsigned int CPU_getCPUIDFamily();

namespace qnl {
namespace platform {

// ---- Block-copy routines -------------------------------------------------------
// Each gives exactly the bytes of memcpy; they differ in how they move them.
enum class CopyRoutine {
    Plain,   // the C library's memcpy
    MMX1,    // 32-byte blocks through four 8-byte registers
    MMX2,    // 64-byte blocks through eight 8-byte registers
    MMXV,    // as MMX2 with a non-temporal prefetch before each block
    SSE2,    // 128-byte blocks of unaligned 16-byte loads and stores
    K7,      // block-prefetch copy with non-temporal stores for large sizes
    Athlon,  // MMX blocks up to 1 KiB, K7 above
    Banias,  // prefetching MMX blocks below 1 MiB, K7 from 1 MiB
    Dothan,  // as Banias with a 2 MiB limit
    P4Early, // MMX2 up to 512 bytes, K7 above
    P4Late,  // MMX2 up to 256 bytes, K7 above
};
typedef void *(*CopyFn)(void *dst, const void *src, size_t n);
CopyFn GetCopyRoutine(CopyRoutine routine);

} // namespace platform
} // namespace qnl

#endif
