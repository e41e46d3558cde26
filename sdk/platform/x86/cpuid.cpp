// CPUID on x86 and x86-64, through the compiler's <cpuid.h>.
#include <quenlar/platform/cpu.h>

#include <cpuid.h>
#include <cstring>

int CPU_haveCPUID() {
#if defined(__x86_64__)
    return 1; // every x86-64 processor has CPUID
#else
    // Bit 21 of EFLAGS (0x200000) can be toggled only where CPUID exists.
    unsigned int before = __builtin_ia32_readeflags_u32();
    __builtin_ia32_writeeflags_u32(before ^ 0x200000u);
    unsigned int after = __builtin_ia32_readeflags_u32();
    __builtin_ia32_writeeflags_u32(before);
    return ((before ^ after) & 0x200000u) ? 1 : 0;
#endif
}

int CPU_GetString(char *buffer) {
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid(0, eax, ebx, ecx, edx);
    if ((int)eax >= 1) {
        memcpy(buffer, &ebx, 4);
        memcpy(buffer + 4, &edx, 4);
        memcpy(buffer + 8, &ecx, 4);
    }
    buffer[12] = '\0';
    return (int)eax < 1 ? 0 : (int)eax;
}

unsigned int CPU_getCPUIDFamily() {
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid(0, eax, ebx, ecx, edx);
    if ((int)eax < 1) return 0;
    __cpuid(1, eax, ebx, ecx, edx);
    return eax;
}
