// Platform layer: what the SDK needs from the processor and the operating
// system, behind narrow calls. The build picks the implementation folders:
// x86/ or generic/ for the processor, posix/ for the system.
#ifndef QUENLAR_PLATFORM_PLATFORM_H
#define QUENLAR_PLATFORM_PLATFORM_H

#include "platform/cpu.h"
#include "platform/memory.h"
#include "platform/filesystem.h"
#include "platform/process.h"
#include "platform/videodriver.h"

#endif
