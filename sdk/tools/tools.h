// Developer tools: overlay windows, console and debug window.
#ifndef QUENLAR_TOOLS_TOOLS_H
#define QUENLAR_TOOLS_TOOLS_H

#include "tools/simplewin.h"
#include "tools/console.h"
#include "tools/debugwin.h"

#endif
