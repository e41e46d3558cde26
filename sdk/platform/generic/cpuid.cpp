// Processors without CPUID: the SDK treats them as usable with the plain copy.
#include <quenlar/platform/cpu.h>

int CPU_haveCPUID() {
    return 0;
}

int CPU_GetString(char *buffer) {
    buffer[12] = '\0';
    return 0;
}

unsigned int CPU_getCPUIDFamily() {
    return 0;
}
