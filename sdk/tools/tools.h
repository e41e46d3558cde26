// Developer tools: overlay windows, console and debug window.
#ifndef QUENLAR_TOOLS_TOOLS_H
#define QUENLAR_TOOLS_TOOLS_H

#include <quenlar/tools/simplewin.h>
#include <quenlar/tools/console.h>
#include <quenlar/tools/debugwin.h>

#endif
