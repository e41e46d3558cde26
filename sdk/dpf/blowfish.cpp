#include <quenlar/dpf/blowfish_private.h>

#include <quenlar/core/bytes_private.h>

#include <cstring>

namespace qnl {
namespace dpf {

namespace {
// The header key, each byte XORed with kKeyMask so that the clear key never
// sits in the program image or in memory outside SetHeaderKey.
const unsigned char kKeyMask = 0x3D;
const unsigned char kMaskedHeaderKey[16] = {
    0x51 ^ kKeyMask, 0x75 ^ kKeyMask, 0x65 ^ kKeyMask, 0x6E ^ kKeyMask,
    0xC4 ^ kKeyMask, 0x1A ^ kKeyMask, 0x9F ^ kKeyMask, 0x33 ^ kKeyMask,
    0x6C ^ kKeyMask, 0xE8 ^ kKeyMask, 0x07 ^ kKeyMask, 0x5D ^ kKeyMask,
    0xB2 ^ kKeyMask, 0x48 ^ kKeyMask, 0x91 ^ kKeyMask, 0x2E ^ kKeyMask,
};
} // namespace

uint32_t Blowfish::F(uint32_t x) const {
    return ((s_[0][x >> 24] + s_[1][(x >> 16) & 0xFF]) ^ s_[2][(x >> 8) & 0xFF]) + s_[3][x & 0xFF];
}

void Blowfish::EncipherBlock(uint32_t &left, uint32_t &right) const {
    uint32_t l = left, r = right;
    for (int i = 0; i < 16; ++i) {
        l ^= p_[i];
        r ^= F(l);
        uint32_t t = l;
        l = r;
        r = t;
    }
    // Undo the last swap, then the two output whitening words.
    uint32_t t = l;
    l = r;
    r = t;
    r ^= p_[16];
    l ^= p_[17];
    left = l;
    right = r;
}

void Blowfish::DecipherBlock(uint32_t &left, uint32_t &right) const {
    uint32_t l = left, r = right;
    for (int i = 17; i > 1; --i) {
        l ^= p_[i];
        r ^= F(l);
        uint32_t t = l;
        l = r;
        r = t;
    }
    uint32_t t = l;
    l = r;
    r = t;
    r ^= p_[1];
    l ^= p_[0];
    left = l;
    right = r;
}

void Blowfish::SetKey(const unsigned char *key, size_t length) {
    memcpy(p_, kBlowfishInitP, sizeof p_);
    memcpy(s_, kBlowfishInitS, sizeof s_);
    if (length > 0) {
        size_t at = 0;
        for (int i = 0; i < 18; ++i) {
            uint32_t word = 0;
            for (int k = 0; k < 4; ++k) {
                // Sign extension is part of the stored format: 0x80 and above
                // fill the word's higher bits with ones.
                word = (word << 8) | (uint32_t)(int32_t)(signed char)key[at];
                at = (at + 1) % length;
            }
            p_[i] ^= word;
        }
    }
    uint32_t l = 0, r = 0;
    for (int i = 0; i < 18; i += 2) {
        EncipherBlock(l, r);
        p_[i] = l;
        p_[i + 1] = r;
    }
    for (int s = 0; s < 4; ++s) {
        for (int i = 0; i < 256; i += 2) {
            EncipherBlock(l, r);
            s_[s][i] = l;
            s_[s][i + 1] = r;
        }
    }
}

void Blowfish::Encipher(unsigned char *data, size_t length) const {
    for (size_t at = 0; at + 8 <= length; at += 8) {
        uint32_t l = GetLE32(data + at), r = GetLE32(data + at + 4);
        EncipherBlock(l, r);
        PutLE32(data + at, l);
        PutLE32(data + at + 4, r);
    }
}

void Blowfish::Decipher(unsigned char *data, size_t length) const {
    for (size_t at = 0; at + 8 <= length; at += 8) {
        uint32_t l = GetLE32(data + at), r = GetLE32(data + at + 4);
        DecipherBlock(l, r);
        PutLE32(data + at, l);
        PutLE32(data + at + 4, r);
    }
}

void SetHeaderKey(Blowfish &cipher) {
    unsigned char key[sizeof kMaskedHeaderKey];
    for (size_t i = 0; i < sizeof key; ++i)
        key[i] = kMaskedHeaderKey[i] ^ kKeyMask;
    cipher.SetKey(key, sizeof key);
    // Wipe the clear copy; volatile keeps the compiler from dropping it.
    volatile unsigned char *wipe = key;
    for (size_t i = 0; i < sizeof key; ++i)
        wipe[i] = 0;
}

} // namespace dpf
} // namespace qnl
