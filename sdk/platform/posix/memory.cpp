#include <quenlar/platform/memory.h>

#include <cstdio>
#include <cstring>
#include <sys/sysinfo.h>

namespace qnl {
namespace platform {

uint64_t AvailablePhysicalMemory() {
    // MemAvailable counts reclaimable caches too, which is what a player
    // means by free memory; older kernels lack it, hence sysinfo below.
    if (FILE *f = fopen("/proc/meminfo", "r")) {
        char line[128];
        unsigned long long kib = 0;
        bool found = false;
        while (!found && fgets(line, sizeof line, f))
            found = sscanf(line, "MemAvailable: %llu kB", &kib) == 1;
        fclose(f);
        if (found) return (uint64_t)kib * 1024u;
    }
    struct sysinfo info;
    if (sysinfo(&info) != 0) return 0;
    return (uint64_t)info.freeram * info.mem_unit;
}

} // namespace platform
} // namespace qnl
