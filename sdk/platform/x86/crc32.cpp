// CRC-32 on x86 and x86-64: folding with carry-less multiplication
// (PCLMULQDQ, with SSE4.1 for the byte shuffles) where CPUID reports both,
// zlib's table routine elsewhere and below kFoldFrom bytes.
//
// The arithmetic. Bits are coefficients of polynomials over GF(2), in the
// reflected order of this CRC: bit 0 of the first byte is the highest power.
// For a message M of n bits and a starting register r, the register after M
// is (r*x^n + M)*x^32 mod P, P = x^32 + x^26 + ... + 1 (0x104C11DB7): that is
// M'*x^32 mod P, M' being M with r xor-ed into its first four bytes. Only M'
// mod P matters, so the message is folded: a 128-bit block A = H*x^64 + L
// (H its first 8 bytes) that D bits of message follow is worth A*x^D, and
// A*x^D = H*x^(D+64) + L*x^D, congruent to H*(x^(D+64) mod P) +
// L*(x^D mod P): two products of at most 96 bits, xor-ed into the block that
// starts D bits further on. At the end one block remains; it is reduced to
// 32 bits by two more folds and a Barrett reduction.
//
// Register layout. Bit m of a 128-bit register is the coefficient of
// x^(127-m), so a 16-byte load is the block as it stands in the message.
// PCLMULQDQ multiplies two 64-bit halves whose bit i is the coefficient of
// x^(63-i); a 32-bit constant K (bit i: x^(31-i), the reflected form) set in
// the low half of one operand gives, against a half H, H*K*x^33 in the
// register layout, and set in the high half H*K*x. Each constant below is
// therefore x^e mod P with e = the power wanted minus 33 (low half) or
// minus 1 (high half):
//   fold 64 bytes on, D = 512:  H: x^(576-33) = x^543   L: x^(512-33) = x^479
//   fold 16 bytes on, D = 128:  H: x^(192-33) = x^159   L: x^(128-33) = x^95
//   128 to 96 bits (the x^32 of the CRC): H*x^96 by x^(96-1) = x^95, high half
//   96 to 64 bits: the top 32 bits T*x^64 by x^(64-1) = x^63, high half
//   64 to 32 bits, Barrett: mu = floor(x^64 / P) and P itself, as 33-bit
//   reflected values (bit j: x^(32-j)).
// They are computed below at compile time from P, so a reader checks the
// derivation, not hexadecimal digits.
#include <quenlar/platform/crc32_private.h>

#include <atomic>
#include <cpuid.h>
#include <cstdint>
#include <cstring>
#include <immintrin.h>

namespace qnl {
namespace platform {

namespace {

// ---- Constants -----------------------------------------------------------------
constexpr uint64_t kPolyNatural = 0x104C11DB7u; // P, x^32 at bit 32

// The low `bits` bits of v in reverse order.
constexpr uint64_t Reflect(uint64_t v, int bits) {
    uint64_t r = 0;
    for (int i = 0; i < bits; ++i)
        r |= ((v >> i) & 1) << (bits - 1 - i);
    return r;
}

// P without x^32, reflected (bit i: x^(31-i)): 0xEDB88320.
constexpr uint32_t kPolyReflected = (uint32_t)Reflect(kPolyNatural, 32);

// x^e mod P, reflected (bit i: x^(31-i)): start from 1 (bit 31) and multiply
// by x e times; a term reaching x^32 is replaced by the rest of P.
constexpr uint32_t XPowModP(int e) {
    uint32_t r = 0x80000000u;
    for (int i = 0; i < e; ++i)
        r = (r >> 1) ^ ((r & 1) ? kPolyReflected : 0);
    return r;
}

// floor(x^64 / P) (degree 32) by long division, kept in natural order.
constexpr uint64_t BarrettMu() {
    // window: the dividend's terms x^s to x^(s+32), x^s at bit 0.
    uint64_t quotient = 0, window = uint64_t(1) << 32;
    for (int s = 32; s >= 0; --s) {
        if (window >> 32) {
            quotient |= uint64_t(1) << s;
            window ^= kPolyNatural;
        }
        window <<= 1;
    }
    return quotient;
}

// Pairs, loaded as a register's low and high halves. Folds: the constant
// for a block's first 8 bytes, then for its last 8.
constexpr uint64_t kFold64[2] = {XPowModP(543), XPowModP(479)};
constexpr uint64_t kFold16[2] = {XPowModP(159), XPowModP(95)};
// The reduction: 128 to 96 bits, 96 to 64 bits; then Barrett's mu and P.
constexpr uint64_t kTo64[2] = {uint64_t(XPowModP(95)) << 32, uint64_t(XPowModP(63)) << 32};
constexpr uint64_t kBarrett[2] = {Reflect(BarrettMu(), 33), Reflect(kPolyNatural, 33)};

// Below this many bytes zlib's routine is faster: its table steps cost about
// 2 ns a byte, the fold's reduction about 16 ns at any size (measured at
// 4 to 16 bytes, the way bench/crc32.cpp does). At least 4, the bytes the
// starting register is xor-ed into.
constexpr size_t kFoldFrom = 8;

// ---- The folding routine ----------------------------------------------------------
#define QNL_CLMUL __attribute__((target("pclmul,sse4.1")))

// A pair of 64-bit constants as the low and high halves of a register,
// set from 32-bit pieces (_mm_set_epi64x is not on every target).
QNL_CLMUL inline __m128i Halves(const uint64_t (&pair)[2]) {
    return _mm_setr_epi32((int)(uint32_t)pair[0], (int)(uint32_t)(pair[0] >> 32),
                          (int)(uint32_t)pair[1], (int)(uint32_t)(pair[1] >> 32));
}

QNL_CLMUL inline __m128i Load(const unsigned char *p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

// block*x^D mod P, at most 96 bits, for `k` holding D's two constants.
QNL_CLMUL inline __m128i Fold(__m128i block, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(block, k, 0x00),
                         _mm_clmulepi64_si128(block, k, 0x11));
}

// Shuffle masks: 16 bytes loaded at kShuffle + t take a block's first t bytes
// to its end (zeros before); at kShuffle + 16 + t its last 16 - t bytes to
// its start (bytes with the high bit set: zero, and where a blend takes the
// message's tail instead).
const unsigned char kShuffle[48] = {
    0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
    0,    1,    2,    3,    4,    5,    6,    7,    8,    9,    10,   11,   12,   13,   14,   15,
    0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};

// a*x^32 mod P for a 128-bit block a: the register the block leaves.
QNL_CLMUL uint32_t Reduce(__m128i a) {
    const __m128i to64 = Halves(kTo64), barrett = Halves(kBarrett);
    const __m128i low32 = _mm_setr_epi32(-1, 0, 0, 0);
    // 128 bits times x^32 to 96: H*x^96 plus L moved up 32 bits.
    a = _mm_xor_si128(_mm_clmulepi64_si128(a, to64, 0x00), _mm_slli_si128(_mm_srli_si128(a, 8), 4));
    // 96 to 64 in the high half: bits 32-63 (the top) fold over it.
    a = _mm_srli_si128(_mm_xor_si128(_mm_clmulepi64_si128(a, to64, 0x10), a), 8);
    // 64 to 32, Barrett: q = top 32 bits of top*mu, and the low 32 bits of
    // a + q*P are a mod P.
    __m128i q = _mm_and_si128(_mm_clmulepi64_si128(_mm_and_si128(a, low32), barrett, 0x00), low32);
    a = _mm_xor_si128(_mm_clmulepi64_si128(q, barrett, 0x10), a);
    return (uint32_t)_mm_extract_epi32(a, 1);
}

// The register after `size` >= 4 bytes, starting from register `r` (the CRC
// value inverted).
QNL_CLMUL uint32_t FoldingRegister(uint32_t r, const unsigned char *p, size_t size) {
    const __m128i k128 = Halves(kFold16);
    const __m128i start = _mm_cvtsi32_si128((int)r); // xor-ed into the first 4 bytes
    if (size < 16) {
        // One block: the bytes moved to its end, leading zeros being worth nothing.
        unsigned char block[16] = {};
        memcpy(block, p, size);
        return Reduce(_mm_shuffle_epi8(_mm_xor_si128(Load(block), start), Load(kShuffle + size)));
    }

    const unsigned char *end = p + size;
    __m128i a = _mm_xor_si128(Load(p), start);
    p += 16;
    if (end - p >= 48) {
        // Four blocks in flight, so that the multiplications overlap.
        const __m128i k512 = Halves(kFold64);
        __m128i a1 = Load(p), a2 = Load(p + 16), a3 = Load(p + 32);
        for (p += 48; end - p >= 64; p += 64) {
            a = _mm_xor_si128(Fold(a, k512), Load(p));
            a1 = _mm_xor_si128(Fold(a1, k512), Load(p + 16));
            a2 = _mm_xor_si128(Fold(a2, k512), Load(p + 32));
            a3 = _mm_xor_si128(Fold(a3, k512), Load(p + 48));
        }
        a = _mm_xor_si128(Fold(a, k128), a1);
        a = _mm_xor_si128(Fold(a, k128), a2);
        a = _mm_xor_si128(Fold(a, k128), a3);
    }
    for (; end - p >= 16; p += 16)
        a = _mm_xor_si128(Fold(a, k128), Load(p));

    // 1 to 15 bytes left, t: the block's first t bytes fold 16 bytes on over
    // its other bytes followed by the t left, read as the end of the last 16.
    if (const size_t t = (size_t)(end - p)) {
        const __m128i toEnd = Load(kShuffle + t), toStart = Load(kShuffle + 16 + t);
        const __m128i head = _mm_shuffle_epi8(a, toEnd);
        const __m128i rest = _mm_blendv_epi8(_mm_shuffle_epi8(a, toStart), Load(end - 16), toStart);
        a = _mm_xor_si128(Fold(head, k128), rest);
    }
    return Reduce(a);
}

bool ProcessorFolds() {
    unsigned int eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    return (ecx & bit_PCLMUL) && (ecx & bit_SSE4_1);
}

// Zero until set, which leaves data checked before this file's static
// initialisation with zlib's routine, still correct.
std::atomic<bool> g_folding{ProcessorFolds()};

} // namespace

Uint32 FastCrc32(Uint32 crc, const void *data, size_t size) {
    if (size < kFoldFrom || !g_folding.load(std::memory_order_relaxed))
        return ZlibCrc32(crc, data, size);
    return ~FoldingRegister(~crc, static_cast<const unsigned char *>(data), size);
}

bool AllowFoldingCrc32(bool allowed) {
    g_folding = allowed && ProcessorFolds();
    return g_folding;
}

} // namespace platform
} // namespace qnl
