// Platform layer: what the SDK needs from the processor and the operating
// system, behind narrow calls. The build picks the implementation folders:
// x86/ or generic/ for the processor, posix/ for the system.
#ifndef QUENLAR_PLATFORM_PLATFORM_H
#define QUENLAR_PLATFORM_PLATFORM_H

#include <quenlar/platform/cpu.h>
#include <quenlar/platform/memory.h>
#include <quenlar/platform/filesystem.h>
#include <quenlar/platform/process.h>
#include <quenlar/platform/videodriver.h>

#endif
