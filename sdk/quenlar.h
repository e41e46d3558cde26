// The Quenlar SDK: include this one header to use all of it.
#ifndef QUENLAR_QUENLAR_H
#define QUENLAR_QUENLAR_H

#include "core/core.h"
#include "dpf/dpf.h"
#include "gfx/gfx.h"
#include "gui/gui.h"
#include "sound/sound.h"
#include "tools/tools.h"
#include "net/net.h"
#include "platform/platform.h"

#endif
