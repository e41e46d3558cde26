// The machine as the launcher sees it, through the engine and the platform.
#include "setup/setup_state.h"

#include <quenlar/quenlar.h>
#include <quenlar/platform/memory.h>

namespace {
int DescribeEngineCpu(char *buffer) {
    return Quenlar.GetCPUFeatures(buffer);
}
uint64_t AvailableMemory() {
    return qnl::platform::AvailablePhysicalMemory();
}
unsigned int EngineCrc32(const void *data, int size) {
    return Quenlar.CRC32(data, size);
}
} // namespace

MachineProbes DefaultMachineProbes() {
    return {DescribeEngineCpu, AvailableMemory, EngineCrc32};
}
