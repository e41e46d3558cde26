// The block-copy routine: one process-wide function with the contract of
// memcpy (non-overlapping areas), chosen at start-up for the processor.
// Screen effects use it for whole-row copies.
#ifndef QUENLAR_CORE_BLOCKCOPY_H
#define QUENLAR_CORE_BLOCKCOPY_H

#include <cstddef>

typedef void *(*QuenlarCopyFn)(void *dst, const void *src, size_t n);

// The selected routine; starts as the plain copy.
extern QuenlarCopyFn QuenlarBlockCopy;

#endif
