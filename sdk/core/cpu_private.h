// Processor identification, split from the hardware so that every table can
// be tested with a probe of any processor, and the block-copy routine chosen
// from it. SDK-internal.
#ifndef QUENLAR_CORE_CPU_PRIVATE_H
#define QUENLAR_CORE_CPU_PRIVATE_H

namespace qnl {

// What the hardware says about the processor.
struct CpuProbe {
    bool hasCpuid = false;
    int maxLeaf = 0;            // CPU_GetString's result
    char vendor[13] = {0};      // e.g. "GenuineIntel"
    unsigned int signature = 0; // EAX of CPUID leaf 1
    bool mmx = false;
    bool sse = false;
};

// Reads this machine's processor (CPUID and SDL's MMX/SSE detection).
CpuProbe ProbeCPU();

// buffer null: logs the processor line (level 0) and sets *code to the
// copy-path code. Otherwise writes the description into buffer (64 bytes).
// Returns 1 when the processor is usable, 0 when not.
int DescribeCPU(const CpuProbe &probe, char *buffer, int *code);

// Installs the block-copy routine of a copy-path code as QuenlarBlockCopy
// and logs the choice (level 2). 1, or 0 for an unknown code.
int SelectCopyPath(int code);

} // namespace qnl

#endif
