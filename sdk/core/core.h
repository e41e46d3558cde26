// Engine core: the engine object, log, clock, configuration record,
// block copy and the time system.
#ifndef QUENLAR_CORE_CORE_H
#define QUENLAR_CORE_CORE_H

#include "core/config.h"
#include "core/clock.h"
#include "core/log.h"
#include "core/blockcopy.h"
#include "core/engine.h"
#include "core/timesystem.h"

#endif
