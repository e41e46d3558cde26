// Every block-copy routine gives exactly the bytes of memcpy.
#include <quenlar/platform/cpu.h>

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using qnl::platform::CopyRoutine;

namespace {

const unsigned char kGuard = 0xA5;

class BlockCopy : public testing::TestWithParam<CopyRoutine> {
protected:
    // Copies n bytes from source offset s to destination offset d and checks
    // the copy and the guard bytes on both sides of it.
    void Check(size_t n, size_t s, size_t d) {
        unsigned char *dst = out_.data() + 16 + d;
        copy_(dst, in_.data() + s, n);
        ASSERT_EQ(0, memcmp(dst, in_.data() + s, n)) << "n=" << n << " s=" << s << " d=" << d;
        for (size_t i = 1; i <= 16; ++i) {
            ASSERT_EQ(kGuard, dst[-(ptrdiff_t)i]) << "wrote before, n=" << n << " d=" << d;
            ASSERT_EQ(kGuard, dst[n + i - 1]) << "wrote after, n=" << n << " d=" << d;
        }
        memset(dst, kGuard, n);
    }

    void Prepare(size_t largest) {
        copy_ = qnl::platform::GetCopyRoutine(GetParam());
        in_.resize(largest + 64);
        for (size_t i = 0; i < in_.size(); ++i)
            in_[i] = (unsigned char)(i * 131 + (i >> 8) * 7 + 1);
        out_.assign(largest + 64, kGuard);
    }

    qnl::platform::CopyFn copy_ = nullptr;
    std::vector<unsigned char> in_, out_;
};

} // namespace

TEST_P(BlockCopy, EverySizeUpTo4KiBAtEveryMisalignment) {
    Prepare(4096);
    for (size_t n = 0; n <= 4096; ++n)
        for (size_t s = 0; s < 16; ++s)
            for (size_t d = 0; d < 16; ++d) {
                Check(n, s, d);
                if (HasFatalFailure()) return;
            }
}

TEST_P(BlockCopy, LargeSizesAcrossTheRoutinesThresholds) {
    const size_t sizes[] = {32 * 1024 + 1,   64 * 1024 - 1,   64 * 1024,           64 * 1024 + 65,
                            512 * 1024 + 37, 1024 * 1024 + 3, 2 * 1024 * 1024 + 5, 8 * 1024 * 1024};
    Prepare(8 * 1024 * 1024);
    for (size_t n : sizes)
        for (size_t misalign : {0, 3, 8, 13}) {
            Check(n, misalign, (misalign * 5) % 16);
            if (HasFatalFailure()) return;
        }
}

namespace qnl {
namespace platform {
// Names the routine in test output.
void PrintTo(CopyRoutine routine, std::ostream *out) {
    static const char *const names[] = {"Plain",  "MMX1",   "MMX2",   "MMXV",    "SSE2",  "K7",
                                        "Athlon", "Banias", "Dothan", "P4Early", "P4Late"};
    *out << names[(int)routine];
}
} // namespace platform
} // namespace qnl

std::string RoutineName(const testing::TestParamInfo<CopyRoutine> &info) {
    return testing::PrintToString(info.param);
}

INSTANTIATE_TEST_SUITE_P(Routines, BlockCopy,
                         testing::Values(CopyRoutine::Plain, CopyRoutine::MMX1, CopyRoutine::MMX2,
                                         CopyRoutine::MMXV, CopyRoutine::SSE2, CopyRoutine::K7,
                                         CopyRoutine::Athlon, CopyRoutine::Banias,
                                         CopyRoutine::Dothan, CopyRoutine::P4Early,
                                         CopyRoutine::P4Late),
                         RoutineName);
