// The Quenlar SDK: include this one header to use all of it.
#ifndef QUENLAR_QUENLAR_H
#define QUENLAR_QUENLAR_H

#include <quenlar/core/core.h>
#include <quenlar/dpf/dpf.h>
#include <quenlar/gfx/gfx.h>
#include <quenlar/gui/gui.h>
#include <quenlar/sound/sound.h>
#include <quenlar/tools/tools.h>
#include <quenlar/net/net.h>

#endif
