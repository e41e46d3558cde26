// Any bytes as a setup configuration file: the reader must correct or refuse
// every value, and leave no document open.
#include "core/engine.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string path = "/tmp/quenlar-fuzz-" + std::to_string(getpid()) + "-config.xml";
    if (FILE *f = fopen(path.c_str(), "wb")) {
        fwrite(data, 1, size, f);
        fclose(f);
    }
    QuenlarConfig record;
    Quenlar.ReadConfig(nullptr, path.c_str(), &record);
    // Whatever was read lies within the ranges the reader promises.
    if (record.mtfriendly < 0 || record.accel < 1 || record.accel > 3 || record.window > 2 ||
        record.buffer < 1024 || record.buffer > 16384)
        __builtin_trap();
    remove(path.c_str());
    return 0;
}
