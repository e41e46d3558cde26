// Processor identification tables, code-path selection, memory figure.
#include <quenlar/core/blockcopy.h>
#include <quenlar/core/cpu_private.h>
#include <quenlar/platform/cpu.h>
#include <quenlar/platform/memory.h>
#include <quenlar/quenlar.h>
#include "support.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

qnl::CpuProbe Probe(const char *vendor, int family, int model, int extModel, bool mmx = true,
                    bool sse = true) {
    qnl::CpuProbe probe;
    probe.hasCpuid = true;
    probe.maxLeaf = 13;
    snprintf(probe.vendor, sizeof probe.vendor, "%s", vendor);
    probe.signature = (unsigned)(extModel << 16 | family << 8 | model << 4 | 3);
    probe.mmx = mmx;
    probe.sse = sse;
    return probe;
}

struct Row {
    const char *vendor;
    int family, model, ext;
    const char *log;     // name part of the log line
    const char *display; // name part of the display text (null: same as log)
    int code;
};

// Every row of the identification tables (Intel 5, 6, 15; AMD 5, 6, 15; others).
const Row kRows[] = {
    {"GenuineIntel", 5, 4, 0, "- Pentium ", nullptr, 0},
    {"GenuineIntel", 6, 0, 0, "- Pentium Pro ", nullptr, 0},
    {"GenuineIntel", 6, 1, 1, "- Pentium Pro ", nullptr, 0},
    {"GenuineIntel", 6, 3, 1, "- Core i5 (Arrandale) ", nullptr, 21},
    {"GenuineIntel", 6, 5, 0, "- Pentium II ", nullptr, 0},
    {"GenuineIntel", 6, 6, 1, "- Core 2 Single core ", nullptr, 20},
    {"GenuineIntel", 6, 6, 0, "- Celeron ", nullptr, 0},
    {"GenuineIntel", 6, 7, 1, "- Core 2 Dual core ", nullptr, 20},
    {"GenuineIntel", 6, 8, 2, "- Pentium III ", nullptr, 14},
    {"GenuineIntel", 6, 9, 0, "- Banias ", nullptr, 12},
    {"GenuineIntel", 6, 10, 0, "- Core i7 (Sandy Bridge) ", nullptr, 21},
    {"GenuineIntel", 6, 10, 5, "- Core i7 (Sandy Bridge) ", nullptr, 21},
    {"GenuineIntel", 6, 12, 1, "- Core i7 (Westmere) ", nullptr, 21},
    {"GenuineIntel", 6, 12, 3, "- Atom ", nullptr, 12},
    {"GenuineIntel", 6, 13, 0, "- Dothan ", nullptr, 13},
    {"GenuineIntel", 6, 14, 1, "- Core i7 (Nehalem) ", nullptr, 21},
    {"GenuineIntel", 6, 14, 0, "- Core Duo ", nullptr, 20},
    {"GenuineIntel", 6, 15, 0, "- Core 2 Duo ", nullptr, 20},
    {"GenuineIntel", 6, 2, 3, "- Pentium (3-2) ", "- Pentium (Model 3-2) ", 0},
    {"GenuineIntel", 6, 4, 0, "- Pentium (0-4) ", "- Pentium (Model 0-4) ", 0},
    {"GenuineIntel", 6, 11, 1, "- Pentium (1-11) ", "- Pentium (Model 1-11) ", 0},
    {"GenuineIntel", 15, 0, 0, "- Pentium 4(Willamette) ", nullptr, 0},
    {"GenuineIntel", 15, 1, 0, "- Pentium 4(Willamette) ", nullptr, 0},
    {"GenuineIntel", 15, 2, 0, "- Pentium 4(Northwood) ", nullptr, 16},
    {"GenuineIntel", 15, 3, 0, "- Pentium 4(Prescott) ", nullptr, 17},
    {"GenuineIntel", 15, 4, 0, "- Pentium 4(Prescott+) ", nullptr, 18},
    {"GenuineIntel", 15, 6, 0, "- Pentium 4(DualCore) ", nullptr, 18},
    {"GenuineIntel", 15, 5, 1, "- Pentium 4 (1-5) ", "- Pentium 4 (Model 1-5) ", 0},
    {"GenuineIntel", 15, 15, 0, "- Pentium 4 (0-15) ", "- Pentium 4 (Model 0-15) ", 0},
    {"AuthenticAMD", 5, 0, 0, "- K6 ", nullptr, 0},
    {"AuthenticAMD", 5, 7, 0, "- K6 ", nullptr, 0},
    {"AuthenticAMD", 5, 8, 0, "- K6-2 ", nullptr, 0},
    {"AuthenticAMD", 5, 9, 0, "- K6-III ", nullptr, 0},
    {"AuthenticAMD", 5, 4, 0, "- K5/K6 (4) ", "- K5/K6 (Model 4) ", 0},
    {"AuthenticAMD", 5, 13, 2, "- K5/K6 (13) ", "- K5/K6 (Model 13) ", 0},
    {"AuthenticAMD", 6, 1, 0, "- Athlon ", nullptr, 10},
    {"AuthenticAMD", 6, 4, 0, "- Athlon ", nullptr, 10},
    {"AuthenticAMD", 6, 3, 0, "- Duron(A) ", nullptr, 10},
    {"AuthenticAMD", 6, 6, 0, "- AthlonXP(A) ", nullptr, 11},
    {"AuthenticAMD", 6, 7, 0, "- Duron(B) ", nullptr, 11},
    {"AuthenticAMD", 6, 8, 0, "- Sempron ", nullptr, 11},
    {"AuthenticAMD", 6, 10, 0, "- AthlonXP(B) ", nullptr, 11},
    {"AuthenticAMD", 6, 9, 0, "- Duron/Athlon (9)", "- Duron/Athlon (Model 9) ", 10},
    {"AuthenticAMD", 6, 0, 0, "- Duron/Athlon (0)", "- Duron/Athlon (Model 0) ", 10},
    {"AuthenticAMD", 15, 2, 0, "- Phenom X3/X4", nullptr, 19},
    {"AuthenticAMD", 15, 3, 0, "- Athlon X2 ", nullptr, 19},
    {"AuthenticAMD", 15, 11, 4, "- Athlon X2 ", nullptr, 19},
    {"AuthenticAMD", 15, 5, 2, "- Athlon64 (2-5)", "- Athlon64 (Model 2-5) ", 19},
    {"AuthenticAMD", 15, 1, 1, "- Athlon64 (1-1)", "- Athlon64 (Model 1-1) ", 19},
    {"GenuineIntel", 4, 8, 0, "- Family 4 - Model: 0-8 ", "- Family 4 - Model 0-8", 0},
    {"AuthenticAMD", 7, 1, 3, "- Family 7 - Model: 3-1 ", "- Family 7 - Model 3-1", 0},
};

} // namespace

TEST(CpuIdentification, EveryTableRowInBothForms) {
    TempDir dir;
    LogCapture log(0);
    for (const Row &row : kRows) {
        SCOPED_TRACE(std::string(row.vendor) + " " + std::to_string(row.family) + "/" +
                     std::to_string(row.model) + "/" + std::to_string(row.ext));
        const bool intel = row.vendor[0] == 'G';
        const char *display = row.display ? row.display : row.log;

        log.Mark();
        int code = -1;
        EXPECT_EQ(
            1, qnl::DescribeCPU(Probe(row.vendor, row.family, row.model, row.ext), nullptr, &code));
        EXPECT_EQ(row.code, code);
        EXPECT_EQ(
            std::string(intel ? " . Running on INTEL processor " : " . Running on AMD processor ") +
                row.log + "- MMX - SSE\n",
            log.Body());

        char buffer[64];
        memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(
            1, qnl::DescribeCPU(Probe(row.vendor, row.family, row.model, row.ext), buffer, &code));
        EXPECT_EQ(std::string(intel ? "INTEL " : "AMD ") + display + "- MMX - SSE", buffer);
    }
}

TEST(CpuIdentification, OtherVendorAndMissingSse) {
    TempDir dir;
    LogCapture log(0);
    int code = -1;
    EXPECT_EQ(1, qnl::DescribeCPU(Probe("CyrixInstead", 6, 2, 1, true, false), nullptr, &code));
    EXPECT_EQ(0, code);
    EXPECT_EQ(" . Running on CyrixInstead - Family 6 - Model: 1-2  - MMX\n", log.Body());
    char buffer[64];
    EXPECT_EQ(1, qnl::DescribeCPU(Probe("CyrixInstead", 6, 2, 1, true, false), buffer, &code));
    EXPECT_STREQ("CyrixInstead - Family 6 - Model 1-2- MMX ", buffer);
}

TEST(CpuIdentification, ProcessorsThatCannotRunTheSdk) {
    TempDir dir;
    LogCapture log(0);
    int code = -1;
    char buffer[64];

    // No MMX: the line so far, then the error; the buffer holds only the error text.
    EXPECT_EQ(0, qnl::DescribeCPU(Probe("GenuineIntel", 6, 15, 0, false), nullptr, &code));
    EXPECT_EQ(" . Running on INTEL processor - Core 2 Duo  . [Quenlar.GetCPUFeatures()] Error: MMX "
              "not present!.\n",
              log.Body());
    EXPECT_EQ(0, qnl::DescribeCPU(Probe("GenuineIntel", 6, 15, 0, false), buffer, &code));
    EXPECT_STREQ("MMX not available! MMX instruction set are required", buffer);

    // CPUID without leaf 1.
    qnl::CpuProbe noLeaf = Probe("GenuineIntel", 6, 15, 0);
    noLeaf.maxLeaf = 0;
    log.Mark();
    EXPECT_EQ(0, qnl::DescribeCPU(noLeaf, nullptr, &code));
    EXPECT_EQ(
        " . [Quenlar.GetCPUFeatures()] Error: CPUID not available! Your CPU must be 486 or less\n",
        log.Body());
    EXPECT_EQ(0, qnl::DescribeCPU(noLeaf, buffer, &code));
    EXPECT_STREQ("CPUID not available! A Pentium class processor is required", buffer);

    // No CPUID at all: usable, plain copy, no line, buffer untouched.
    qnl::CpuProbe none;
    log.Mark();
    strcpy(buffer, "untouched");
    EXPECT_EQ(1, qnl::DescribeCPU(none, nullptr, &code));
    EXPECT_EQ(0, code);
    EXPECT_EQ(1, qnl::DescribeCPU(none, buffer, &code));
    EXPECT_STREQ("untouched", buffer);
    EXPECT_EQ("", log.Body());
}

TEST(CpuCodePath, EachCodeInstallsItsRoutineAndLogsItsLine) {
    TempDir dir;
    LogCapture log(2);
    const std::pair<int, const char *> paths[] = {
        {1, "MMX-I"},        {2, "MMX-II"},        {3, "MMX-V"},          {4, "SSE-2"},
        {5, "K7"},           {10, "Athlon"},       {11, "AthlonXP"},      {12, "Banias"},
        {13, "Dothan"},      {14, "PentiumIII"},   {15, "P4 Willamette"}, {16, "P4 Northwood"},
        {17, "P4 Prescott"}, {18, "P4 Prescott+"}, {19, "Athlon64"},      {20, "Core/Core2"},
        {21, "i5/i7"},
    };
    std::string expected;
    for (auto [code, name] : paths) {
        EXPECT_EQ(1, Quenlar.SelectCodePath(code));
        expected += std::string(" . Selected '") + name + "' optimized code path.\n";
        char src[100], dst[100] = {0};
        for (int i = 0; i < 100; ++i)
            src[i] = (char)i;
        QuenlarBlockCopy(dst, src, sizeof src);
        EXPECT_EQ(0, memcmp(src, dst, sizeof src)) << name;
    }
    EXPECT_EQ(1, Quenlar.SelectCodePath(0));
    expected += " . Selected normal code path.\n";
    EXPECT_EQ(expected, log.Body());
    EXPECT_EQ((QuenlarCopyFn)memcpy, QuenlarBlockCopy);

    // Unknown codes change nothing and log nothing.
    log.Mark();
    for (int code : {-1, 6, 9, 22, 255})
        EXPECT_EQ(0, Quenlar.SelectCodePath(code));
    EXPECT_EQ("", log.Body());
    EXPECT_EQ((QuenlarCopyFn)memcpy, QuenlarBlockCopy);
}

TEST(CpuCodePath, RealProcessorIsUsableHere) {
    TempDir dir;
    char buffer[64] = "";
    EXPECT_EQ(1, Quenlar.GetCPUFeatures(buffer));
    if (CPU_haveCPUID()) {
        EXPECT_NE(nullptr, strstr(buffer, "- MMX")) << buffer;
    }
    EXPECT_EQ(1, Quenlar.GetCPUFeatures(nullptr));
}

TEST(Memory, AvailablePhysicalMemoryIsPlausible) {
    uint64_t bytes = qnl::platform::AvailablePhysicalMemory();
    EXPECT_GT(bytes >> 20, 16u);               // more than 16 MiB free
    EXPECT_LT(bytes >> 20, 64u * 1024 * 1024); // less than 64 PiB
}
