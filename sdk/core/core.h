// Engine core: the engine object, log, clock, configuration record,
// block copy and the time system.
#ifndef QUENLAR_CORE_CORE_H
#define QUENLAR_CORE_CORE_H

#include <quenlar/core/config.h>
#include <quenlar/core/clock.h>
#include <quenlar/core/log.h>
#include <quenlar/core/blockcopy.h>
#include <quenlar/core/engine.h>
#include <quenlar/core/timesystem.h>

#endif
