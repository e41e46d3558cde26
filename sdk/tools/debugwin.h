// cDebugWO: the overlay debug window with its watches.
#ifndef QUENLAR_TOOLS_DEBUGWIN_H
#define QUENLAR_TOOLS_DEBUGWIN_H

#include <quenlar/tools/simplewin.h>

class cDebugWO : public cSimpleWin {};

#endif
