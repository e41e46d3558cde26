// The block cipher of package headers: Blowfish in electronic-codebook
// fashion, with the two particulars that stored packages depend on:
//   - each 8-byte cipher block is two little-endian 32-bit words (left half
//     first), read and written back that way;
//   - the key schedule sign-extends each key byte before OR-ing it into the
//     key word, so a byte of 0x80 or more sets every higher bit of the word.
// SDK-internal.
#ifndef QUENLAR_DPF_BLOWFISH_PRIVATE_H
#define QUENLAR_DPF_BLOWFISH_PRIVATE_H

#include <cstddef>
#include <cstdint>

namespace qnl {
namespace dpf {

extern const uint32_t kBlowfishInitP[18];
extern const uint32_t kBlowfishInitS[4][256];

class Blowfish {
public:
    Blowfish() = default;
    // Runs the key schedule over `length` key bytes (used cyclically).
    void SetKey(const unsigned char *key, size_t length);

    // One block, halves as numbers (the published form of the algorithm).
    void EncipherBlock(uint32_t &left, uint32_t &right) const;
    void DecipherBlock(uint32_t &left, uint32_t &right) const;

    // Whole 8-byte blocks in place; a trailing part shorter than 8 bytes is
    // left as it is (callers always pass multiples of 8).
    void Encipher(unsigned char *data, size_t length) const;
    void Decipher(unsigned char *data, size_t length) const;

private:
    uint32_t F(uint32_t x) const;

    uint32_t p_[18] = {0};
    uint32_t s_[4][256] = {{0}};
};

// Keys `cipher` with the SDK's built-in header key. The key exists in clear
// only on this function's stack while the schedule runs.
void SetHeaderKey(Blowfish &cipher);

} // namespace dpf
} // namespace qnl

#endif
