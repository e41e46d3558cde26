// Processors other than x86: every routine is the C library's copy, which is
// already tuned for them; only the results of the routines are fixed.
#include <quenlar/platform/cpu.h>

#include <cstring>

namespace qnl {
namespace platform {

CopyFn GetCopyRoutine(CopyRoutine) {
    return memcpy;
}

} // namespace platform
} // namespace qnl
