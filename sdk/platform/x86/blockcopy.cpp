// Block-copy routines for x86 and x86-64, written with MMX and SSE2
// intrinsics. Each moves whole blocks its own way and finishes the remainder
// with a plain copy, so all of them give the bytes of memcpy.
//
// Unaligned 8-byte loads and stores go through memcpy into an __m64: the
// compiler turns that into one movq, without the undefined behaviour of
// dereferencing a misaligned pointer.
#include <quenlar/platform/cpu.h>

#include <cstring>
#include <emmintrin.h> // SSE2: 16-byte unaligned loads and stores
#include <mmintrin.h>  // MMX: 8-byte registers, emms
#include <xmmintrin.h> // SSE: prefetch, movntq, sfence

namespace qnl {
namespace platform {

namespace {

typedef unsigned char byte;

inline __m64 Load8(const byte *p) {
    __m64 v;
    memcpy(&v, p, 8);
    return v;
}

inline void Store8(byte *p, __m64 v) {
    memcpy(p, &v, 8);
}

// Non-temporal 8-byte store: bypasses the cache for data not read again soon.
inline void Stream8(byte *p, __m64 v) {
    _mm_stream_pi(reinterpret_cast<__m64 *>(p), v);
}

inline void Prefetch(const byte *p) {
    _mm_prefetch(reinterpret_cast<const char *>(p), _MM_HINT_NTA);
}

// Copies n bytes as 4-byte words and then single bytes (the K7 tail).
void CopyDwordsBytes(byte *d, const byte *s, size_t n) {
    for (; n >= 4; n -= 4, d += 4, s += 4)
        memcpy(d, s, 4);
    for (; n; --n)
        *d++ = *s++;
}

// One 64-byte block through eight MMX registers.
inline void Block64(byte *d, const byte *s) {
    __m64 r0 = Load8(s), r1 = Load8(s + 8), r2 = Load8(s + 16), r3 = Load8(s + 24);
    __m64 r4 = Load8(s + 32), r5 = Load8(s + 40), r6 = Load8(s + 48), r7 = Load8(s + 56);
    Store8(d, r0), Store8(d + 8, r1), Store8(d + 16, r2), Store8(d + 24, r3);
    Store8(d + 32, r4), Store8(d + 40, r5), Store8(d + 48, r6), Store8(d + 56, r7);
}

inline void Block64Streamed(byte *d, const byte *s) {
    __m64 r0 = Load8(s), r1 = Load8(s + 8), r2 = Load8(s + 16), r3 = Load8(s + 24);
    __m64 r4 = Load8(s + 32), r5 = Load8(s + 40), r6 = Load8(s + 48), r7 = Load8(s + 56);
    Stream8(d, r0), Stream8(d + 8, r1), Stream8(d + 16, r2), Stream8(d + 24, r3);
    Stream8(d + 32, r4), Stream8(d + 40, r5), Stream8(d + 48, r6), Stream8(d + 56, r7);
}

// ---------------------------------------------------------------------------
// MMX-I, MMX-II, MMX-V
// ---------------------------------------------------------------------------
void *CopyMMX1(void *dst, const void *src, size_t n) {
    byte *d = static_cast<byte *>(dst);
    const byte *s = static_cast<const byte *>(src);
    for (size_t blocks = n / 32; blocks; --blocks, d += 32, s += 32) {
        __m64 r0 = Load8(s), r1 = Load8(s + 8), r2 = Load8(s + 16), r3 = Load8(s + 24);
        Store8(d, r0), Store8(d + 8, r1), Store8(d + 16, r2), Store8(d + 24, r3);
    }
    _mm_empty();
    memcpy(d, s, n % 32);
    return dst;
}

void *CopyMMX2(void *dst, const void *src, size_t n) {
    byte *d = static_cast<byte *>(dst);
    const byte *s = static_cast<const byte *>(src);
    for (size_t blocks = n / 64; blocks; --blocks, d += 64, s += 64)
        Block64(d, s);
    _mm_empty();
    memcpy(d, s, n % 64);
    return dst;
}

void *CopyMMXV(void *dst, const void *src, size_t n) {
    byte *d = static_cast<byte *>(dst);
    const byte *s = static_cast<const byte *>(src);
    for (size_t blocks = n / 64; blocks; --blocks, d += 64, s += 64) {
        Prefetch(s);
        Block64(d, s);
    }
    _mm_empty();
    memcpy(d, s, n % 64);
    return dst;
}

// ---------------------------------------------------------------------------
// SSE-2
// ---------------------------------------------------------------------------
void *CopySSE2(void *dst, const void *src, size_t n) {
    byte *d = static_cast<byte *>(dst);
    const byte *s = static_cast<const byte *>(src);
    for (size_t blocks = n / 128; blocks; --blocks, d += 128, s += 128) {
        const __m128i *in = reinterpret_cast<const __m128i *>(s);
        __m128i *out = reinterpret_cast<__m128i *>(d);
        __m128i x0 = _mm_loadu_si128(in), x1 = _mm_loadu_si128(in + 1);
        __m128i x2 = _mm_loadu_si128(in + 2), x3 = _mm_loadu_si128(in + 3);
        __m128i x4 = _mm_loadu_si128(in + 4), x5 = _mm_loadu_si128(in + 5);
        __m128i x6 = _mm_loadu_si128(in + 6), x7 = _mm_loadu_si128(in + 7);
        _mm_storeu_si128(out, x0), _mm_storeu_si128(out + 1, x1);
        _mm_storeu_si128(out + 2, x2), _mm_storeu_si128(out + 3, x3);
        _mm_storeu_si128(out + 4, x4), _mm_storeu_si128(out + 5, x5);
        _mm_storeu_si128(out + 6, x6), _mm_storeu_si128(out + 7, x7);
    }
    memcpy(d, s, n % 128);
    return dst;
}

// ---------------------------------------------------------------------------
// K7: the block-prefetch copy for large areas
// ---------------------------------------------------------------------------
constexpr size_t kTinyLimit = 64;             // below: dword and byte moves only
constexpr size_t kStreamBlocks = 1024;        // from 64 KiB: non-temporal stores
constexpr size_t kBlockPrefetchBlocks = 8192; // from 512 KiB: 8 KiB block prefetch
constexpr size_t kChunkBlocks = 128;          // 8 KiB per prefetched chunk
constexpr size_t kPrefetchAhead = 568;        // bytes ahead of the source

void *CopyK7(void *dst, const void *src, size_t n) {
    byte *d = static_cast<byte *>(dst);
    const byte *s = static_cast<const byte *>(src);
    if (n < kTinyLimit) {
        CopyDwordsBytes(d, s, n);
        return dst;
    }
    // Align the destination to 8 bytes, except for 32 KiB < n <= 64 KiB
    // where the original routine found alignment not to pay.
    if (!(n > 32 * 1024 && n <= 64 * 1024)) {
        size_t head = (8 - (reinterpret_cast<uintptr_t>(d) & 7)) & 7;
        CopyDwordsBytes(d, s, head);
        d += head, s += head, n -= head;
    }
    size_t blocks = n / 64;
    size_t tail = n % 64;
    if (blocks < kStreamBlocks) {
        for (; blocks; --blocks, d += 64, s += 64) {
            Prefetch(s + kPrefetchAhead);
            Block64(d, s);
        }
    } else if (blocks < kBlockPrefetchBlocks) {
        for (; blocks; --blocks, d += 64, s += 64) {
            Prefetch(s + kPrefetchAhead);
            Block64Streamed(d, s);
        }
    } else {
        // Read a whole 8 KiB chunk into the cache first (one byte per line,
        // backwards), then stream it out.
        while (blocks >= kChunkBlocks) {
            for (size_t line = kChunkBlocks; line; --line)
                (void)*static_cast<const volatile byte *>(s + (line - 1) * 64);
            for (size_t i = 0; i < kChunkBlocks; ++i, d += 64, s += 64)
                Block64Streamed(d, s);
            blocks -= kChunkBlocks;
        }
        for (; blocks; --blocks, d += 64, s += 64) {
            Prefetch(s + kPrefetchAhead);
            Block64Streamed(d, s);
        }
    }
    _mm_sfence(); // make the non-temporal stores visible in order
    _mm_empty();
    CopyDwordsBytes(d, s, tail);
    return dst;
}

// ---------------------------------------------------------------------------
// Routines that choose by size
// ---------------------------------------------------------------------------
void *CopyAthlon(void *dst, const void *src, size_t n) {
    return n <= 1024 ? CopyMMX2(dst, src, n) : CopyK7(dst, src, n);
}

template <size_t Limit> void *CopyPrefetchingMMX(void *dst, const void *src, size_t n) {
    if (n >= Limit) return CopyK7(dst, src, n);
    byte *d = static_cast<byte *>(dst);
    const byte *s = static_cast<const byte *>(src);
    for (size_t blocks = n / 64; blocks; --blocks, d += 64, s += 64) {
        Prefetch(s + 512);
        Block64(d, s);
    }
    _mm_empty();
    memcpy(d, s, n % 64);
    return dst;
}

void *CopyP4Early(void *dst, const void *src, size_t n) {
    return n <= 512 ? CopyMMX2(dst, src, n) : CopyK7(dst, src, n);
}

void *CopyP4Late(void *dst, const void *src, size_t n) {
    return n <= 256 ? CopyMMX2(dst, src, n) : CopyK7(dst, src, n);
}

} // namespace

CopyFn GetCopyRoutine(CopyRoutine routine) {
    switch (routine) {
    case CopyRoutine::Plain:
        return memcpy;
    case CopyRoutine::MMX1:
        return CopyMMX1;
    case CopyRoutine::MMX2:
        return CopyMMX2;
    case CopyRoutine::MMXV:
        return CopyMMXV;
    case CopyRoutine::SSE2:
        return CopySSE2;
    case CopyRoutine::K7:
        return CopyK7;
    case CopyRoutine::Athlon:
        return CopyAthlon;
    case CopyRoutine::Banias:
        return CopyPrefetchingMMX<1024 * 1024>;
    case CopyRoutine::Dothan:
        return CopyPrefetchingMMX<2 * 1024 * 1024>;
    case CopyRoutine::P4Early:
        return CopyP4Early;
    case CopyRoutine::P4Late:
        return CopyP4Late;
    }
    return memcpy;
}

} // namespace platform
} // namespace qnl
