// Any bytes as a setup configuration file: the reader must correct or refuse
// every value, and leave no document open.
#include <quenlar/core/engine.h>
#include "input_file.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInputFile input(data, size, "config.xml");
    QuenlarConfig record;
    Quenlar.ReadConfig(nullptr, input.path(), &record);
    // Whatever was read lies within the ranges the reader promises.
    if (record.mtfriendly < 0 || record.accel < 1 || record.accel > 3 || record.window > 2 ||
        record.buffer < 1024 || record.buffer > 16384)
        __builtin_trap();
    return 0;
}
