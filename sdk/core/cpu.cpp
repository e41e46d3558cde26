// Processor identification and the choice of the block-copy routine.
#include <quenlar/core/blockcopy.h>
#include <quenlar/core/cpu_private.h>
#include <quenlar/core/log.h>
#include <quenlar/platform/cpu.h>

#include <cstdio>
#include <cstring>
#include <string>

QuenlarCopyFn QuenlarBlockCopy = memcpy;

namespace qnl {

namespace {

const int kBufferSize = 64; // the display form's documented minimum

enum class Vendor { Intel, AMD, Other };

// The name part of the processor line: the log text, the display text and
// the copy-path code. Most rows use one text for both.
struct NamePart {
    std::string log, display;
    int code = 0;
};

NamePart Same(const char *text, int code) {
    return NamePart{text, text, code};
}

std::string Format(const char *format, int a, int b = 0) {
    char text[64];
    snprintf(text, sizeof text, format, a, b);
    return text;
}

// Rows whose log text shows the numbers one way and the display another.
NamePart Numbered(const char *logFormat, const char *displayFormat, int a, int b, int code) {
    return NamePart{Format(logFormat, a, b), Format(displayFormat, a, b), code};
}

NamePart IntelFamily6(int m, int e) {
    switch (m) {
    case 0:
    case 1:
        return Same("- Pentium Pro ", 0);
    case 3:
    case 5:
        return e == 1 ? Same("- Core i5 (Arrandale) ", 21) : Same("- Pentium II ", 0);
    case 6:
        return e == 1 ? Same("- Core 2 Single core ", 20) : Same("- Celeron ", 0);
    case 7:
    case 8:
        return e == 1 ? Same("- Core 2 Dual core ", 20) : Same("- Pentium III ", 14);
    case 9:
        return Same("- Banias ", 12);
    case 10:
        return Same("- Core i7 (Sandy Bridge) ", 21);
    case 12:
        return e == 1 ? Same("- Core i7 (Westmere) ", 21) : Same("- Atom ", 12);
    case 13:
        return Same("- Dothan ", 13);
    case 14:
        return e == 1 ? Same("- Core i7 (Nehalem) ", 21) : Same("- Core Duo ", 20);
    case 15:
        return Same("- Core 2 Duo ", 20);
    default: // 2, 4, 11
        return Numbered("- Pentium (%d-%d) ", "- Pentium (Model %d-%d) ", e, m, 0);
    }
}

NamePart IntelFamily15(int m, int e) {
    switch (m) {
    case 0:
    case 1:
        return Same("- Pentium 4(Willamette) ", 0);
    case 2:
        return Same("- Pentium 4(Northwood) ", 16);
    case 3:
        return Same("- Pentium 4(Prescott) ", 17);
    case 4:
        return Same("- Pentium 4(Prescott+) ", 18);
    case 6:
        return Same("- Pentium 4(DualCore) ", 18);
    default: // 5, 7..15
        return Numbered("- Pentium 4 (%d-%d) ", "- Pentium 4 (Model %d-%d) ", e, m, 0);
    }
}

NamePart AmdFamily5(int m) {
    switch (m) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 6:
    case 7:
        return Same("- K6 ", 0);
    case 8:
        return Same("- K6-2 ", 0);
    case 9:
        return Same("- K6-III ", 0);
    default: // 4, 5, 10..15
        return Numbered("- K5/K6 (%d) ", "- K5/K6 (Model %d) ", m, 0, 0);
    }
}

NamePart AmdFamily6(int m) {
    switch (m) {
    case 1:
    case 2:
    case 4:
        return Same("- Athlon ", 10);
    case 3:
        return Same("- Duron(A) ", 10);
    case 6:
        return Same("- AthlonXP(A) ", 11);
    case 7:
        return Same("- Duron(B) ", 11);
    case 8:
        return Same("- Sempron ", 11);
    case 10:
        return Same("- AthlonXP(B) ", 11);
    default: // 0, 5, 9, 11..15
        return Numbered("- Duron/Athlon (%d)", "- Duron/Athlon (Model %d) ", m, 0, 10);
    }
}

NamePart AmdFamily15(int m, int e) {
    switch (m) {
    case 2:
        return Same("- Phenom X3/X4", 19);
    case 3:
    case 11:
        return Same("- Athlon X2 ", 19);
    default:
        return Numbered("- Athlon64 (%d-%d)", "- Athlon64 (Model %d-%d) ", e, m, 19);
    }
}

NamePart NameOf(Vendor vendor, int f, int m, int e) {
    if (vendor == Vendor::Intel) {
        if (f == 5) return Same("- Pentium ", 0);
        if (f == 6) return IntelFamily6(m, e);
        if (f == 15) return IntelFamily15(m, e);
    } else {
        if (f == 5) return AmdFamily5(m);
        if (f == 6) return AmdFamily6(m);
        if (f == 15) return AmdFamily15(m, e);
    }
    char log[64], display[64];
    snprintf(log, sizeof log, "- Family %d - Model: %d-%d ", f, e, m);
    snprintf(display, sizeof display, "- Family %d - Model %d-%d", f, e, m);
    return NamePart{log, display, 0};
}

void Store(char *buffer, const std::string &text) {
    snprintf(buffer, kBufferSize, "%s", text.c_str());
}

} // namespace

CpuProbe ProbeCPU() {
    CpuProbe probe;
    probe.hasCpuid = CPU_haveCPUID() != 0;
    if (probe.hasCpuid) {
        probe.maxLeaf = CPU_GetString(probe.vendor);
        probe.signature = CPU_getCPUIDFamily();
    }
    probe.mmx = SDL_HasMMX() != SDL_FALSE;
    probe.sse = SDL_HasSSE() != SDL_FALSE;
    return probe;
}

int DescribeCPU(const CpuProbe &probe, char *buffer, int *code) {
    *code = 0;
    if (!probe.hasCpuid) return 1; // usable, plain copy, no processor line

    if (probe.maxLeaf < 1) {
        if (buffer)
            Store(buffer, "CPUID not available! A Pentium class processor is required");
        else
            ILogSystem.Msg(0, " . [Quenlar.GetCPUFeatures()] Error: CPUID not available! Your CPU "
                              "must be 486 or less\n");
        return 0;
    }

    const int f = (probe.signature >> 8) & 0xF;
    const int m = (probe.signature >> 4) & 0xF;
    const int e = (probe.signature >> 16) & 0xF;
    const Vendor vendor = probe.vendor[0] == 'A'   ? Vendor::AMD
                          : probe.vendor[0] == 'G' ? Vendor::Intel
                                                   : Vendor::Other;

    // The line is built whole and written at once, so that another thread's
    // message cannot land in the middle of it.
    std::string log, display;
    if (vendor == Vendor::Other) {
        char text[96];
        snprintf(text, sizeof text, " . Running on %s - Family %d - Model: %d-%d  ", probe.vendor,
                 f, e, m);
        log = text;
        snprintf(text, sizeof text, "%s - Family %d - Model %d-%d", probe.vendor, f, e, m);
        display = text;
    } else {
        NamePart name = NameOf(vendor, f, m, e);
        log = (vendor == Vendor::Intel ? " . Running on INTEL processor "
                                       : " . Running on AMD processor ") +
              name.log;
        display = (vendor == Vendor::Intel ? "INTEL " : "AMD ") + name.display;
        *code = name.code;
    }

    if (!probe.mmx) {
        if (buffer)
            Store(buffer, "MMX not available! MMX instruction set are required");
        else
            ILogSystem.Msg(0, "%s . [Quenlar.GetCPUFeatures()] Error: MMX not present!.\n",
                           log.c_str());
        return 0;
    }
    log += "- MMX";
    display += "- MMX ";
    if (probe.sse) {
        log += " - SSE";
        display += "- SSE";
    }
    if (buffer)
        Store(buffer, display);
    else
        ILogSystem.Msg(0, "%s\n", log.c_str());
    return 1;
}

int SelectCopyPath(int code) {
    using platform::CopyRoutine;
    struct Path {
        int code;
        const char *name; // null: the normal path
        CopyRoutine routine;
    };
    static const Path kPaths[] = {
        {0, nullptr, CopyRoutine::Plain},
        {1, "MMX-I", CopyRoutine::MMX1},
        {2, "MMX-II", CopyRoutine::MMX2},
        {3, "MMX-V", CopyRoutine::MMXV},
        {4, "SSE-2", CopyRoutine::SSE2},
        {5, "K7", CopyRoutine::K7},
        {10, "Athlon", CopyRoutine::Athlon},
        {11, "AthlonXP", CopyRoutine::Athlon},
        {12, "Banias", CopyRoutine::Banias},
        {13, "Dothan", CopyRoutine::Dothan},
        {14, "PentiumIII", CopyRoutine::MMX2},
        {15, "P4 Willamette", CopyRoutine::P4Early},
        {16, "P4 Northwood", CopyRoutine::P4Early},
        {17, "P4 Prescott", CopyRoutine::P4Late},
        {18, "P4 Prescott+", CopyRoutine::P4Late},
        {19, "Athlon64", CopyRoutine::Athlon},
        {20, "Core/Core2", CopyRoutine::MMXV},
        {21, "i5/i7", CopyRoutine::SSE2},
    };
    for (const Path &path : kPaths) {
        if (path.code != code) continue;
        QuenlarBlockCopy = platform::GetCopyRoutine(path.routine);
        if (path.name)
            ILogSystem.Msg(2, " . Selected '%s' optimized code path.\n", path.name);
        else
            ILogSystem.Msg(2, " . Selected normal code path.\n");
        return 1;
    }
    return 0;
}

} // namespace qnl
