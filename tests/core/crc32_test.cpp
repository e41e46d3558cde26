// The SDK's CRC-32 gives zlib's values, on the fast path the processor allows
// and on the portable path forced, at every length, alignment and split.
#include <quenlar/core/crc32_private.h>
#include <quenlar/platform/crc32_private.h>

#include <gtest/gtest.h>
#include <random>
#include <vector>
#include <zlib.h>

namespace {

// The parameter: whether the folding routine may be used (where the
// processor has it); false forces the portable path.
class Crc32 : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        qnl::platform::AllowFoldingCrc32(GetParam());
        bytes_.resize(1024 * 1024 + 64);
        for (unsigned char &b : bytes_)
            b = (unsigned char)random_();
    }
    void TearDown() override { qnl::platform::AllowFoldingCrc32(true); }

    static Uint32 Reference(Uint32 crc, const unsigned char *data, size_t size) {
        return (Uint32)crc32(crc, data, (uInt)size);
    }

    std::mt19937 random_{20240611};
    std::vector<unsigned char> bytes_;
};

} // namespace

TEST_P(Crc32, AgreesWithZlibAtEveryLengthAndAlignment) {
    std::vector<size_t> sizes;
    for (size_t size = 0; size <= 1024; ++size)
        sizes.push_back(size);
    sizes.insert(sizes.end(), {4095, 4096, 4097, 65536 + 13, 1024 * 1024 + 7});
    for (size_t align = 0; align < 16; ++align)
        for (size_t size : sizes) {
            // The data ends where its allocation does: the sanitizers see a
            // read past it.
            std::vector<unsigned char> copy(bytes_.begin(), bytes_.begin() + align + size);
            const unsigned char *data = copy.data() + align;
            const Uint32 start = size % 3 ? (Uint32)random_() : 0;
            ASSERT_EQ(Reference(start, data, size), qnl::Crc32(start, data, size))
                << "size " << size << ", alignment " << align << ", from " << start;
        }
}

TEST_P(Crc32, ContinuesFromAPreviousValue) {
    const size_t sizes[] = {1, 15, 63, 64, 65, 200, 4096 + 9};
    for (size_t first : sizes)
        for (size_t second : sizes) {
            const Uint32 start = (Uint32)random_();
            const Uint32 whole = qnl::Crc32(start, bytes_.data(), first + second);
            const Uint32 head = qnl::Crc32(start, bytes_.data(), first);
            ASSERT_EQ(whole, qnl::Crc32(head, bytes_.data() + first, second))
                << first << " + " << second;
        }
}

INSTANTIATE_TEST_SUITE_P(Paths, Crc32, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool> &info) {
                             return info.param ? "Fast" : "Portable";
                         });
