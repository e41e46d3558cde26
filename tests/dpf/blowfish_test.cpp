// The header cipher: published Blowfish results where the key rule does not
// matter, and pinned results where sign-extended key bytes do.
#include <quenlar/dpf/blowfish_private.h>

#include <gtest/gtest.h>
#include <vector>

using qnl::dpf::Blowfish;

namespace {
struct Vector {
    std::vector<unsigned char> key;
    uint32_t plainLeft, plainRight, cipherLeft, cipherRight;
};

void ExpectVector(const Vector &v) {
    Blowfish bf;
    bf.SetKey(v.key.data(), v.key.size());
    uint32_t l = v.plainLeft, r = v.plainRight;
    bf.EncipherBlock(l, r);
    EXPECT_EQ(v.cipherLeft, l);
    EXPECT_EQ(v.cipherRight, r);
    bf.DecipherBlock(l, r);
    EXPECT_EQ(v.plainLeft, l);
    EXPECT_EQ(v.plainRight, r);
}
} // namespace

TEST(Blowfish, PublishedVectorsWithKeyBytesBelow0x80) {
    const Vector vectors[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0}, 0x00000000, 0x00000000, 0x4EF99745, 0x6198DD78},
        {{0x30, 0, 0, 0, 0, 0, 0, 0}, 0x10000000, 0x00000001, 0x7D856F9A, 0x613063F2},
        {{0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11},
         0x11111111,
         0x11111111,
         0x2466DD87,
         0x8B963C9D},
        {{0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11},
         0x01234567,
         0x89ABCDEF,
         0x7D0CC630,
         0xAFDA1EC7},
        // All bytes 0xFF: sign extension gives the same words as the published rule.
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         0xFFFFFFFF,
         0xFFFFFFFF,
         0x51866FD5,
         0xB85ECB8A},
    };
    for (const Vector &v : vectors)
        ExpectVector(v);
}

TEST(Blowfish, KeyBytesFrom0x80AreSignExtended) {
    // 0123456789ABCDEF forms the words 01234567 and FFFFFFEF; the published
    // result for this key (61F9C380 2281B096) must therefore not come out.
    ExpectVector({{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF},
                  0x11111111,
                  0x11111111,
                  0x90D55016,
                  0x8D9725AC});
    // 00 00 00 80 gives FFFFFF80, not 00000080.
    ExpectVector({{0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x80}, 0, 0, 0xF610DD98, 0x673A7387});

    // A key and the key of the words it forms give the same cipher.
    const unsigned char high[] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    const unsigned char words[] = {0x01, 0x23, 0x45, 0x67, 0xFF, 0xFF, 0xFF, 0xEF};
    Blowfish a, b;
    a.SetKey(high, sizeof high);
    b.SetKey(words, sizeof words);
    uint32_t l1 = 0x12345678, r1 = 0x9ABCDEF0, l2 = l1, r2 = r1;
    a.EncipherBlock(l1, r1);
    b.EncipherBlock(l2, r2);
    EXPECT_EQ(l1, l2);
    EXPECT_EQ(r1, r2);
}

TEST(Blowfish, BuffersAreLittleEndianHalvesInElectronicCodebook) {
    const unsigned char key[] = {0x30, 0, 0, 0, 0, 0, 0, 0};
    Blowfish bf;
    bf.SetKey(key, sizeof key);
    // Published 10000000 00000001 -> 7D856F9A 613063F2, as little-endian words.
    unsigned char data[19] = {0x00, 0x00, 0x00, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
                              0x00, 0x10, 0x01, 0x00, 0x00, 0x00, 0xAA, 0xBB, 0xCC};
    bf.Encipher(data, sizeof data);
    const unsigned char expected[8] = {0x9A, 0x6F, 0x85, 0x7D, 0xF2, 0x63, 0x30, 0x61};
    EXPECT_EQ(0, memcmp(data, expected, 8));
    EXPECT_EQ(0, memcmp(data + 8, expected, 8)); // no chaining
    EXPECT_EQ(0xAA, data[16]);                   // a partial block stays as it is
    bf.Decipher(data, sizeof data);
    EXPECT_EQ(0x10, data[3]);
    EXPECT_EQ(0x01, data[12]);
}

TEST(Blowfish, HeaderKeyNeverChanges) {
    // Every stored package depends on this value: a changed header key makes
    // all of them unreadable.
    Blowfish header;
    qnl::dpf::SetHeaderKey(header);
    uint32_t l = 0, r = 0;
    header.EncipherBlock(l, r);
    EXPECT_EQ(0x12F9B7F0u, l);
    EXPECT_EQ(0xAE659C78u, r);
}
